#pragma once

#include "compute/CalibPoints.h"

#include <array>
#include <opencv2/core/types.hpp>

class CalibWorkspace;

// What recognition needs to know about the pattern on the screen: a working copy of the
// context's window points (window pixels) and window size, the number of pattern positions
// and the lens type.
struct PatternGeometry {
    std::array<cv::Point2d, kCalibPointCapacity> windowPoints{};
    int nAC = 0;
    int windowWidth = 0;
    int windowHeight = 0;
    int lensType = 0;

    static PatternGeometry from(const CalibWorkspace& ws);
};

// Positions 6, 7, 8, 11, 12, 13, 16, 17 and 18 carry the TAG16h5 marker whose id is the
// position; every other position carries a disc.
bool isMarkerPosition(int i);

// Per-position lists that grow over the thresholds tried.
template <typename T> using PerPosition = std::array<T, kCalibPointCapacity>;
using PointLists = PerPosition<std::vector<cv::Point2d>>;
using PointTable = PerPosition<cv::Point2d>;
