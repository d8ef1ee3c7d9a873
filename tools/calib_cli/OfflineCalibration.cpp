#include "OfflineCalibration.h"

#include "compute/CalibWorkspace.h"
#include "compute/PatternCenters.h"
#include "compute/PatternImage.h"
#include "compute/YThreshold.h"

#include <QElapsedTimer>
#include <malloc.h>

namespace {

constexpr int kPatternPositions = 20;
constexpr int kManualTargets = 16;

bool isKnownLens(int lens) {
    return lens >= 1 && lens <= 4;
}

} // namespace

void keepPictureBuffers() {
    constexpr int kLargest = 256 << 20;
    mallopt(M_MMAP_THRESHOLD, kLargest);
    mallopt(M_TRIM_THRESHOLD, 2 * kLargest);
}

OfflineResult runOfflineCalibration(const cv::Mat& black, const cv::Mat& white,
                                    const cv::Mat& pattern, const OfflineOptions& options) {
    OfflineResult result;
    result.windowPoints = targetPoints(options.windowWidth, options.windowHeight, true);
    std::array<cv::Point2f, kCalibPointCapacity> windowPoints{};
    for (int i = 0; i < kCalibPointCapacity; ++i)
        windowPoints[i] = {result.windowPoints[i].x, result.windowPoints[i].y};

    QElapsedTimer timer;
    timer.start();
    makePatternImage(black, white, pattern, result.patternImage);

    CalibWorkspace& ws = calibWorkspace();
    const bool known = isKnownLens(options.lens);
    ws.setPointCounts(known ? kPatternPositions : 0, known ? kManualTargets : 0);
    ws.clearAllResults();

    CalibWorkspace::CalibInformation info;
    info.windowPoints = windowPoints.data();
    info.pointCount = ws.nAC();
    info.acCeiling = options.ceiling;
    info.acRear = options.rear;
    info.windowWidth = static_cast<int16_t>(options.windowWidth);
    info.windowHeight = static_cast<int16_t>(options.windowHeight);
    info.lensType = options.lens;
    info.tweakCount = static_cast<int>(options.tweaks.size());
    info.tweaks = options.tweaks.empty() ? nullptr : options.tweaks.data();
    info.fwLower = options.fwLower;
    info.penType = options.pen;
    ws.setCalibInformation(info);

    AC_FindPatternCenter(ws, result.patternImage);
    result.tp.fill(0.0);
    if (options.semi)
        ws.SC_CallCalcCalibParameter(true, result.tp);
    else
        ws.AC_CallCalcCalibParameter(result.tp);
    result.fitMs = timer.nsecsElapsed() / 1e6;

    result.success = ws.calib_success == 1;
    if (result.success)
        result.yThreshold = calcYThreshold(result.tp, options.windowWidth, options.windowHeight);
    result.elapsedMs = timer.nsecsElapsed() / 1e6;

    result.loop = ws.ac_loop;
    result.sse = ws.ac_sse;
    result.nAC = ws.nAC();
    result.org = ws.ac_pattern_center_org;
    result.twk = ws.ac_pattern_center_twk;
    return result;
}
