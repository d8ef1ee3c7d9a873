#include "calib/AccuracyCheck.h"

#include <QJsonArray>
#include <algorithm>
#include <cmath>

namespace {

// A monitor or projection reported smaller than a postcard or larger than a cinema screen is
// a placeholder (many projectors report 0, some 1 x 1 cm or 160 x 90 cm for everything).
constexpr double kMinScreenMm = 100.0;
constexpr double kMaxScreenMm = 20000.0;
// Square pixels: the two axes of a plausible report differ by less than this factor.
constexpr double kMaxPixelAspect = 1.5;

QJsonArray pair(const QPointF& p) {
    return QJsonArray{p.x(), p.y()};
}

double rounded(double v) {
    return std::round(v * 100.0) / 100.0;
}

} // namespace

AccuracyCheck::AccuracyCheck(const QRect& screen, const QSizeF& physicalMm, double thresholdPx)
    : m_screen(screen), m_physicalMm(physicalMm), m_thresholdPx(thresholdPx) {
    const double wMm = physicalMm.width();
    const double hMm = physicalMm.height();
    const bool plausible = std::isfinite(wMm) && std::isfinite(hMm) && wMm >= kMinScreenMm &&
                           hMm >= kMinScreenMm && wMm <= kMaxScreenMm && hMm <= kMaxScreenMm &&
                           screen.width() > 0 && screen.height() > 0;
    if (!plausible)
        return;
    const double x = wMm / screen.width();
    const double y = hMm / screen.height();
    if (std::max(x, y) / std::min(x, y) >= kMaxPixelAspect)
        return;
    m_mmPerPxX = x;
    m_mmPerPxY = y;
}

void AccuracyCheck::add(const QPointF& target, const QPointF& touch, bool pen) {
    const QPointF d = touch - target;
    m_touches.append({target, touch, std::hypot(d.x(), d.y()), pen});
}

void AccuracyCheck::markUntouched(int target, int targets, int waitSeconds) {
    m_nUntouched = target;
    m_nTargets = targets;
    m_nWaitSeconds = waitSeconds;
}

int AccuracyCheck::mouseClicks() const {
    return int(
        std::count_if(m_touches.begin(), m_touches.end(), [](const Touch& t) { return !t.pen; }));
}

double AccuracyCheck::meanPx() const {
    if (m_touches.isEmpty())
        return 0.0;
    double sum = 0.0;
    for (const Touch& t : m_touches)
        sum += t.errorPx;
    return sum / m_touches.size();
}

int AccuracyCheck::worstIndex() const {
    int worst = -1;
    for (int i = 0; i < m_touches.size(); ++i) {
        if (worst < 0 || m_touches[i].errorPx > m_touches[worst].errorPx)
            worst = i;
    }
    return worst;
}

double AccuracyCheck::worstPx() const {
    const int worst = worstIndex();
    return worst < 0 ? 0.0 : m_touches[worst].errorPx;
}

bool AccuracyCheck::passed() const {
    return !m_touches.isEmpty() && isPenCheck() && m_nUntouched == 0 && worstPx() <= m_thresholdPx;
}

double AccuracyCheck::errorMm(int index) const {
    if (!knowsMillimetres() || index < 0 || index >= m_touches.size())
        return 0.0;
    const QPointF d = m_touches[index].touch - m_touches[index].target;
    return std::hypot(d.x() * m_mmPerPxX, d.y() * m_mmPerPxY);
}

double AccuracyCheck::meanMm() const {
    if (m_touches.isEmpty())
        return 0.0;
    double sum = 0.0;
    for (int i = 0; i < m_touches.size(); ++i)
        sum += errorMm(i);
    return sum / m_touches.size();
}

double AccuracyCheck::worstMm() const {
    return errorMm(worstIndex());
}

QString AccuracyCheck::summaryLine() const {
    const auto px = [](double v) { return QString::number(v, 'f', 2) + QStringLiteral(" px"); };
    const auto mm = [this](double v) {
        return knowsMillimetres() ? QStringLiteral(" (%1 mm)").arg(v, 0, 'f', 2) : QString();
    };
    QString verdict = passed() ? QStringLiteral("passed") : QStringLiteral("failed");
    if (!isPenCheck())
        verdict += QStringLiteral(" (not a pen check: %1 of %2 touches were mouse clicks)")
                       .arg(mouseClicks())
                       .arg(count());
    if (m_nUntouched > 0)
        verdict += QStringLiteral(" (target %1 of %2 not touched within %3 s)")
                       .arg(m_nUntouched)
                       .arg(m_nTargets)
                       .arg(m_nWaitSeconds);
    return QStringLiteral("mean %1%2, worst %3%4 at target %5 of %6: %7, threshold %8 px")
        .arg(px(meanPx()), mm(meanMm()), px(worstPx()), mm(worstMm()))
        .arg(worstIndex() + 1)
        .arg(count())
        .arg(verdict)
        .arg(m_thresholdPx);
}

QJsonObject AccuracyCheck::toJson(const QDateTime& time) const {
    QJsonArray targets;
    for (int i = 0; i < m_touches.size(); ++i) {
        QJsonObject t{{QStringLiteral("target"), pair(m_touches[i].target)},
                      {QStringLiteral("touch"), pair(m_touches[i].touch)},
                      {QStringLiteral("error_px"), rounded(m_touches[i].errorPx)},
                      {QStringLiteral("input"),
                       m_touches[i].pen ? QStringLiteral("pen") : QStringLiteral("mouse")}};
        if (knowsMillimetres())
            t.insert(QStringLiteral("error_mm"), rounded(errorMm(i)));
        targets.append(t);
    }
    QJsonObject screen{{QStringLiteral("x"), m_screen.x()},
                       {QStringLiteral("y"), m_screen.y()},
                       {QStringLiteral("width"), m_screen.width()},
                       {QStringLiteral("height"), m_screen.height()}};
    if (knowsMillimetres()) {
        screen.insert(QStringLiteral("width_mm"), m_physicalMm.width());
        screen.insert(QStringLiteral("height_mm"), m_physicalMm.height());
    }
    QJsonObject o{{QStringLiteral("time"), time.toUTC().toString(Qt::ISODate)},
                  {QStringLiteral("threshold_px"), m_thresholdPx},
                  {QStringLiteral("passed"), passed()},
                  {QStringLiteral("pen_check"), isPenCheck()},
                  {QStringLiteral("mouse_clicks"), mouseClicks()},
                  {QStringLiteral("mean_px"), rounded(meanPx())},
                  {QStringLiteral("worst_px"), rounded(worstPx())},
                  {QStringLiteral("worst_target"), worstIndex() + 1},
                  {QStringLiteral("screen"), screen},
                  {QStringLiteral("targets"), targets}};
    if (m_nUntouched > 0)
        o.insert(QStringLiteral("untouched_target"), m_nUntouched);
    if (knowsMillimetres()) {
        o.insert(QStringLiteral("mean_mm"), rounded(meanMm()));
        o.insert(QStringLiteral("worst_mm"), rounded(worstMm()));
    }
    return o;
}
