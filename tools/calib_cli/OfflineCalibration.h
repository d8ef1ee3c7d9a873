#pragma once

#include "compute/AutoCalibration.h"
#include "compute/CalibPoints.h"
#include "compute/ProjectionModel.h"
#include "compute/TargetLayout.h"

#include <array>
#include <opencv2/core/mat.hpp>
#include <optional>
#include <vector>

// One automatic calibration computed from three stored captures, without a device or a
// display, through the program's own computation, timed.
struct OfflineOptions {
    int windowWidth = 0;
    int windowHeight = 0;
    int lens = 1;
    int fwLower = 0;
    int pen = 0;
    int ceiling = 0;
    int rear = 0;
    bool semi = false; // the semi-automatic entry, falling back to the automatic fit
    // Empty: the predefined tweak table applies. Otherwise these offsets (camera pixels) are
    // handed in as an earlier calibration's table.
    std::vector<cv::Point2f> tweaks;
};

struct OfflineResult {
    bool success = false;
    CalibrationFailure failure = CalibrationFailure::None;
    int marksFound = 0;
    ProjectionParams tp{};
    int loop = 0;
    double sse = 0.0;
    int nAC = 0;
    TargetPoints windowPoints{};
    std::array<cv::Point2f, kCalibPointCapacity> org{};
    std::array<cv::Point2f, kCalibPointCapacity> twk{};
    std::optional<int> yThreshold; // only after a successful fit
    double fitMs = 0.0;            // from the three pictures to the fitted model
    double elapsedMs = 0.0;        // the same plus the camera row limit
    cv::Mat patternImage;
};

// Recognition allocates and frees picture-sized buffers at every threshold, most of them
// inside the marker detector; taken from fresh mappings each time they cost page faults on
// every use. Keeps such buffers in the heap for reuse; a process-wide setting for main().
void keepPictureBuffers();

// The captures must be 8-bit grey pictures of 1280 x 720 (the caller checks).
OfflineResult runOfflineCalibration(const cv::Mat& black, const cv::Mat& white,
                                    const cv::Mat& pattern, const OfflineOptions& options);
