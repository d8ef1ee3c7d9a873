#pragma once

#include <QPoint>
#include <QRect>
#include <QSizeF>
#include <QString>
#include <QVector>
#include <functional>

// One monitor: its geometry with inclusive corners (QRect's own convention, right() =
// left + width - 1), its logical dots per inch and its name as the toolkit reports it (the
// output's name, "HDMI-1" and the like).
struct ScreenDesc {
    // available: what windows may cover (the taskbar excluded); null means the whole
    // geometry.
    ScreenDesc(const QRect& geometry = QRect(), double logicalDpi = 96.0,
               const QRect& available = QRect(), const QString& name = QString(),
               const QSizeF& physicalSize = QSizeF())
        : geometry(geometry), logicalDpi(logicalDpi), available(available), name(name),
          physicalSize(physicalSize) {}

    QRect geometry;
    double logicalDpi;
    QRect available;
    QString name;
    QSizeF physicalSize; // millimetres, as the system reports them; empty when unknown
    // Manufacturer, model and serial number as the toolkit reads them from the monitor;
    // empty when it knows none. The same under X11 and Wayland, where names differ.
    QString identity;

    QRect availableOrWhole() const { return available.isNull() ? geometry : available; }
};

// A monitor as it is remembered between runs, by what identifies it best: its identity, which
// stays when the same desktop is used through Xwayland or natively; its name; its position.
struct ScreenChoice {
    QString name;
    QString identity;
    QPoint position;
    bool hasPosition = false;

    bool isEmpty() const { return name.isEmpty() && identity.isEmpty() && !hasPosition; }
};

// Where the monitors are. Callers rely on the rectangles coming ordered by left edge; the
// calibration window and the alignment view open on the calibration screen, which is the
// leftmost monitor unless another one has been chosen by name.
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
    // The same monitors ordered by left edge, those sharing a left edge in listing order;
    // the order that screen numbers count in.
    static QVector<ScreenDesc> screensLeftToRight();

    // Chooses the calibration screen; an empty choice, or one no monitor matches, means the
    // leftmost monitor. A monitor matches by identity when exactly one has it, else by name,
    // else by position. Set on the user-interface thread.
    static void setCalibrationScreen(const ScreenChoice& choice);
    static QString calibrationScreenName();
    // Whether a connected monitor matches the choice.
    static bool isCalibrationScreenConnected();
    // The chosen monitor when it is there, else the leftmost; null without monitors.
    static ScreenDesc calibrationMonitor();
    // The chosen monitor's geometry when that monitor is there, else leftmostScreen().
    static QRect calibrationScreen();
    // The name of the monitor calibrationScreen() stands for; empty without monitors.
    static QString calibrationOutput();
    // The monitor's number as users count them, from 1 left to right; 0 when it is not there.
    static int numberOf(const ScreenDesc& screen);
    // How a monitor is remembered.
    static ScreenChoice choiceOf(const ScreenDesc& screen);

    // Replaces the toolkit's screen list, so that tests can describe any monitor layout.
    // An empty function restores the toolkit's list.
    using ScreenSource = std::function<QVector<ScreenDesc>()>;
    static void setScreenSource(ScreenSource source);
};
