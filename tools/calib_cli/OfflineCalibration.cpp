#include "OfflineCalibration.h"

#include "compute/AutoCalibration.h"
#include "compute/YThreshold.h"

#include <QElapsedTimer>
#include <malloc.h>

void keepPictureBuffers() {
    constexpr int kLargest = 256 << 20;
    mallopt(M_MMAP_THRESHOLD, kLargest);
    mallopt(M_TRIM_THRESHOLD, 2 * kLargest);
}

OfflineResult runOfflineCalibration(const cv::Mat& black, const cv::Mat& white,
                                    const cv::Mat& pattern, const OfflineOptions& options) {
    OfflineResult result;
    result.windowPoints = targetPoints(options.windowWidth, options.windowHeight, true);
    AutoCalibrationInput input;
    input.windowWidth = options.windowWidth;
    input.windowHeight = options.windowHeight;
    for (int i = 0; i < kCalibPointCapacity; ++i)
        input.windowPoints[size_t(i)] = {result.windowPoints[size_t(i)].x,
                                         result.windowPoints[size_t(i)].y};
    const PointCounts counts = pointCountsForLens(options.lens);
    input.patternCount = counts.pattern;
    input.manualCount = counts.manual;
    input.lens = options.lens;
    input.fwLower = options.fwLower;
    input.pen = options.pen;
    input.ceiling = options.ceiling;
    input.rear = options.rear;
    input.semi = options.semi;
    input.tweaks = options.tweaks;

    QElapsedTimer timer;
    timer.start();
    CalibWorkspace& ws = calibWorkspace();
    const AutoCalibrationResult computed =
        runAutoCalibration(ws, black, white, pattern, result.patternImage, input);
    result.fitMs = timer.nsecsElapsed() / 1e6;
    result.success = computed.success;
    result.failure = computed.failure;
    result.marksFound = computed.marksFound;
    result.tp = computed.tp;
    if (result.success)
        result.yThreshold = calcYThreshold(result.tp, options.windowWidth, options.windowHeight);
    result.elapsedMs = timer.nsecsElapsed() / 1e6;

    result.loop = computed.loop;
    result.sse = computed.sse;
    result.nAC = ws.nAC();
    result.org = ws.ac_pattern_center_org;
    result.twk = ws.ac_pattern_center_twk;
    return result;
}
