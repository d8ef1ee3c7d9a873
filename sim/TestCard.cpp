#include "sim/TestCard.h"

#include <algorithm>

namespace {

constexpr int kGradientFrom = 40;
constexpr int kGradientTo = 200;
constexpr uint8_t kFrame = 255;
constexpr uint8_t kDisc = 230;
constexpr uint8_t kSquare = 15;
constexpr uint8_t kCheckDark = 60;
constexpr uint8_t kCheckLight = 180;

// The card's grey at pixel (x, y) of a width x height card.
uint8_t cardValue(int x, int y, int width, int height) {
    const double u = (x + 0.5) / width;
    const double v = (y + 0.5) / height;
    const int border = std::max(1, height / 60);
    if (x < border || y < border || x >= width - border || y >= height - border)
        return kFrame;

    // Disc left of centre, square right of centre, in units of the height so both stay round.
    const double dx = (u - 0.35) * width / height;
    const double dy = v - 0.5;
    if (dx * dx + dy * dy < 0.2 * 0.2)
        return kDisc;
    if (u > 0.6 && u < 0.6 + 0.3 * height / width && v > 0.35 && v < 0.65)
        return kSquare;
    if (u < 0.2 && v < 0.25) {
        const int cell = std::max(1, height / 24);
        return ((x / cell) + (y / cell)) % 2 ? kCheckDark : kCheckLight;
    }
    return uint8_t(kGradientFrom + (kGradientTo - kGradientFrom) * x / std::max(1, width - 1));
}

} // namespace

QImage TestCard::frame(int width, int height) {
    QImage image(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x)
            row[x] = cardValue(x, y, width, height);
    }
    return image;
}
