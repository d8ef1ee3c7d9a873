#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <set>

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

    // Time from a capture command until the capture is taken and its end answered.
    int exposureMs = 150;
    // Absolute path of the file that stands for the module's non-volatile memory; empty keeps
    // the record and mask for this run only.
    QString storeFile;

    // Faults to inject. A captured-image part is lost on its first sending when it is listed
    // or when its seeded draw falls below dropFraction; repairs always get through.
    double dropFraction = 0.0;
    int dropSeed = 1;
    std::set<int> dropParts;
    // The answer to the first request for this mask part is lost; -1: none.
    int loseMaskPart = -1;
    // Codes answered with RES_NAK whatever they carry.
    std::set<uint32_t> refuseCodes;

    // Fills profile from the file at path. On failure returns false with a one-line reason.
    static bool load(const QString& path, SimProfile* profile, QString* error);
};
