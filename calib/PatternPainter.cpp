#include "PatternPainter.h"

#include "MarkerGrids.h"
#include "log/LogCategories.h"

#include <QDebug>
#include <QPainter>

int patternPositionNumber(int r, int c, int ceiling, int rear) {
    if (ceiling == 1 && rear == 0)
        return 19 - 5 * r - c;
    if (ceiling == 1 && rear == 1)
        return 15 - 5 * r + c;
    if (ceiling == 0 && rear == 1)
        return 5 * r + 4 - c;
    return 5 * r + c;
}

namespace {

void paintGrid(QPainter& painter, const MarkerGrid& grid, int cx, int cy, int s, bool mirror) {
    for (int i = 0; i < kMarkerCells; ++i) {
        for (int j = 0; j < kMarkerCells; ++j) {
            const int bit = mirror ? grid[i][kMarkerCells - 1 - j] : grid[i][j];
            if (bit)
                painter.drawRect(cx - 3 * s + j * s, cy - 3 * s + i * s, s, s);
        }
    }
}

} // namespace

void paintPattern(QPainter& painter, int w, int h, int ceiling, int rear, const TargetPoints& pts) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRect(0, 0, w, h);

    const MarkerSizes sizes = markerSizes(w, h);
    const int s = (2 * sizes.big + 5) / 6;
    qCDebug(lcCalib) << "marker size =" << sizes.big << s;

    const int outerRow = ceiling == 1 ? kPatternRows - 1 : 0;
    for (int r = 0; r < kPatternRows; ++r) {
        for (int c = 0; c < kPatternColumns; ++c) {
            const TargetPoint& p = pts[kPatternColumns * r + c];
            const int cx = roundHalfUp(p.x);
            const int cy = roundHalfUp(p.y);
            const int k = patternPositionNumber(r, c, ceiling, rear);

            if (const MarkerGrid* grid = markerGridOf(k)) {
                painter.setPen(Qt::NoPen);
                painter.setBrush(Qt::black);
                paintGrid(painter, *grid, cx, cy, s, rear == 1);
                continue;
            }
            const bool outer = c == 0 || c == kPatternColumns - 1 || r == outerRow;
            const int radius = outer ? sizes.big : sizes.small;
            painter.setPen(QPen(Qt::black, 1));
            painter.setBrush(Qt::black);
            painter.drawEllipse(QPoint(cx, cy), radius, radius);
        }
    }
    painter.restore();
}

void paintPattern(QPainter& painter, int w, int h, int ceiling, int rear) {
    paintPattern(painter, w, h, ceiling, rear, targetPoints(w, h, true));
}
