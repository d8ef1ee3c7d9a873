#pragma once

#include "display/KqUtils.h"

#include <QRect>

class QWidget;

// Puts a top-level window over one whole monitor in the way each platform honours, and tells
// where it really landed. Asking with setGeometry alone is not enough: Wayland compositors
// ignore client positions, and tiling window managers ignore them for X11 windows too.
namespace window_placement {

// Shows the window over the monitor. Wayland: full screen on the monitor's screen, which the
// compositor then honours. X11: a window the window manager does not manage, at the
// monitor's geometry, holding the keyboard (Esc, Backspace, Delete) while it is shown.
// Elsewhere, and for monitors the toolkit does not list: the geometry alone.
void showOnMonitor(QWidget* window, const ScreenDesc& monitor);

// Where the window really is on the desktop: under Wayland the top left corner of the screen
// the compositor reports for it (its own position is only what was asked for), elsewhere its
// geometry.
QRect shownGeometry(const QWidget* window);

// Whether the shown window covers the monitor now.
bool isOnMonitor(const QWidget* window, const ScreenDesc& monitor);

// Waits, running the event loop, until the window covers the monitor or two seconds have
// passed; on a miss, logs one line with where it is instead. True when it landed.
bool waitUntilOnMonitor(QWidget* window, const ScreenDesc& monitor);

} // namespace window_placement
