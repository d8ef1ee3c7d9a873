#pragma once

#include <QImage>
#include <QString>

// Writes img as a 32-bit bitmap with an alpha channel (version 4 header, bit-field masks),
// which Qt's own bitmap writer cannot produce: it always drops the alpha to 24 bits.
bool writeBmp32(const QImage& img, const QString& path);
