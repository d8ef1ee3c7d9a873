#pragma once

#include <QByteArray>
#include <QString>
#include <array>
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

    // The module loses its plug on the Nth capture command (0: never), instead of answering
    // it, and is plugged in again that long after (negative: never).
    int unplugOnCapture = 0;
    int unplugForMs = -1;

    // Where the calibration monitor appears in the capture: centre in camera pixels, width as
    // a fraction of the capture's, roll in degrees, keystone (sim/camera/GroundTruth.h). A
    // camera turned away sees only the monitor's left edge.
    double screenCentreX = 640.0;
    double screenCentreY = 360.0;
    double screenWidthFraction = 0.62;
    double screenRoll = 0.5;
    double screenKeystone = 0.03;
    bool turnedAway = false;
    // Which monitor the projector is, counted from 1 left to right; 0: the one the utility
    // calibrates. A number past the last monitor puts the projector on none.
    int screenMonitor = 0;
    // Something in front of the projector: left, top, width and height as shares of the
    // monitor; no light reaches the screen there. A width or height of 0 means none.
    std::array<double, 4> obstacle{};

    // The lens: the preset for the module's lens option and firmware, its distortion centre
    // moved and its distortion scaled.
    double lensShiftX = 0.0;
    double lensShiftY = 0.0;
    double lensDistortionScale = 1.0;

    // Light levels of the synthetic camera (sim/camera/SyntheticCamera.h).
    double ambient = 12.0;
    double projectorBlack = 18.0;
    double projectorWhite = 190.0;
    double vignetting = 0.25;
    double blurSigma = 0.7;
    double noiseSigma = 1.5;
    int lightSeed = 1;
    int supersampling = 3;

    // The pen: camera-pixel offset of its point from the touched window point at each of the
    // 20 pattern positions (x, y pairs, row by row), or the predefined tweak table of pen
    // type 0 or 1 for the module's lens when penTweakTable is not negative. By default the pen
    // sits where the table of the normal pen says, as the utility assumes out of the box.
    std::array<double, 40> penOffsets{};
    int penTweakTable = 0;
    double penJitter = 0.0; // standard deviation, camera pixels
    int penSeed = 1;
    int penHoldMs = 400;  // at least this long on each target
    int liftEarlyOn = -1; // target the pen leaves before the rings are full, once
    int goBackAfter = -1; // target after which the user presses Backspace, once

    // Injected touches land this much further from the monitor's top-left corner.
    double ratioErrorX = 1.0;
    double ratioErrorY = 1.0;

    // Fills profile from the file at path. On failure returns false with a one-line reason.
    static bool load(const QString& path, SimProfile* profile, QString* error);
};
