#include "compute/ProjectionFit.h"

#include "log/LogCategories.h"

#include <QDebug>
#include <QElapsedTimer>
#include <algorithm>
#include <opencv2/core.hpp>

namespace {
constexpr double kStartLambda = 0.001;
constexpr double kMaxLambda = 10000000.0;
constexpr double kGoodEnoughSse = 16.0;
constexpr qint64 kTimeoutMs = 2000;
constexpr int kMaxLoops = 4096;

// Rounds to single precision through memory. GCC 12.2 at -O2 vectorises a pair of
// double-float-double round trips and drops the rounding; a volatile store keeps it.
double toSingle(double v) {
    volatile float f = static_cast<float>(v);
    return f;
}
} // namespace

void ProjectionFit::setPairs(const cv::Point2d* camPoints, const cv::Point2d* winPoints,
                             int count) {
    m_nPairCount = std::clamp(count, 0, kCapacity);
    std::copy_n(camPoints, m_nPairCount, m_camPoints.begin());
    std::copy_n(winPoints, m_nPairCount, m_winPoints.begin());
}

void ProjectionFit::CalibrationMain(int mode, const ProjectionParams& start) {
    qCDebug(lcCompute) << "CalibrationMain()" << mode;
    CalibrationWide(mode, start);
}

double ProjectionFit::projectPairs() {
    double sse = 0.0;
    for (int i = 0; i < m_nPairCount; ++i) {
        const cv::Point2d u = ::undistortPoint(m_tp, m_camPoints[i].x, m_camPoints[i].y);
        // The fit sees the undistorted points in single precision.
        const double xu = toSingle(u.x);
        const double yu = toSingle(u.y);
        m_undistorted[i] = {xu, yu};
        m_predicted[i] = applyPerspective(m_tp, xu, yu);
        const double ex = m_winPoints[i].x - m_predicted[i].x;
        const double ey = m_winPoints[i].y - m_predicted[i].y;
        sse += ex * ex + ey * ey;
    }
    return sse;
}

void ProjectionFit::buildNormalEquations(int mode) {
    const ProjectionParams& p = m_tp;
    const bool targetVariant = mode % 2 == 1;
    m_normal = Normal::zeros();
    m_gradient = Row::zeros();
    for (int i = 0; i < m_nPairCount; ++i) {
        const double xu = m_undistorted[i].x;
        const double yu = m_undistorted[i].y;
        const double xt = m_winPoints[i].x;
        const double yt = m_winPoints[i].y;
        const double w = p[6] * xu + p[7] * yu + 1.0;
        const double nx = p[0] * xu + p[1] * yu + p[2];
        const double ny = p[3] * xu + p[4] * yu + p[5];

        m_jx = Row::zeros();
        m_jy = Row::zeros();
        m_jx[0] = (targetVariant ? xt : xu) / w;
        m_jx[1] = (targetVariant ? yt : yu) / w;
        m_jx[2] = 1.0 / w;
        m_jy[3] = xu / w;
        m_jy[4] = yu / w;
        m_jy[5] = 1.0 / w;
        m_jx[6] = -xt * xu / w;
        m_jx[7] = -xt * yu / w;
        m_jy[6] = -yt * xu / w;
        m_jy[7] = -yt * yu / w;

        // Distortion entries: chain rule through the undistorted point of the measured point.
        const double dx = m_camPoints[i].x - p[8];
        const double dy = m_camPoints[i].y - p[9];
        const double r2 = dx * dx + dy * dy;
        const double r4 = r2 * r2;
        const double r6 = r4 * r2;
        const double f = 1.0 + p[10] * r2 + p[11] * r4 + p[12] * r6;
        const double k = p[10] + 2.0 * p[11] * r2 + 3.0 * p[12] * r4;
        const double dxuDp[5] = {1.0 - f - 2.0 * k * dx * dx, -2.0 * k * dx * dy, dx * r2, dx * r4,
                                 dx * r6};
        const double dyuDp[5] = {-2.0 * k * dx * dy, 1.0 - f - 2.0 * k * dy * dy, dy * r2, dy * r4,
                                 dy * r6};
        const double w2 = w * w;
        const double dXdxu = (p[0] * w - p[6] * nx) / w2;
        const double dXdyu = (p[1] * w - p[7] * nx) / w2;
        const double dYdxu = (p[3] * w - p[6] * ny) / w2;
        const double dYdyu = (p[4] * w - p[7] * ny) / w2;
        for (int j = 0; j < 5; ++j) {
            m_jx[8 + j] = dXdxu * dxuDp[j] + dXdyu * dyuDp[j];
            m_jy[8 + j] = dYdxu * dxuDp[j] + dYdyu * dyuDp[j];
        }

        m_normal += m_jx * m_jx.t() + m_jy * m_jy.t();
        m_gradient -= m_jx * (m_predicted[i].x - xt) + m_jy * (m_predicted[i].y - yt);
    }
}

double ProjectionFit::dampedStep() {
    Normal damped = m_normal;
    for (int j = 0; j < kProjectionParamCount; ++j)
        damped(j, j) += m_dLambda;
    const Row delta = damped.inv(cv::DECOMP_LU) * m_gradient;
    for (int j = 0; j < kProjectionParamCount; ++j)
        m_tp[j] += delta[j];
    return projectPairs();
}

void ProjectionFit::CalibrationWide(int mode, const ProjectionParams& start) {
    m_tp = start;
    m_dLambda = kStartLambda;
    m_dSse = projectPairs();
    qCDebug(lcCompute, "sse = %lf", m_dSse);
    QElapsedTimer timer;
    timer.start();
    m_nLoopCount = 0;
    bool rejected = false;

    bool finished = false;
    while (!finished && (m_dSse > kGoodEnoughSse || m_dLambda < kMaxLambda)) {
        const double prev = m_dSse;
        buildNormalEquations(mode);
        m_dSse = dampedStep();
        qCDebug(lcCompute, "sse = %lf", m_dSse);
        for (;;) {
            const qint64 elapsed = timer.elapsed();
            if (elapsed > kTimeoutMs) {
                qCDebug(lcCompute, "timeout: %d", static_cast<int>(elapsed));
                finished = true;
                break;
            }
            if (m_dSse < prev) {
                if (rejected) {
                    m_dLambda /= 10.0;
                    rejected = false;
                } else {
                    m_dLambda = kStartLambda;
                }
                qCDebug(lcCompute, "loop = %d, sse = %lf", m_nLoopCount, m_dSse);
                ++m_nLoopCount;
                finished = m_nLoopCount > kMaxLoops;
                break;
            }
            // A rejected step is kept: the next, more damped step starts from its parameters.
            m_dLambda *= 10.0;
            buildNormalEquations(mode);
            m_dSse = dampedStep();
            qCDebug(lcCompute, "delta_sse <= sse: sse = %lf", m_dSse);
            rejected = true;
            if (m_dLambda > kMaxLambda) {
                finished = true;
                break;
            }
        }
    }
    logResult(mode);
}

void ProjectionFit::logResult(int mode) const {
    qCDebug(lcCompute) << "mode =" << mode << ":" << m_nLoopCount << m_dSse;
    qCDebug(lcCompute, "CalibrationWide()");
    qCDebug(lcCompute, "m_tp =");
    qCDebug(lcCompute, "%e, %e, %e", m_tp[0], m_tp[1], m_tp[2]);
    qCDebug(lcCompute, "%e, %e, %e", m_tp[3], m_tp[4], m_tp[5]);
    qCDebug(lcCompute, "%e, %e", m_tp[6], m_tp[7]);
    qCDebug(lcCompute, "%e, %e", m_tp[8], m_tp[9]);
    qCDebug(lcCompute, "%e, %e, %e", m_tp[10], m_tp[11], m_tp[12]);
    for (int j = 0; j < kProjectionParamCount; ++j)
        qCDebug(lcCompute, "        m_tp[%2d] = %e;", j, m_tp[j]);
}
