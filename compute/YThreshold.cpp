#include "compute/YThreshold.h"

#include "log/LogCategories.h"

#include <QDebug>
#include <opencv2/core/hal/intrin.hpp>

namespace {

constexpr int kCameraWidth = 1280;
constexpr int kCameraHeight = 720;

#if CV_SIMD128_64F
// Two pixels at a time. Every operation is the one of mapPoint, in the same order, and SIMD
// arithmetic rounds exactly as scalar arithmetic does, so each pixel maps bit for bit alike.
bool rowHasPixelInBand(const ProjectionParams& p, int y, double width, double limit) {
    using V = cv::v_float64x2;
    const V cx = cv::v_setall_f64(p[8]);
    const V cy = cv::v_setall_f64(p[9]);
    const V dy = cv::v_setall_f64(y - p[9]);
    const V one = cv::v_setall_f64(1.0);
    const V zero = cv::v_setzero_f64();
    const V vWidth = cv::v_setall_f64(width);
    const V vLimit = cv::v_setall_f64(limit);
    const V step = cv::v_setall_f64(2.0);
    V x(0.0, 1.0);
    V hits = zero;
    for (int i = 0; i < kCameraWidth; i += 2, x += step) {
        const V dx = x - cx;
        const V r2 = dx * dx + dy * dy;
        const V r4 = r2 * r2;
        const V r6 = r4 * r2;
        const V f = one + cv::v_setall_f64(p[10]) * r2 + cv::v_setall_f64(p[11]) * r4 +
                    cv::v_setall_f64(p[12]) * r6;
        const V xu = cx + f * dx;
        const V yu = cy + f * dy;
        const V w = cv::v_setall_f64(p[6]) * xu + cv::v_setall_f64(p[7]) * yu + one;
        const V wx =
            (cv::v_setall_f64(p[0]) * xu + cv::v_setall_f64(p[1]) * yu + cv::v_setall_f64(p[2])) /
            w;
        const V wy =
            (cv::v_setall_f64(p[3]) * xu + cv::v_setall_f64(p[4]) * yu + cv::v_setall_f64(p[5])) /
            w;
        hits = hits | ((wx >= zero) & (wy >= zero) & (wy < vLimit) & (wx < vWidth));
    }
    return cv::v_check_any(hits);
}
#else
bool rowHasPixelInBand(const ProjectionParams& p, int y, double width, double limit) {
    for (int x = 0; x < kCameraWidth; ++x) {
        const cv::Point2d w = mapPoint(p, x, y);
        if (w.x >= 0 && w.y >= 0 && w.y < limit && w.x < width)
            return true;
    }
    return false;
}
#endif

} // namespace

int calcYThreshold(const ProjectionParams& tp, int windowWidth, int windowHeight) {
    const double limit = windowHeight * 30 / 100.0;
    // The answer is the largest qualifying row, so the scan runs upwards from the bottom row and
    // stops at the first row with a pixel in the band.
    int row = -1;
    for (int y = kCameraHeight - 1; y >= 0 && row < 0; --y) {
        if (rowHasPixelInBand(tp, y, windowWidth, limit))
            row = y;
    }
    qCDebug(lcCompute) << "calcYThreshold():" << limit << "->" << row;
    return row;
}

int calcYThresholdFullScan(const ProjectionParams& tp, int windowWidth, int windowHeight) {
    const double limit = windowHeight * 30 / 100.0;
    int row = -1;
    for (int y = 0; y < kCameraHeight; ++y)
        for (int x = 0; x < kCameraWidth; ++x) {
            const cv::Point2d w = mapPoint(tp, x, y);
            if (w.x >= 0 && y > row && w.y >= 0 && w.y < limit && w.x < windowWidth)
                row = y;
        }
    return row;
}
