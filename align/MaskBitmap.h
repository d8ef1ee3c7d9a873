#pragma once

#include <QImage>

// The mask bitmap the module stores: one bit per pixel of the 640 x 360 live picture, 80 bytes
// to a row, the leftmost pixel in the most significant bit, a set bit excluding the pixel from
// tracking; then one flag byte, 1 when the mask editor produced the bits.
namespace MaskBitmap {

constexpr int kWidth = 640;
constexpr int kHeight = 360;
constexpr int kRowBytes = kWidth / 8;
constexpr int kBitsBytes = kRowBytes * kHeight; // 28800
constexpr int kFlagIndex = kBitsBytes;
constexpr int kBytes = kBitsBytes + 1; // 28801

// A canvas pixel counts as masked only when it is opaque, pure-red painting: antialiased
// edges and erased pixels do not.
bool isMasked(QRgb pixel);

// Every set bit of bits[0 .. kBitsBytes) becomes an opaque red pixel of the canvas; clear bits
// leave the canvas as it is. Bits outside a smaller canvas are skipped.
void paintInto(const unsigned char* bits, QImage& canvas);

// Rebuilds bits[0 .. kBitsBytes) from the canvas; pixels outside a smaller canvas count as not
// masked. Returns the number of bytes written.
int readFrom(const QImage& canvas, unsigned char* bits);

} // namespace MaskBitmap
