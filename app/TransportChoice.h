#pragma once

#include "device/Transport.h"

#include <QString>
#include <functional>
#include <memory>

// Which module the program talks to: "usb" (the real one), "sim[:PROFILE]" (the virtual
// module in this process) or "unix:PATH" (a peer process on a Unix socket). Chosen once, here,
// from the command line's --device or --simulate, else from the environment variable
// TIVORA_DEVICE, else usb.
struct TransportChoice {
    QString spec;  // the value as given, for the log
    QString error; // why the choice cannot be used; empty when it can
    // After a calibration, how closely the module's stored calibration matches the truth;
    // only the virtual module knows the truth.
    std::function<QString()> verifier;

    // `option` is what the command line chose, empty when it chose nothing.
    static TransportChoice choose(const QString& option, const QString& environment);

    // The transport for the choice, or nullptr with `error` set.
    std::unique_ptr<Transport> open();
};
