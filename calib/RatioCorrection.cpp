#include "calib/RatioCorrection.h"

#include "log/LogCategories.h"

#include <QDebug>
#include <cmath>

namespace {

constexpr double kGridX = 4800.0;
constexpr double kGridY = 3000.0;
constexpr double kExpectedX = 3800.0 - 1000.0;
constexpr double kExpectedY = 2000.0 - 1000.0;
constexpr double kTolerance = 0.005;

} // namespace

RatioCorrection computeRatioCorrection(const QPoint touched[2], int w, int h) {
    double px[2], py[2];
    for (int i = 0; i < 2; ++i) {
        px[i] = double(touched[i].x()) / w * kGridX;
        py[i] = double(touched[i].y()) / h * kGridY;
        qCDebug(lcCalib) << "probe" << i << px[i] << py[i];
    }
    const double dx = px[1] - px[0];
    const double dy = py[1] - py[0];
    qCDebug(lcCalib) << "diff:" << dx << dy;
    const double tx = kExpectedX * kTolerance;
    const double ty = kExpectedY * kTolerance;
    qCDebug(lcCalib) << "th:" << tx << ty;

    bool overX = std::abs(dx - kExpectedX) > tx;
    bool overY = std::abs(dy - kExpectedY) > ty;
    if (overX && overY) {
        const double rx = dx / kExpectedX;
        const double ry = dy / kExpectedY;
        qCDebug(lcCalib) << "diffRatio:" << rx << ry;
        if (rx > ry)
            overY = false;
        else
            overX = false;
    }

    RatioCorrection correction;
    const double aspect = double(w) / h;
    if (overX) {
        correction = {1, aspect / kExpectedX * dx};
    } else if (overY) {
        correction = {2, aspect * kExpectedY / dy};
    }
    // A window of no size or touches on one row would send an infinite ratio to the module.
    if (!std::isfinite(correction.value))
        correction = {};
    return correction;
}
