#pragma once

#include "compute/CalibPoints.h"

#include <array>
#include <opencv2/core/types.hpp>

// Per-position correction, in camera pixels, added to each measured pattern centre of automatic
// calibration before the fit. Entry i belongs to pattern position i.
struct TweakTable {
    int count = 0; // "ac_tweak_num"
    std::array<cv::Point2f, kCalibPointCapacity> entries{};
};

// One predefined table: x and y offsets in camera pixels per pattern position.
struct PredefinedTweak {
    std::array<double, kCalibPointCapacity> x;
    std::array<double, kCalibPointCapacity> y;
};

// The built-in table for the lens, pen and firmware, or nullptr for a pen type other than 0 or 1.
const PredefinedTweak* predefinedTweak(int lensType, int penType, int fwLower);

struct TweakSource {
    int handedCount = 0; // entries from an earlier calibration; 0 for none
    const cv::Point2f* handedEntries = nullptr;
    int lensType = 0;
    int penType = 0;
    int fwLower = 0;
    int nAC = 0;
};

// Fills the table from the handed-in entries when there are any, else from the predefined
// tables. On the predefined path with lens type 3 the firmware version is stored in
// storedFwLower, which also selects the lens preset later.
void fillTweakTable(TweakTable& table, int& storedFwLower, const TweakSource& src);
