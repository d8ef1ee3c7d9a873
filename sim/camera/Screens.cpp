#include "sim/camera/Screens.h"

#include "calib/PatternPainter.h"

#include <QPainter>

namespace {

QImage filled(int width, int height, Qt::GlobalColor colour) {
    QImage img(width, height, QImage::Format_Grayscale8);
    img.fill(colour);
    return img;
}

} // namespace

QImage blackScreen(int width, int height) {
    return filled(width, height, Qt::black);
}

QImage whiteScreen(int width, int height) {
    return filled(width, height, Qt::white);
}

QImage patternScreen(int width, int height, int ceiling, int rear) {
    QImage img = filled(width, height, Qt::white);
    QPainter painter(&img);
    paintPattern(painter, width, height, ceiling, rear);
    return img;
}
