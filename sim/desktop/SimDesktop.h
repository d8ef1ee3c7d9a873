#pragma once

#include "device/Transport.h"

#include <QString>
#include <functional>
#include <memory>

// The virtual module as a whole device on this desktop, for `--device sim[:PROFILE]`: its
// camera photographs the calibration monitor as painted, its pen touches the calibration
// window's targets, its injected touches reach the window under them. Call on the
// user-interface thread once the QApplication exists; the desktop side lives as its child.
// Without a QApplication the module is made without a desktop.
struct SimDesktop {
    std::unique_ptr<Transport> transport;
    // The stored calibration against the truth, as one line; valid while the transport is.
    std::function<QString()> verifier;
};

// An empty path gives the built-in profile; an unusable profile gives no transport and a
// one-line reason in error.
SimDesktop makeSimDesktop(const QString& profilePath, QString* error);
