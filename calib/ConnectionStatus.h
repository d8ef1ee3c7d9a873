#pragma once

#include <QMetaType>

// What the connection watch last saw of the module, for the panel's status line. The order
// is that of the status texts.
enum class ConnectionStatus {
    Searching,
    // Open, and it has answered the opening requests.
    Connected,
    // Found on the bus, but the user may not open it (no udev rule).
    PermissionDenied,
    // Found on the bus, but another program holds its interfaces.
    Busy,
    // Open, but its transfers fail or it did not answer the opening requests in time; the
    // watch opens it again at its next look.
    NotAnswering,
    // A device with the module's ids but not its interfaces.
    NotTheModule,
    // Searching for a while: nothing with the module's ids on the bus.
    NotFound,
    // Searching for a while: the module is on the bus but its vendor collection never came.
    NotReady,
};
Q_DECLARE_METATYPE(ConnectionStatus)
