#pragma once

#include "compute/ProjectionModel.h"

#include <array>
#include <opencv2/core/types.hpp>

struct CalibFitResult {
    ProjectionParams tp{};
    int loopCount = 0;
    double sse = 0.0; // window pixels squared
    int mode = -1;
};

struct CalibFitInput {
    bool withLens = false;        // six modes with lens starts, else two modes
    std::array<double, 9> seed{}; // normalised homography; p0..p7 of modes 4 and 5
    int lensType = 0;             // selects the lens preset of modes 2 to 5
    int fwLower = 0;              // firmware lower version, for the lens-type-3 preset
    int count = 0;                // number of pairs, at most 25
    const cv::Point2d* camPoints = nullptr;
    const cv::Point2d* winPoints = nullptr;
};

// Fits the model once per mode and keeps the mode with the strictly smallest SSE (the
// lowest-numbered mode wins ties). When no mode ends with a finite SSE, mode 0 is returned.
CalibFitResult CalcCalibParameter(const CalibFitInput& in);
