#include "TargetSymbol.h"

#include "compute/TargetLayout.h"

#include <QPainter>
#include <QRectF>

namespace {

const QRectF kRings[] = {
    QRectF(19, 19, 74.5, 74.5),
    QRectF(31, 31, 51, 51),
    QRectF(43.2, 43.2, 26, 26),
};
constexpr int kRingPenWidth = 7;

} // namespace

QPixmap targetSymbolPicture() {
    QPixmap pix(QStringLiteral(":/TivoraRes/pen1"));
    if (pix.isNull()) {
        pix = QPixmap(kTargetSymbolSize, kTargetSymbolSize);
        pix.fill(Qt::transparent);
    }
    return pix;
}

QPixmap targetSymbolWithRings(const QPixmap& base, int sweepDegrees, const QColor& color) {
    QPixmap pix = base;
    QPainter painter(&pix);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(color, kRingPenWidth));
    painter.setBrush(Qt::NoBrush);
    for (const QRectF& ring : kRings) {
        if (sweepDegrees >= 360)
            painter.drawEllipse(ring);
        else
            painter.drawArc(ring, 0, sweepDegrees * 16);
    }
    return pix;
}
