#pragma once

#include <QFont>
#include <QImage>
#include <QString>

class LanguageTable;
class QPainter;

// What the calibration window's screens are painted on and with: its size and scale, its
// background picture and its texts (null without a language table). Each painter file takes
// one and paints one kind of screen, as PatternPainter does for the pattern.
struct ScreenCanvas {
    int width = 0;
    int height = 0;
    double dpiRatio = 1.0;
    const QImage* background = nullptr;
    const LanguageTable* text = nullptr;

    // "Tahoma", or the Korean family for Korean, at the given size.
    QFont font(int pointSize) const;
    // The heading where the background's design puts it: rows 40 to 120 of its 800, bold.
    void paintHeading(QPainter& painter, const QString& heading) const;
    // The text runs right to left in Arabic, Persian and Hebrew.
    void useTextDirection(QPainter& painter) const;
};

// The manual and tuning calibration's screen under the gliding target symbol: the background,
// the heading and the instructions.
void paintTargetScreen(QPainter& painter, const ScreenCanvas& canvas);

// A black screen with text in its centre, wrapped: a calibration's success and the touch
// mapping hint.
void paintOutcomeScreen(QPainter& painter, const ScreenCanvas& canvas, const QString& text);
