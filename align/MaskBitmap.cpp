#include "MaskBitmap.h"

namespace MaskBitmap {

namespace {

const QRgb kMaskedPixel = qRgba(255, 0, 0, 255);

} // namespace

bool isMasked(QRgb pixel) {
    return qAlpha(pixel) == 255 && qRed(pixel) == 255;
}

void paintInto(const unsigned char* bits, QImage& canvas) {
    if (canvas.format() != QImage::Format_ARGB32)
        canvas = canvas.convertToFormat(QImage::Format_ARGB32);
    const int rows = qMin(kHeight, canvas.height());
    const int columns = qMin(kWidth, canvas.width());
    for (int y = 0; y < rows; ++y) {
        auto* line = reinterpret_cast<QRgb*>(canvas.scanLine(y));
        const unsigned char* row = bits + y * kRowBytes;
        for (int x = 0; x < columns; ++x) {
            if (row[x / 8] & (0x80 >> (x % 8)))
                line[x] = kMaskedPixel;
        }
    }
}

int readFrom(const QImage& canvas, unsigned char* bits) {
    const QImage argb = canvas.format() == QImage::Format_ARGB32
                            ? canvas
                            : canvas.convertToFormat(QImage::Format_ARGB32);
    int written = 0;
    for (int y = 0; y < kHeight; ++y) {
        const QRgb* line =
            y < argb.height() ? reinterpret_cast<const QRgb*>(argb.constScanLine(y)) : nullptr;
        for (int byte = 0; byte < kRowBytes; ++byte) {
            unsigned char value = 0;
            for (int bit = 0; bit < 8; ++bit) {
                const int x = byte * 8 + bit;
                if (line && x < argb.width() && isMasked(line[x]))
                    value |= static_cast<unsigned char>(0x80 >> bit);
            }
            bits[y * kRowBytes + byte] = value;
            ++written;
        }
    }
    return written;
}

} // namespace MaskBitmap
