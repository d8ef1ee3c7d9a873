#pragma once

#include "display/KqUtils.h"

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QVector>

// Where the panel opens: on the screen under the mouse, else the primary (first) screen,
// centred in what windows may cover there, frame included. A panel larger than that room
// keeps its content size and shows only what fits, with room for a scroll bar.
struct PanelPlacement {
    // The window's inner geometry, frame excluded.
    QRect geometry;
    bool scrollsHorizontally = false;
    bool scrollsVertically = false;
};

PanelPlacement placePanel(const QSize& content, const QVector<ScreenDesc>& screens,
                          const QPoint& cursor, const QMargins& frame, int scrollBarExtent);
