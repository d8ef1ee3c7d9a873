#include "StatusLine.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace {

constexpr int kEdgeGap = 8;
constexpr int kPadding = 6;

bool clear(const QRect& band, const QVector<QRect>& targets) {
    return std::none_of(targets.begin(), targets.end(),
                        [&band](const QRect& t) { return t.intersects(band); });
}

} // namespace

QRect statusLineRect(const QSize& band, const QSize& window, const QVector<QRect>& targets) {
    QVector<int> centres{window.width() / 2};
    QVector<int> edges;
    for (const QRect& t : targets)
        edges << t.center().x();
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    for (int i = 1; i < edges.size(); ++i)
        centres << (edges[i - 1] + edges[i]) / 2;

    const int bottom = window.height() - kEdgeGap - band.height();
    for (const int x : centres) {
        for (const int y : {bottom, kEdgeGap}) {
            const QRect r(QPoint(x - band.width() / 2, y), band);
            if (clear(r, targets))
                return r;
        }
    }
    return QRect(QPoint((window.width() - band.width()) / 2, bottom), band);
}

void paintStatusLine(QPainter& painter, const QString& text, const QSize& window,
                     const QVector<QRect>& targets) {
    if (text.isEmpty())
        return;
    const QFontMetrics metrics(painter.font());
    const QSize band(metrics.horizontalAdvance(text) + 2 * kPadding, metrics.height() + kPadding);
    const QRect r = statusLineRect(band, window, targets);
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40, 40, 40));
    painter.drawRect(r);
    painter.setPen(QColor(230, 230, 230));
    painter.drawText(r, Qt::AlignCenter, text);
    painter.restore();
}
