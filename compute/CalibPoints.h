#pragma once

#include <cmath>
#include <opencv2/core/types.hpp>

// Every table of calibration points has room for this many entries.
constexpr int kCalibPointCapacity = 25;

// (0, 0) means "not found" in the camera tables. A camera point is usable only when both
// coordinates are finite and above 3 pixels.
template <typename T> bool isValidCamPoint(const cv::Point_<T>& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && p.x > 3 && p.y > 3;
}

// Pattern positions on the left and right edges of the 4 x 5 automatic pattern.
inline bool isSidePosition(int i) {
    switch (i) {
    case 0:
    case 4:
    case 5:
    case 9:
    case 10:
    case 14:
    case 15:
    case 19:
        return true;
    default:
        return false;
    }
}
