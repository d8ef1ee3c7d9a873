#include "calib/CheckPainter.h"

#include "compute/TargetLayout.h"
#include "language/LanguageTable.h"

#include <QPainter>
#include <QStringList>
#include <algorithm>

namespace {

// Entries of the calibration status texts.
constexpr int kTextSucceeded = 4;
// Entries of the accuracy check's texts.
constexpr int kCheckHeading = 0;
constexpr int kCheckInstruction = 1;
constexpr int kCheckFigures = 2;
constexpr int kCheckFiguresMm = 3;
constexpr int kCheckWithin = 4;
constexpr int kCheckAbove = 5;
constexpr int kCheckNotPen = 9;
constexpr int kCheckUntouched = 10;
// The summary's marks: the worst target's ring, the cross on every target.
constexpr int kWorstRingRadius = 40;
constexpr int kCrossArm = 12;
constexpr int kLabelHeight = 24;

// The check's heading in the user's language; false without a language table.
bool paintCheckHeading(QPainter& painter, const ScreenCanvas& canvas) {
    if (!canvas.text)
        return false;
    canvas.useTextDirection(painter);
    painter.setPen(Qt::white);
    canvas.paintHeading(painter, canvas.text->textAK(kCheckHeading));
    return true;
}

QString checkFigures(const LanguageTable& text, const AccuracyCheck& check) {
    const auto number = [](double v) { return QString::number(v, 'f', 1); };
    const int worst = check.worstIndex() + 1;
    if (check.knowsMillimetres())
        return text.textAK(kCheckFiguresMm)
            .arg(number(check.meanPx()), number(check.meanMm()), number(check.worstPx()),
                 number(check.worstMm()))
            .arg(worst);
    return text.textAK(kCheckFigures)
        .arg(number(check.meanPx()), number(check.worstPx()))
        .arg(worst);
}

void paintTouches(QPainter& painter, const ScreenCanvas& canvas, const AccuracyCheck& check) {
    const QVector<AccuracyCheck::Touch>& touches = check.touches();
    const int worst = check.worstIndex();
    painter.setFont(canvas.font(10));
    for (int i = 0; i < touches.size(); ++i) {
        const QPointF t = touches[i].target;
        const bool bad = touches[i].errorPx > check.thresholdPx();
        painter.setPen(QPen(Qt::white, 2));
        painter.drawLine(t - QPointF(kCrossArm, 0), t + QPointF(kCrossArm, 0));
        painter.drawLine(t - QPointF(0, kCrossArm), t + QPointF(0, kCrossArm));
        const QColor mark = bad ? QColor(255, 160, 0) : QColor(0, 220, 0);
        painter.setPen(QPen(mark, 2));
        if (touches[i].pen) {
            painter.setBrush(mark);
            painter.drawEllipse(touches[i].touch, 4, 4);
        } else {
            // A mouse click is not the pen's: a hollow square, never taken for a touch.
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRectF(touches[i].touch - QPointF(5, 5), QSizeF(10, 10)));
        }
        painter.setBrush(Qt::NoBrush);
        if (i == worst) {
            painter.setPen(QPen(QColor(255, 0, 0), 4));
            painter.drawEllipse(t, kWorstRingRadius, kWorstRingRadius);
        }
        painter.setPen(i == worst ? QColor(255, 80, 80) : QColor(Qt::white));
        // Below the target, or above it where the window ends below.
        const double below = t.y() + kWorstRingRadius + 4;
        const double labelTop = below + kLabelHeight <= canvas.height
                                    ? below
                                    : t.y() - kWorstRingRadius - 4 - kLabelHeight;
        painter.drawText(QRectF(t.x() - 100, labelTop, 200, kLabelHeight),
                         Qt::AlignHCenter | Qt::AlignTop,
                         QStringLiteral("%1: %2 px").arg(i + 1).arg(touches[i].errorPx, 0, 'f', 1));
    }
}

} // namespace

void paintCheckScreen(QPainter& painter, const ScreenCanvas& canvas, bool afterCalibration) {
    if (canvas.background)
        painter.drawImage(QPoint(0, 0), *canvas.background);
    if (!paintCheckHeading(painter, canvas))
        return;
    QString text = canvas.text->textAK(kCheckInstruction);
    if (afterCalibration)
        text = canvas.text->textCS(kTextSucceeded) + QStringLiteral("\r\n\r\n") + text;
    // Below the centre target, above the lower ones.
    const int top = canvas.height / 2 + kTargetSymbolSize / 2 + 10;
    painter.setFont(canvas.font(12));
    painter.drawText(QRect(0, top, canvas.width, std::max(1, canvas.height / 6)), Qt::AlignCenter,
                     text);
}

void paintCheckSummary(QPainter& painter, const ScreenCanvas& canvas, const AccuracyCheck& check,
                       const QString& note) {
    painter.fillRect(0, 0, canvas.width, canvas.height, Qt::black);
    painter.setRenderHint(QPainter::Antialiasing);
    paintTouches(painter, canvas, check);
    if (!paintCheckHeading(painter, canvas))
        return;
    const LanguageTable& text = *canvas.text;
    QStringList lines;
    if (check.count() > 0)
        lines << checkFigures(text, check);
    // The errors decide only a check the pen made to its end.
    if (check.untouchedTarget() > 0)
        lines << text.textAK(kCheckUntouched).arg(check.untouchedTarget()).arg(check.waitSeconds());
    else if (!check.isPenCheck())
        lines << text.textAK(kCheckNotPen).arg(check.mouseClicks()).arg(check.count());
    else
        lines << (check.passed() ? text.textAK(kCheckWithin) : text.textAK(kCheckAbove))
                     .arg(check.thresholdPx());
    if (!note.isEmpty())
        lines << note;
    const int top = canvas.height / 2 + kTargetSymbolSize / 2 + 10;
    painter.setFont(canvas.font(14));
    painter.setPen(check.passed() ? QColor(Qt::white) : QColor(255, 160, 0));
    painter.drawText(QRect(0, top, canvas.width, std::max(1, canvas.height / 4)),
                     Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                     lines.join(QStringLiteral("\r\n\r\n")));
}
