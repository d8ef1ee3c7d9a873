#include "align/MaskBitmap.h"

#include <QRandomGenerator>
#include <QtTest>
#include <vector>

namespace {

QImage freshCanvas(int w = MaskBitmap::kWidth, int h = MaskBitmap::kHeight) {
    QImage canvas(w, h, QImage::Format_ARGB32);
    canvas.fill(QColor(239, 239, 239, 1));
    return canvas;
}

std::vector<unsigned char> randomBits(quint32 seed) {
    std::vector<unsigned char> bits(MaskBitmap::kBytes);
    QRandomGenerator rng(seed);
    for (unsigned char& b : bits)
        b = static_cast<unsigned char>(rng.bounded(256));
    return bits;
}

} // namespace

class MaskBitmapTest : public QObject {
    Q_OBJECT

private slots:
    void bitLandsOnItsPixel_data();
    void bitLandsOnItsPixel();
    void roundTripKeepsEveryBit();
    void onlyOpaqueRedCountsAsMasked_data();
    void onlyOpaqueRedCountsAsMasked();
    void clearBitsLeaveTheCanvasAlone();
    void smallerCanvasStaysInBounds();
};

void MaskBitmapTest::bitLandsOnItsPixel_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("bit");
    QTest::addColumn<QPoint>("pixel");
    QTest::newRow("byte 0 bit 7") << 0 << 7 << QPoint(0, 0);
    QTest::newRow("byte 0 bit 0") << 0 << 0 << QPoint(7, 0);
    QTest::newRow("byte 1 bit 0") << 1 << 0 << QPoint(15, 0);
    QTest::newRow("byte 79 bit 0") << 79 << 0 << QPoint(639, 0);
    QTest::newRow("byte 80 is row 1") << 80 << 7 << QPoint(0, 1);
    QTest::newRow("last byte") << 28799 << 0 << QPoint(639, 359);
}

void MaskBitmapTest::bitLandsOnItsPixel() {
    QFETCH(int, byte);
    QFETCH(int, bit);
    QFETCH(QPoint, pixel);
    std::vector<unsigned char> bits(MaskBitmap::kBytes, 0);
    bits[byte] = static_cast<unsigned char>(1 << bit);

    QImage canvas = freshCanvas();
    MaskBitmap::paintInto(bits.data(), canvas);
    int masked = 0;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            masked += MaskBitmap::isMasked(canvas.pixel(x, y)) ? 1 : 0;
    QCOMPARE(masked, 1);
    QCOMPARE(canvas.pixel(pixel), qRgba(255, 0, 0, 255));

    std::vector<unsigned char> back(MaskBitmap::kBytes, 0xAA);
    QCOMPARE(MaskBitmap::readFrom(canvas, back.data()), MaskBitmap::kBitsBytes);
    QVERIFY(std::equal(bits.begin(), bits.begin() + MaskBitmap::kBitsBytes, back.begin()));
    // The flag byte is not the canvas's business.
    QCOMPARE(back[MaskBitmap::kFlagIndex], static_cast<unsigned char>(0xAA));
}

void MaskBitmapTest::roundTripKeepsEveryBit() {
    const std::vector<unsigned char> bits = randomBits(9);
    QImage canvas = freshCanvas();
    MaskBitmap::paintInto(bits.data(), canvas);
    std::vector<unsigned char> back(MaskBitmap::kBytes, 0);
    MaskBitmap::readFrom(canvas, back.data());
    QVERIFY(std::equal(bits.begin(), bits.begin() + MaskBitmap::kBitsBytes, back.begin()));
}

void MaskBitmapTest::onlyOpaqueRedCountsAsMasked_data() {
    QTest::addColumn<QRgb>("pixel");
    QTest::addColumn<bool>("masked");
    QTest::newRow("painted") << qRgba(255, 0, 0, 255) << true;
    QTest::newRow("red over white") << qRgba(255, 255, 255, 255) << true;
    QTest::newRow("antialiased edge") << qRgba(255, 0, 0, 254) << false;
    QTest::newRow("darker red") << qRgba(254, 0, 0, 255) << false;
    QTest::newRow("erased") << qRgba(0, 0, 0, 1) << false;
    QTest::newRow("background") << qRgba(239, 239, 239, 1) << false;
}

void MaskBitmapTest::onlyOpaqueRedCountsAsMasked() {
    QFETCH(QRgb, pixel);
    QFETCH(bool, masked);
    QCOMPARE(MaskBitmap::isMasked(pixel), masked);
}

void MaskBitmapTest::clearBitsLeaveTheCanvasAlone() {
    std::vector<unsigned char> bits(MaskBitmap::kBytes, 0);
    QImage canvas = freshCanvas();
    canvas.setPixel(3, 3, qRgba(255, 0, 0, 255));
    MaskBitmap::paintInto(bits.data(), canvas);
    QCOMPARE(canvas.pixel(3, 3), qRgba(255, 0, 0, 255));
    QCOMPARE(canvas.pixel(4, 3), qRgba(239, 239, 239, 1));
}

void MaskBitmapTest::smallerCanvasStaysInBounds() {
    std::vector<unsigned char> bits(MaskBitmap::kBytes, 0xFF);
    QImage canvas = freshCanvas(100, 30);
    MaskBitmap::paintInto(bits.data(), canvas);
    QCOMPARE(canvas.pixel(99, 29), qRgba(255, 0, 0, 255));

    std::vector<unsigned char> back(MaskBitmap::kBytes, 0);
    QCOMPARE(MaskBitmap::readFrom(canvas, back.data()), MaskBitmap::kBitsBytes);
    QCOMPARE(back[0], static_cast<unsigned char>(0xFF));
    QCOMPARE(back[12], static_cast<unsigned char>(0xF0)); // pixels 96 to 99 of 96 to 103
    QCOMPARE(back[13], static_cast<unsigned char>(0));
    QCOMPARE(back[29 * MaskBitmap::kRowBytes], static_cast<unsigned char>(0xFF));
    QCOMPARE(back[30 * MaskBitmap::kRowBytes], static_cast<unsigned char>(0));
}

QTEST_APPLESS_MAIN(MaskBitmapTest)
#include "test_maskbitmap.moc"
