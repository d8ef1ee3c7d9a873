#pragma once

#include "compute/CalibPoints.h"
#include "compute/CalibWorkspace.h"
#include "compute/ProjectionModel.h"
#include "compute/TargetLayout.h"

#include <array>
#include <opencv2/core/mat.hpp>
#include <vector>

// The automatic and semi-automatic computation from the three captures to the fitted model:
// the one path the controller, the command-line tool and the benchmark all run.

struct AutoCalibrationInput {
    int windowWidth = 0;
    int windowHeight = 0;
    std::array<cv::Point2f, kCalibPointCapacity> windowPoints{};
    // Pattern positions and manual targets of the lens (pointCountsForLens).
    int patternCount = 0;
    int manualCount = 0;
    int lens = 0;
    int fwLower = 0;
    int pen = 0;
    int ceiling = 0;
    int rear = 0;
    // Fit the untweaked centres first and fall back to the automatic fit when that fails.
    bool semi = false;
    // Empty: the predefined tweak table applies. Otherwise an earlier tuning's offsets
    // (camera pixels).
    std::vector<cv::Point2f> tweaks;
};

// The workspace's calibration values from the input's settings, for the given window points
// (the pattern positions here, the manual targets in a manual calibration).
CalibWorkspace::CalibInformation calibInformationFor(const AutoCalibrationInput& input,
                                                     const cv::Point2f* windowPoints, int count);

// Why a computation failed, from what it saw; None after a success.
enum class CalibrationFailure {
    None,
    NoScreen,    // the white and the black capture are alike: the camera sees no lit screen
    TooFewMarks, // too few pattern centres for a fit
    FitFailed,   // enough centres, but no fit within the accepted error
};

struct AutoCalibrationResult {
    bool success = false;
    bool semiFellBack = false; // semi-automatic fit failed, the automatic one succeeded
    CalibrationFailure failure = CalibrationFailure::None;
    int marksFound = 0; // pattern positions with a centre, of patternCount
    ProjectionParams tp{};
    int loop = 0;
    double sse = 0.0;
};

struct PointCounts {
    int pattern = 0;
    int manual = 0;
};

// 20 pattern positions and 16 manual targets for lens types 1 to 4, none for any other.
PointCounts pointCountsForLens(int lens);

// Runs in ws: the tables, loop count and error stay there for logging and the upload.
// patternImage receives the normalised pattern image. The captures must be 8-bit grey
// pictures of one size; anything else fails as NoScreen.
AutoCalibrationResult runAutoCalibration(CalibWorkspace& ws, const cv::Mat& black,
                                         const cv::Mat& white, const cv::Mat& pattern,
                                         cv::Mat& patternImage, const AutoCalibrationInput& input);
