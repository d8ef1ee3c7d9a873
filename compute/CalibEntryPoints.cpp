#include "compute/CalcCalibParameter.h"
#include "compute/CalibWorkspace.h"
#include "log/LogCategories.h"

#include <QDebug>
#include <algorithm>

namespace {
// A fit counts only when its root-mean-square error stays below 8 window pixels.
constexpr double kMaxSsePerPair = 64.0;
// Automatic calibration tolerates this many pattern positions without a centre.
constexpr int kMaxMissingAutoPoints = 8;
constexpr int kMinSidePoints = 2;
} // namespace

CalibWorkspace::PointPairs
CalibWorkspace::collectPointPairs(const std::array<cv::Point2f, kCalibPointCapacity>& table,
                                  int n) const {
    PointPairs pairs;
    const int limit = std::clamp(n, 0, kCalibPointCapacity);
    for (int i = 0; i < limit; ++i) {
        if (!isValidCamPoint(table[i]))
            continue;
        cv::Point2d& cam = pairs.cam[pairs.count];
        cv::Point2d& win = pairs.win[pairs.count];
        cam = cv::Point2d(table[i]);
        win = windowPoints[i];
        ++pairs.count;
        qCDebug(lcCompute,
                "No. %d CAM Coordi x : %f CAM Coordi y : %f  WIN Coordi x : %f WIN Coordi y : %f",
                i, cam.x, cam.y, win.x, win.y);
        if (n == m_nAC && isSidePosition(i))
            ++pairs.sideCount;
    }
    return pairs;
}

void CalibWorkspace::fitPairs(const PointPairs& pairs, Fit kind, ProjectionParams& tp) {
    CalibFitInput in;
    in.withLens = kind == Fit::WithLens;
    in.seed = ac_homography;
    in.lensType = acLens;
    in.fwLower = m_nFWLower;
    in.count = pairs.count;
    in.camPoints = pairs.cam.data();
    in.winPoints = pairs.win.data();
    const CalibFitResult result = CalcCalibParameter(in);
    tp = result.tp;
    ac_loop = result.loopCount;
    ac_sse = result.sse;
    calib_success = ac_sse < kMaxSsePerPair * pairs.count ? 1 : 0;
}

bool CalibWorkspace::enoughAutoPoints(const PointPairs& pairs) const {
    return pairs.count >= m_nAC - kMaxMissingAutoPoints && pairs.count <= m_nAC &&
           pairs.sideCount >= kMinSidePoints;
}

void CalibWorkspace::AC_CallCalcCalibParameter(ProjectionParams& tp) {
    qCDebug(lcCompute, "AC_CallCalcCalibParameter");
    const PointPairs pairs = collectPointPairs(ac_pattern_center_twk, m_nAC);
    qCDebug(lcCompute) << "nRealCornerCount =" << pairs.count
                       << ", nSidePatternCount =" << pairs.sideCount;
    if (enoughAutoPoints(pairs))
        fitPairs(pairs, Fit::WithLens, tp);
    else
        calib_success = 0;
}

void CalibWorkspace::MC_CallCalcCalibParameter(ProjectionParams& tp) {
    qCDebug(lcCompute, "MC_CallCalcCalibParameter");
    const PointPairs pairs = collectPointPairs(ac_pattern_center_twk, m_nMC);
    if (pairs.count == m_nMC)
        fitPairs(pairs, Fit::TwoModes, tp);
    else
        calib_success = 0;
}

void CalibWorkspace::SC_CallCalcCalibParameter(bool withPatternImage, ProjectionParams& tp) {
    qCDebug(lcCompute, "SC_CallCalcCalibParameter");
    const PointPairs pairs =
        collectPointPairs(withPatternImage ? ac_pattern_center_org : ac_pattern_center_twk, m_nAC);
    if (withPatternImage)
        qCDebug(lcCompute) << "SC_CallCalcCalibParameter -> nRealCornerCount =" << pairs.count
                           << ", nSidePatternCount =" << pairs.sideCount;
    if (pairs.count == m_nAC)
        fitPairs(pairs, withPatternImage ? Fit::WithLens : Fit::TwoModes, tp);
    else
        calib_success = 0;
    qCDebug(lcCompute, "SC_CallCalcCalibParameter - End");
}
