#pragma once

#include <QMetaType>

// What the connection watch last saw of the module, for the panel's status line.
enum class ConnectionStatus {
    Searching,
    Connected,
    // Found on the bus, but the user may not open it (no udev rule).
    PermissionDenied,
    // Found on the bus, but another program holds its interfaces.
    Busy,
};
Q_DECLARE_METATYPE(ConnectionStatus)
