#include "compute/CalcCalibParameter.h"

#include "compute/ProjectionFit.h"
#include "log/LogCategories.h"

#include <QDebug>
#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {

constexpr double kLowStartCy = 480.0;

ProjectionParams startVector(const CalibFitInput& in, int mode) {
    ProjectionParams v = neutralProjection();
    if (mode <= 1) {
        v[9] = kLowStartCy;
    } else if (in.withLens) {
        getLensPreset(in.lensType, in.fwLower, v);
        if (mode >= 4)
            std::copy_n(in.seed.begin(), 8, v.begin());
    }
    return v;
}

} // namespace

CalibFitResult CalcCalibParameter(const CalibFitInput& in) {
    const int count = std::clamp(in.count, 0, ProjectionFit::kCapacity);
    ProjectionFit fit;
    fit.setPairs(in.camPoints, in.winPoints, count);
    for (int i = 0; i < count; ++i)
        qCDebug(lcCompute, "No. %2d: CAM x: %11.6f CAM y: %11.6f WIN x: %11.6f WIN y: %11.6f", i,
                in.camPoints[i].x, in.camPoints[i].y, in.winPoints[i].x, in.winPoints[i].y);

    const int modeCount = in.withLens ? 6 : 2;
    std::array<CalibFitResult, 6> modes;
    double minSse = DBL_MAX;
    int minMode = -1;
    for (int m = 0; m < modeCount; ++m) {
        fit.CalibrationMain(m, startVector(in, m));
        modes[m] = {fit.params(), fit.loopCount(), fit.sse(), m};
        if (modes[m].sse < minSse) {
            minSse = modes[m].sse;
            minMode = m;
        }
    }
    for (int m = 0; m < modeCount; ++m)
        qCDebug(lcCompute) << "mode =" << m << modes[m].loopCount << modes[m].sse;
    qCDebug(lcCompute) << "min_sse =" << minSse << "min_sse_mode =" << minMode;

    // A fit that diverged to a non-finite SSE never wins; if none is finite, mode 0 stands in
    // and its SSE keeps the result from counting as a success.
    return modes[std::max(minMode, 0)];
}
