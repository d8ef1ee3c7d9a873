#pragma once

#include "device/Transport.h"

#include <QString>
#include <QStringList>
#include <memory>

// Which module the program talks to: "usb" (the real one), "sim[:PROFILE]" (the virtual
// module in this process) or "unix:PATH" (a peer process on a Unix socket). Chosen once, here,
// from --device VALUE, --device=VALUE or --simulate anywhere on the command line, else from
// the environment variable TIVORA_DEVICE, else usb.
struct TransportChoice {
    QString spec;  // the value as given, for the log
    QString error; // why the choice cannot be used; empty when it can

    static TransportChoice fromArguments(const QStringList& arguments, const QString& environment);

    // The transport for the choice, or nullptr with `error` set.
    std::unique_ptr<Transport> open();
};
