#include "calib/display/KqUtils.h"

#include "log/LogCategories.h"

#include <QDebug>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <utility>

namespace {

KqUtils::ScreenSource& screenSource() {
    static KqUtils::ScreenSource source;
    return source;
}

QString& chosenName() {
    static QString name;
    return name;
}

QVector<ScreenDesc> toolkitScreens() {
    QVector<ScreenDesc> list;
    for (const QScreen* s : QGuiApplication::screens())
        list.append({s->geometry(), s->logicalDotsPerInch(), s->availableGeometry(), s->name(),
                     s->physicalSize()});
    return list;
}

double dpiRatioIn(const QVector<ScreenDesc>& list, const QRect& r) {
    for (const ScreenDesc& s : list) {
        const QRect& g = s.geometry;
        if (g.left() == r.left() && g.top() == r.top() && g.right() == r.right() &&
            g.bottom() == r.bottom())
            // The toolkit's own scaling (QT_SCALE_FACTOR, QT_SCREEN_SCALE_FACTORS) already
            // enlarges every design coordinate and reports the dots per inch divided by it;
            // a factor below 1 would undo that scaling.
            return std::max(1.0, s.logicalDpi / 96.0);
    }
    return 1.0;
}

// The chosen monitor when it is there, else the leftmost; null without monitors.
ScreenDesc calibrationScreenDesc() {
    const QVector<ScreenDesc> list = KqUtils::screensLeftToRight();
    const QString& name = chosenName();
    if (!name.isEmpty()) {
        for (const ScreenDesc& s : list) {
            if (s.name == name)
                return s;
        }
    }
    return list.isEmpty() ? ScreenDesc() : list.first();
}

} // namespace

QVector<ScreenDesc> KqUtils::screens() {
    const ScreenSource& source = screenSource();
    return source ? source() : toolkitScreens();
}

void KqUtils::setScreenSource(ScreenSource source) {
    screenSource() = std::move(source);
}

QVector<ScreenDesc> KqUtils::screensLeftToRight() {
    QVector<ScreenDesc> list = screens();
    std::stable_sort(list.begin(), list.end(), [](const ScreenDesc& a, const ScreenDesc& b) {
        return a.geometry.left() < b.geometry.left();
    });
    return list;
}

QRect KqUtils::leftmostScreen() {
    const QVector<ScreenDesc> list = screensLeftToRight();
    return list.isEmpty() ? QRect() : list.first().geometry;
}

void KqUtils::setCalibrationScreen(const QString& name) {
    chosenName() = name;
}

QString KqUtils::calibrationScreenName() {
    return chosenName();
}

QRect KqUtils::calibrationScreen() {
    return calibrationScreenDesc().geometry;
}

QString KqUtils::calibrationOutput() {
    return calibrationScreenDesc().name;
}

double KqUtils::dpiRatioOf(const QRect& r) {
    return dpiRatioIn(screens(), r);
}

void KqUtils::getWindowRect(QRect out[2]) {
    const QVector<ScreenDesc> list = screens();
    const int n = list.size();
    QVector<QRect> rects(std::max(n, 2));
    qCDebug(lcCalib) << "KqUtils::getWindowRect() - nNumberOfDisplays =" << n;

    for (int slot = 0; slot < n; ++slot) {
        rects[slot] = list[slot].geometry;
        qCDebug(lcCalib) << "KqUtils::getWindowRect() - monitor" << slot << rects[slot];
    }
    for (int slot = 0; slot < n; ++slot)
        qCDebug(lcCalib) << "getWindowRect():" << slot << rects[slot]
                         << dpiRatioIn(list, rects[slot]);

    // Kept an exchange sort so that monitors sharing a left edge come out in the order
    // callers have always seen.
    for (int i = 0; i < n - 1; ++i) {
        for (int j = i + 1; j < n; ++j) {
            if (rects[j].left() < rects[i].left())
                std::swap(rects[i], rects[j]);
        }
    }
    out[0] = rects[0];
    out[1] = rects[1];
}
