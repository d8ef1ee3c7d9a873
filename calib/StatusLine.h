#pragma once

#include <QRect>
#include <QString>
#include <QVector>

class QPainter;

// The calibration window's small status line: white text on a dark band, near the bottom or
// the top edge, placed where it covers none of the given target rectangles.
void paintStatusLine(QPainter& painter, const QString& text, const QSize& window,
                     const QVector<QRect>& targets);

// Where paintStatusLine puts a band of the given size: the first of bottom centre, top centre,
// then the gaps between target columns, bottom row first, that is clear of every target.
QRect statusLineRect(const QSize& band, const QSize& window, const QVector<QRect>& targets);
