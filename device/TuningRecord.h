#pragma once

#include "device/RecordLayout.h"

#include <array>
#include <cstdint>

// The tuning result the module stores with its calibration: the window it was made for, the
// options, and the per-position tweak offsets in camera pixels.
struct TuningRecord {
    static constexpr int kMaxTweaks = record_layout::kMaxTweakPairs;

    int16_t windowWidth = 0;
    int16_t windowHeight = 0;
    uint8_t ceiling = 0;
    uint8_t rear = 0;
    uint8_t lens = 0;
    uint8_t imageReverse = 0;
    int tweakCount = 0;
    std::array<float, 2 * kMaxTweaks> tweaks{}; // x, y pairs; pairs past the count are zero

    // From the module's 400-byte record: the second group and its tweak table.
    static TuningRecord fromDeviceRecord(const uint8_t* eeprom);
};
