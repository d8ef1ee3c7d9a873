#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// What the virtual module pretends to be and when it is plugged in. Loaded from an INI file
// (format in sim/readme.md); a default-constructed profile is the built-in module.
struct SimProfile {
    uint8_t fwMajor = 51;
    uint8_t fwMinor = 12;

    uint8_t ceiling = 0;
    uint8_t rear = 0;
    uint8_t finger = 0;
    uint8_t lens = 1;

    QString serialNumber = QStringLiteral("SIM0000001");
    // Time from a plug until the vendor HID collection answers.
    int hidReadyDelayMs = 0;

    // Plug schedule, each time counted from the event before it; negative means never.
    int plugAfterMs = 0;
    int unplugAfterMs = -1;
    int replugAfterMs = -1;

    // The stored mask the module starts with; empty means an all-clear mask.
    QByteArray mask;

    // Fills profile from the file at path. On failure returns false with a one-line reason.
    static bool load(const QString& path, SimProfile* profile, QString* error);
};
