#include "StrokeSmoother.h"

#include <QLineF>
#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr double kT = 0.9;

std::array<double, StrokeSmoother::kWindow> bezierWeights() {
    std::array<double, StrokeSmoother::kWindow> w{};
    const int degree = StrokeSmoother::kWindow - 1;
    double binomial = 1.0;
    for (int i = 0; i <= degree; ++i) {
        w[i] = binomial * std::pow(kT, i) * std::pow(1.0 - kT, degree - i);
        binomial = binomial * (degree - i) / (i + 1);
    }
    return w;
}

} // namespace

double StrokeSmoother::weight(int i) {
    static const std::array<double, kWindow> weights = bezierWeights();
    return (i >= 0 && i < kWindow) ? weights[i] : 0.0;
}

void StrokeSmoother::reset(const QPoint& p) {
    std::fill(std::begin(m_window), std::end(m_window), p);
    m_smoothed[0] = m_smoothed[1] = QPointF(p);
}

const QVector<QPointF>& StrokeSmoother::feed(const QPoint& q) {
    m_window[kWindow - 1] = q;

    QPointF s(0.0, 0.0);
    for (int i = 0; i < kWindow; ++i)
        s += weight(i) * QPointF(m_window[i]);

    // The quadratic through p0, p1 and s that passes p1 at t = 0.5; only its second half,
    // from p1 towards s, is new.
    const QPointF p0 = m_smoothed[0];
    const QPointF p1 = m_smoothed[1];
    const QPointF c = 2.0 * p1 - (p0 + s) / 2.0;
    const double distance = std::min(QLineF(p1, s).length(), static_cast<double>(kMaxSteps));
    const int n = std::max(1, static_cast<int>(std::lround(distance)));
    m_output.clear();
    for (int i = n / 2; i < n; ++i) {
        const double t = static_cast<double>(i) / n;
        const double u = 1.0 - t;
        m_output.append(u * u * p0 + 2.0 * t * u * c + t * t * s);
    }

    std::copy(std::begin(m_window) + 1, std::end(m_window), std::begin(m_window));
    m_smoothed[0] = p1;
    m_smoothed[1] = s;
    return m_output;
}
