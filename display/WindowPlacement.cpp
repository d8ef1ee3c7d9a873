#include "display/WindowPlacement.h"

#include "log/LogCategories.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace window_placement {

namespace {

// A compositor or window manager acts within a few frames; two seconds leave room for a
// loaded machine, and only a window that never lands waits that long.
constexpr int kLandingMs = 2000;
constexpr int kPollMs = 20;
// A Wayland compositor tells which output shows a surface only after it has configured it,
// and may move it once more when its rules see the new window: the answer must hold a while.
constexpr int kWaylandSettleMs = 200;

bool onWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

bool onX11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

QScreen* toolkitScreenOf(const ScreenDesc& monitor) {
    for (QScreen* s : QGuiApplication::screens()) {
        if (s->name() == monitor.name && s->geometry() == monitor.geometry)
            return s;
    }
    return nullptr;
}

} // namespace

void showOnMonitor(QWidget* window, const ScreenDesc& monitor) {
    QScreen* screen = toolkitScreenOf(monitor);
    // Tiling window managers resize managed windows as they please, and even stacking ones
    // may keep a new window off a monitor; an unmanaged window stays where it is put.
    if (screen && onX11())
        window->setWindowFlag(Qt::X11BypassWindowManagerHint, true);
    if (screen) {
        // The platform window must know its screen before it is mapped: Wayland puts a full
        // screen window on the output it names, and nothing else.
        window->winId();
        window->windowHandle()->setScreen(screen);
    }
    window->setGeometry(monitor.geometry);
    if (screen && onWayland())
        window->showFullScreen();
    else
        window->show();
    // An unmanaged window gets no focus from the window manager; this sets it directly.
    window->activateWindow();
}

QRect shownGeometry(const QWidget* window) {
    const QWindow* handle = window->windowHandle();
    if (onWayland() && handle && handle->screen())
        return QRect(handle->screen()->geometry().topLeft(), window->size());
    return window->geometry();
}

bool isOnMonitor(const QWidget* window, const ScreenDesc& monitor) {
    if (!window->isVisible())
        return false;
    if (onWayland()) {
        // Until then its screen and size are only what was asked for.
        const QWindow* handle = window->windowHandle();
        if (!handle || !handle->isExposed())
            return false;
        const QScreen* screen = toolkitScreenOf(monitor);
        if (screen && handle->screen() != screen)
            return false;
    }
    return shownGeometry(window) == monitor.geometry;
}

bool waitUntilOnMonitor(QWidget* window, const ScreenDesc& monitor) {
    const int settleMs = onWayland() ? kWaylandSettleMs : 0;
    QElapsedTimer clock;
    clock.start();
    qint64 onSince = -1;
    while (true) {
        if (!isOnMonitor(window, monitor))
            onSince = -1;
        else if (onSince < 0)
            onSince = clock.elapsed();
        if (onSince >= 0 && clock.elapsed() - onSince >= settleMs)
            return true;
        if (clock.elapsed() >= kLandingMs)
            break;
        QEventLoop loop;
        QTimer::singleShot(kPollMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    const QWindow* handle = window->windowHandle();
    qCWarning(lcCalib).noquote() << window->objectName() << "is not on monitor" << monitor.name
                                 << monitor.geometry << "but at" << shownGeometry(window) << "on"
                                 << (handle && handle->screen() ? handle->screen()->name()
                                                                : QString());
    return false;
}

} // namespace window_placement
