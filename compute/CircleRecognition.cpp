#include "compute/CircleRecognition.h"

#include "compute/CenterMath.h"
#include "compute/CurrentEstimators.h"
#include "compute/RegionContours.h"
#include "compute/TargetLayout.h"
#include "compute/ThresholdCandidates.h"
#include "compute/ThresholdSweep.h"
#include "log/LogCategories.h"

#include <QDebug>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr int kMinBoxWidth = 24;
constexpr int kMaxBoxSize = 160;
constexpr int kNormalMinBoxHeight = 24;
constexpr int kUltraShortMinBoxHeight = 20;
constexpr double kMinContourArea = 200.0;
constexpr double kMaxContourArea = 20000.0;
constexpr double kMaxPositionDistance = 50.0;
constexpr int kUltraShortThrowLens = 3;
constexpr qint64 kBudgetMs = 5000;

struct CircleRunState {
    bool limitsSet = false;
    CircleAcceptanceLimits limits;
    int minBoxHeight = kNormalMinBoxHeight;
};

CircleRunState& runState() {
    static CircleRunState state;
    return state;
}

CircleAcceptanceLimits limitsFor(int diameterNormal) {
    const double d = diameterNormal;
    const double area = kPi * (d / 2) * (d / 2);
    return {0.95 * d, 1.15 * d, 0.9 * area, 1.1 * area};
}

bool passesCameraTest(const cv::Rect& box, double area, int minBoxHeight) {
    return box.width >= kMinBoxWidth && box.width <= kMaxBoxSize && box.height >= minBoxHeight &&
           box.height <= kMaxBoxSize && area >= kMinContourArea && area <= kMaxContourArea;
}

bool withinLimits(const CircleAcceptanceLimits& l, const cv::Rect& box, double area) {
    return box.width >= l.minSize && box.width <= l.maxSize && box.height >= l.minSize &&
           box.height <= l.maxSize && area >= l.minArea && area <= l.maxArea;
}

// The first disc position near the mapped centre. On an ultra-short-throw lens only the top
// row's inner discs, which the camera sees smallest, may be credited with a low contour.
int creditedPosition(const PatternGeometry& g, const cv::Point2d& s, int boxHeight) {
    for (int j = 0; j < g.nAC; ++j) {
        if (isMarkerPosition(j))
            continue;
        const bool heightOk = g.lensType != kUltraShortThrowLens || (j >= 1 && j <= 3) ||
                              boxHeight >= kNormalMinBoxHeight;
        if (!heightOk)
            continue;
        const cv::Point2d& w = g.windowPoints[j];
        if (std::fabs(s.x - w.x) < kMaxPositionDistance &&
            std::fabs(s.y - w.y) < kMaxPositionDistance)
            return j;
    }
    return -1;
}

using Contours = std::vector<std::vector<cv::Point>>;

void lowerMinBoxHeightFor(const PatternGeometry& geometry) {
    if (geometry.lensType == kUltraShortThrowLens)
        runState().minBoxHeight = kUltraShortMinBoxHeight;
}

// The contours of the picture binarised at thr (above thr: white) that may pass the camera
// test; every contour that can pass is among them, in tracing order.
Contours candidateContours(const cv::Mat& image, int thr) {
    cv::Mat binary;
    cv::threshold(image, binary, thr, 255, cv::THRESH_BINARY);
    Contours contours;
    largeRegionContours(binary, kMinBoxWidth, runState().minBoxHeight, contours);
    return contours;
}

void creditDiscs(int thr, const Contours& contours, const PatternGeometry& geometry,
                 PointLists& centres, PointLists& offsets) {
    qCDebug(lcCompute) << "recogCircularPattern: thr =" << thr;
    const int diameterNormal = 2 * markerSizes(geometry.windowWidth, geometry.windowHeight).big + 1;
    qCDebug(lcCompute) << "diameterNormal =" << diameterNormal;

    CircleRunState& state = runState();
    std::vector<cv::Point> mapped;
    for (const std::vector<cv::Point>& contour : contours) {
        const cv::Rect box = cv::boundingRect(contour);
        if (!passesCameraTest(box, cv::contourArea(contour), state.minBoxHeight))
            continue;

        const cv::Point2d c = contourCentroid(contour);
        const cv::Point2d s = mapCamToScreen(c);
        mapOutline(contour, mapped);
        if (!state.limitsSet) {
            state.limits = limitsFor(diameterNormal);
            state.limitsSet = true;
        }
        if (mapped.empty() ||
            !withinLimits(state.limits, cv::boundingRect(mapped), cv::contourArea(mapped))) {
            qCDebug(lcCompute) << "condition Fail~";
            continue;
        }
        qCDebug(lcCompute) << "condition OK~";

        const int j = creditedPosition(geometry, s, box.height);
        if (j < 0)
            continue;
        const BackProjection b = backProjectPoint(contourCentroid(mapped), c);
        centres[j].push_back(b.point);
        offsets[j].push_back(b.point - c);
    }
}

} // namespace

const CircleAcceptanceLimits* circleAcceptanceLimits() {
    return runState().limitsSet ? &runState().limits : nullptr;
}

int circleMinBoxHeight() {
    return runState().minBoxHeight;
}

void resetCircleRecognitionRun() {
    runState() = CircleRunState();
}

void recogCircularPattern(const cv::Mat& image, int thr, const PatternGeometry& geometry,
                          PointLists& centres, PointLists& offsets) {
    lowerMinBoxHeightFor(geometry);
    creditDiscs(thr, candidateContours(image, thr), geometry, centres, offsets);
}

void findCircleCenters(const cv::Mat& image, const PatternGeometry& geometry, PointTable& centreOut,
                       PointTable& offsetOut) {
    const std::vector<int> candidates = calcThresholdCandidates(image, true);
    PointLists centres;
    PointLists offsets;
    // Tracing is independent per threshold and runs on all cores; crediting runs in threshold
    // order, because the acceptance limits are fixed by the first plausible contour.
    lowerMinBoxHeightFor(geometry);
    const std::vector<Contours> traced = sweepThresholds<Contours>(
        candidates, kBudgetMs, [&](int thr) { return candidateContours(image, thr); });
    for (size_t i = 0; i < traced.size(); ++i)
        creditDiscs(candidates[i], traced[i], geometry, centres, offsets);
    for (int i = 0; i < geometry.nAC && i < kCalibPointCapacity; ++i) {
        centreOut[i] = cv::Point2d(0.0, 0.0);
        offsetOut[i] = cv::Point2d(0.0, 0.0);
        if (centres[i].empty())
            continue;
        centreOut[i] = calcRobustCenter(centres[i]);
        qCDebug(lcCompute) << "ID:" << i << "Center:" << centreOut[i].x << centreOut[i].y;
        offsetOut[i] = calcRobustCenter(offsets[i]);
    }
}
