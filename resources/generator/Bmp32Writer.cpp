#include "Bmp32Writer.h"

#include <QDataStream>
#include <QFile>

namespace {

constexpr quint32 kFileHeaderSize = 14;
constexpr quint32 kInfoHeaderSize = 108; // BITMAPV4HEADER
constexpr quint32 kBitFields = 3;
constexpr quint32 kSrgbColourSpace = 0x73524742; // 'sRGB'

} // namespace

bool writeBmp32(const QImage& img, const QString& path) {
    const QImage argb = img.convertToFormat(QImage::Format_ARGB32);
    const quint32 width = quint32(argb.width());
    const quint32 height = quint32(argb.height());
    const quint32 pixelBytes = width * height * 4;
    const quint32 pixelOffset = kFileHeaderSize + kInfoHeaderSize;

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);

    out << quint8('B') << quint8('M') << quint32(pixelOffset + pixelBytes) << quint16(0)
        << quint16(0) << pixelOffset;

    out << kInfoHeaderSize << qint32(width) << qint32(height) // positive height: bottom-up rows
        << quint16(1) << quint16(32) << kBitFields << pixelBytes << qint32(2835) << qint32(2835)
        << quint32(0) << quint32(0);
    out << quint32(0x00FF0000) << quint32(0x0000FF00) << quint32(0x000000FF) << quint32(0xFF000000)
        << kSrgbColourSpace;
    for (int i = 0; i < 12; ++i) // colour-space end points and gammas, unused for sRGB
        out << quint32(0);

    for (int y = int(height) - 1; y >= 0; --y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (quint32 x = 0; x < width; ++x)
            out << quint8(qBlue(row[x])) << quint8(qGreen(row[x])) << quint8(qRed(row[x]))
                << quint8(qAlpha(row[x]));
    }
    return out.status() == QDataStream::Ok && file.flush();
}
