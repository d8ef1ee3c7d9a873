#include "calib/ScreenCanvas.h"

#include "language/LanguageTable.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kKoreanIndex = 14;
constexpr int kBackgroundHeight = 800;
constexpr int kHeadingTop = 40;
constexpr int kHeadingHeight = 80;
constexpr int kHeadingPixels = 56;

} // namespace

QFont ScreenCanvas::font(int pointSize) const {
    QFont f(QStringLiteral("Tahoma"), pointSize);
    if (text && text->languageIndex() == kKoreanIndex)
        f.setFamily(QStringLiteral("Malgun Gothic"));
    return f;
}

void ScreenCanvas::paintHeading(QPainter& painter, const QString& heading) const {
    // The background is text-free: the heading stands where the picture's design puts it,
    // 40 to 120 of its 800 rows, in the user's language.
    QFont f = font(12);
    f.setPixelSize(std::max(1, height * kHeadingPixels / kBackgroundHeight));
    f.setBold(true);
    painter.setFont(f);
    painter.drawText(QRect(0, height * kHeadingTop / kBackgroundHeight, width,
                           height * kHeadingHeight / kBackgroundHeight),
                     Qt::AlignCenter, heading);
}

void ScreenCanvas::useTextDirection(QPainter& painter) const {
    if (text && text->isRightToLeft())
        painter.setLayoutDirection(Qt::RightToLeft);
}

void paintTargetScreen(QPainter& painter, const ScreenCanvas& canvas) {
    if (canvas.background)
        painter.drawImage(QPoint(0, 0), *canvas.background);

    const double scale = canvas.dpiRatio;
    const QRect textRect(canvas.width / 2 - static_cast<int>(std::floor(scale * 450)),
                         canvas.height / 2, static_cast<int>(std::floor(scale * 900)),
                         static_cast<int>(std::floor(scale * 100)));
    QString instructions;
    if (canvas.text) {
        const LanguageTable& t = *canvas.text;
        instructions = t.textCW(0) + QStringLiteral("\r\n\r\n") + t.textCW(1) +
                       QStringLiteral("\r\n\r\n") + t.textCW(3);
        canvas.useTextDirection(painter);
    }
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setPen(Qt::white);
    if (canvas.text)
        canvas.paintHeading(painter, canvas.text->textCW(0));
    painter.setFont(canvas.font(12));
    painter.drawText(textRect, Qt::AlignCenter, instructions);
}

void paintOutcomeScreen(QPainter& painter, const ScreenCanvas& canvas, const QString& text) {
    painter.fillRect(0, 0, canvas.width, canvas.height, Qt::black);
    painter.setPen(Qt::white);
    painter.setFont(canvas.font(24));
    // Wrapped: with several monitors a hint about the touch mapping follows the outcome.
    painter.drawText(QRect(canvas.width / 10, 0, canvas.width * 8 / 10, canvas.height),
                     Qt::AlignCenter | Qt::TextWordWrap, text);
}
