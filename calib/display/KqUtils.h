#pragma once

#include <QRect>
#include <QVector>
#include <functional>

// One monitor: its geometry with inclusive corners (QRect's own convention, right() =
// left + width - 1) and its logical dots per inch.
struct ScreenDesc {
    // available: what windows may cover (the taskbar excluded); null means the whole
    // geometry.
    ScreenDesc(const QRect& geometry = QRect(), double logicalDpi = 96.0,
               const QRect& available = QRect())
        : geometry(geometry), logicalDpi(logicalDpi), available(available) {}

    QRect geometry;
    double logicalDpi;
    QRect available;

    QRect availableOrWhole() const { return available.isNull() ? geometry : available; }
};

// Where the monitors are. Callers rely on the rectangles coming ordered by left edge, so the
// calibration window always opens on the leftmost monitor.
class KqUtils {
public:
    // out[0]: the leftmost monitor; out[1]: the next one to the right, or the null rectangle
    // when there is only one.
    static void getWindowRect(QRect out[2]);

    // The leftmost monitor, the first listed among those sharing its left edge, as out[0] of
    // getWindowRect; the null rectangle without monitors. Logs nothing, so that it may be
    // asked often.
    static QRect leftmostScreen();

    // Logical dots per inch of the screen whose geometry equals r, divided by 96; 1.0 when no
    // screen matches.
    static double dpiRatioOf(const QRect& r);

    // The monitors in the order the toolkit lists them, the primary first.
    static QVector<ScreenDesc> screens();

    // Replaces the toolkit's screen list, so that tests can describe any monitor layout.
    // An empty function restores the toolkit's list.
    using ScreenSource = std::function<QVector<ScreenDesc>()>;
    static void setScreenSource(ScreenSource source);
};
