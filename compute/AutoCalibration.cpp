#include "compute/AutoCalibration.h"

#include "compute/PatternCenters.h"
#include "compute/PatternImage.h"

#include <opencv2/core.hpp>

namespace {

// A lit screen raises the white capture well above the black one; sensor noise and a
// projector's stray light stay far below this many grey levels.
constexpr int kLitDifference = 24;
// Less lit area than this share of the picture is no screen to calibrate against.
constexpr double kMinLitShare = 0.01;

bool seesLitScreen(const cv::Mat& black, const cv::Mat& white) {
    cv::Mat difference;
    cv::subtract(white, black, difference);
    const int lit = cv::countNonZero(difference >= kLitDifference);
    return lit >= kMinLitShare * double(difference.total());
}

int countMarks(const CalibWorkspace& ws, int patternCount) {
    int found = 0;
    for (int i = 0; i < patternCount && i < kCalibPointCapacity; ++i)
        found += isValidCamPoint(ws.ac_pattern_center_twk[size_t(i)]) ? 1 : 0;
    return found;
}

} // namespace

PointCounts pointCountsForLens(int lens) {
    const bool known = lens >= 1 && lens <= 4;
    return known ? PointCounts{kPatternPoints, kManualPoints} : PointCounts{};
}

CalibWorkspace::CalibInformation calibInformationFor(const AutoCalibrationInput& input,
                                                     const cv::Point2f* windowPoints, int count) {
    CalibWorkspace::CalibInformation info;
    info.windowPoints = windowPoints;
    info.pointCount = count;
    info.acCeiling = input.ceiling;
    info.acRear = input.rear;
    info.windowWidth = int16_t(input.windowWidth);
    info.windowHeight = int16_t(input.windowHeight);
    info.lensType = input.lens;
    info.tweakCount = int(input.tweaks.size());
    info.tweaks = input.tweaks.empty() ? nullptr : input.tweaks.data();
    info.fwLower = input.fwLower;
    info.penType = input.pen;
    return info;
}

AutoCalibrationResult runAutoCalibration(CalibWorkspace& ws, const cv::Mat& black,
                                         const cv::Mat& white, const cv::Mat& pattern,
                                         cv::Mat& patternImage, const AutoCalibrationInput& input) {
    AutoCalibrationResult result;
    ws.setPointCounts(input.patternCount, input.manualCount);
    ws.clearAllResults();
    if (!makePatternImage(black, white, pattern, patternImage)) {
        result.failure = CalibrationFailure::NoScreen;
        return result;
    }

    ws.setCalibInformation(calibInformationFor(input, input.windowPoints.data(), ws.nAC()));
    AC_FindPatternCenter(ws, patternImage);

    if (input.semi)
        ws.SC_CallCalcCalibParameter(true, result.tp);
    if (!input.semi || ws.calib_success != 1) {
        ws.AC_CallCalcCalibParameter(result.tp);
        result.semiFellBack = input.semi && ws.calib_success == 1;
    }
    result.success = ws.calib_success == 1;
    result.loop = ws.ac_loop;
    result.sse = ws.ac_sse;
    result.marksFound = countMarks(ws, ws.nAC());
    if (!result.success) {
        if (!seesLitScreen(black, white))
            result.failure = CalibrationFailure::NoScreen;
        else if (!ws.enoughAutoPoints(ws.collectPointPairs(ws.ac_pattern_center_twk, ws.nAC())))
            result.failure = CalibrationFailure::TooFewMarks;
        else
            result.failure = CalibrationFailure::FitFailed;
    }
    return result;
}
