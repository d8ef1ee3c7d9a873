#include "sim/desktop/DesktopDesk.h"

#include "calib/CalibDlg.h"
#include "display/KqUtils.h"
#include "display/WindowPlacement.h"
#include "log/LogCategories.h"
#include "sim/desktop/DeskSight.h"
#include "sim/desktop/DesktopScene.h"

#include <QApplication>
#include <QDebug>
#include <QKeyEvent>
#include <QPainter>
#include <QTouchDevice>
#include <QTouchEvent>
#include <QWidget>
#include <algorithm>

namespace {

constexpr int kRefreshMs = 100;

bool staysOnTop(const QWidget* w) {
    return w->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

// Visible top-level windows, bottom to top as far as the flags tell.
QList<QWidget*> shownWindows() {
    QList<QWidget*> shown;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && !w->isMinimized())
            shown.append(w);
    }
    std::stable_sort(shown.begin(), shown.end(), [](const QWidget* a, const QWidget* b) {
        return !staysOnTop(a) && staysOnTop(b);
    });
    return shown;
}

CalibDlg* shownCalibDlg() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* dlg = qobject_cast<CalibDlg*>(w); dlg && dlg->isVisible())
            return dlg;
    }
    return nullptr;
}

SymbolSighting sightingOf(const QRect& monitor) {
    SymbolSighting s;
    s.windowWidth = monitor.width();
    s.windowHeight = monitor.height();
    const CalibDlg* dlg = shownCalibDlg();
    if (!dlg)
        return s;
    const CalibDlg::View view = dlg->view();
    s.index = view.index;
    s.count = view.count;
    const QRect& r = view.symbol;
    const QPoint origin = view.monitor.topLeft() - monitor.topLeft();
    s.x = origin.x() + r.x() + (r.width() - 1) / 2.0;
    s.y = origin.y() + r.y() + (r.height() - 1) / 2.0;
    const bool onTarget =
        s.index >= 0 && s.index < s.count && r == targetRect(view.targets[size_t(s.index)]);
    s.checking = view.paintMode == CalibDlg::Check;
    const bool targetScreen = view.paintMode == CalibDlg::Targets || s.checking;
    s.settled = targetScreen && view.symbolShown && onTarget && !view.symbolGliding;
    return s;
}

// The window on top at a global point.
QWidget* windowAt(const QPoint& global) {
    const QList<QWidget*> shown = shownWindows();
    for (auto it = shown.rbegin(); it != shown.rend(); ++it) {
        if (window_placement::shownGeometry(*it).contains(global))
            return *it;
    }
    return nullptr;
}

} // namespace

DesktopDesk::DesktopDesk(std::shared_ptr<DesktopScene> scene, std::shared_ptr<DeskSight> sight,
                         QObject* parent)
    : QObject(parent), m_scene(std::move(scene)), m_sight(std::move(sight)) {
    m_touchDevice = new QTouchDevice;
    m_touchDevice->setName(QStringLiteral("virtual module"));
    m_touchDevice->setType(QTouchDevice::TouchScreen);
    m_touchDevice->setCapabilities(QTouchDevice::Position | QTouchDevice::Area);
    m_touchDevice->setMaximumTouchPoints(1);

    m_sight->attach(this);
    QCoreApplication::instance()->installEventFilter(this);
    connect(&m_refreshTimer, &QTimer::timeout, this, &DesktopDesk::refresh);
    m_refreshTimer.start(kRefreshMs);
    refresh();
}

DesktopDesk::~DesktopDesk() {
    m_sight->attach(nullptr);
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
    delete m_touchDevice;
}

QRect DesktopDesk::calibrationMonitor() {
    return KqUtils::calibrationScreen();
}

QRect DesktopDesk::projectorMonitor() const {
    if (m_nProjectorMonitor <= 0)
        return calibrationMonitor();
    const QVector<ScreenDesc> list = KqUtils::screensLeftToRight();
    return m_nProjectorMonitor <= list.size() ? list[m_nProjectorMonitor - 1].geometry : QRect();
}

// Grabbing repaints the windows; those paints must not ask for another grab.
bool DesktopDesk::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Paint:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Move:
    case QEvent::Resize:
        if (!m_grabbing && watched->isWidgetType())
            scheduleRefresh();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void DesktopDesk::scheduleRefresh() {
    if (m_refreshPending)
        return;
    m_refreshPending = true;
    QMetaObject::invokeMethod(this, &DesktopDesk::refresh, Qt::QueuedConnection);
}

void DesktopDesk::refresh() {
    m_refreshPending = false;
    const QRect monitor = projectorMonitor();
    if (monitor.isEmpty()) {
        // No such monitor: the projector shows nothing at the calibration screen's size.
        const QRect dark = calibrationMonitor();
        if (dark.isEmpty())
            return;
        QImage black(dark.size(), QImage::Format_RGB32);
        black.fill(Qt::black);
        m_scene->setMonitor(black);
        m_sight->setMonitorSize(dark.width(), dark.height());
        return;
    }
    m_grabbing = true;
    QImage picture(monitor.size(), QImage::Format_RGB32);
    picture.fill(Qt::black);
    {
        QPainter painter(&picture);
        // Where each window really is: a window the desktop kept elsewhere is not on the
        // projector, whatever was asked for it.
        for (QWidget* w : shownWindows()) {
            const QRect shown = window_placement::shownGeometry(w);
            if (shown.intersects(monitor))
                painter.drawPixmap(shown.topLeft() - monitor.topLeft(), w->grab());
        }
    }
    m_grabbing = false;
    m_scene->setMonitor(picture);
    m_sight->setMonitorSize(monitor.width(), monitor.height());
    m_sight->setSighting(sightingOf(monitor));
}

void DesktopDesk::touchAt(double fx, double fy) {
    const QRect monitor = calibrationMonitor();
    // A touch at the right or bottom edge (a fraction of 1) is on the monitor's last pixel.
    const QPointF global(std::min(monitor.x() + fx * monitor.width(), double(monitor.right())),
                         std::min(monitor.y() + fy * monitor.height(), double(monitor.bottom())));
    QWidget* window = windowAt(global.toPoint());
    QWidget* target = nullptr;
    if (window) {
        target = window->childAt(window->mapFromGlobal(global.toPoint()));
        if (!target)
            target = window;
    }
    while (target && !target->testAttribute(Qt::WA_AcceptTouchEvents))
        target = target->parentWidget();
    if (!target) {
        qCDebug(lcSim) << "DesktopDesk: no window takes the touch at" << global;
        return;
    }

    QTouchEvent::TouchPoint point(0);
    point.setPos(global - QPointF(target->mapToGlobal(QPoint(0, 0))));
    point.setScreenPos(global);
    point.setStartScreenPos(global);
    point.setPressure(1.0);
    point.setState(Qt::TouchPointPressed);
    QCoreApplication::postEvent(target,
                                new QTouchEvent(QEvent::TouchBegin, m_touchDevice, Qt::NoModifier,
                                                Qt::TouchPointPressed, {point}));
    point.setState(Qt::TouchPointReleased);
    point.setPressure(0.0);
    QCoreApplication::postEvent(target,
                                new QTouchEvent(QEvent::TouchEnd, m_touchDevice, Qt::NoModifier,
                                                Qt::TouchPointReleased, {point}));
}

void DesktopDesk::pressBack() {
    if (CalibDlg* dlg = shownCalibDlg())
        QCoreApplication::postEvent(
            dlg, new QKeyEvent(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier));
}
