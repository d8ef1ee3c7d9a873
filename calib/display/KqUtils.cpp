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

QVector<ScreenDesc> toolkitScreens() {
    QVector<ScreenDesc> list;
    for (const QScreen* s : QGuiApplication::screens())
        list.append({s->geometry(), s->logicalDotsPerInch(), s->availableGeometry()});
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

} // namespace

QVector<ScreenDesc> KqUtils::screens() {
    const ScreenSource& source = screenSource();
    return source ? source() : toolkitScreens();
}

void KqUtils::setScreenSource(ScreenSource source) {
    screenSource() = std::move(source);
}

QRect KqUtils::leftmostScreen() {
    const QVector<ScreenDesc> list = screens();
    const auto leftmost =
        std::min_element(list.begin(), list.end(), [](const ScreenDesc& a, const ScreenDesc& b) {
            return a.geometry.left() < b.geometry.left();
        });
    return leftmost == list.end() ? QRect() : leftmost->geometry;
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
