#include "calib/RatioCorrection.h"
#include "device/ByteOrder.h"
#include "device/TuningRecord.h"

#include <QtTest>
#include <array>
#include <cmath>

class RatioCorrectionTest : public QObject {
    Q_OBJECT

private slots:
    void correction_data();
    void correction();
    void tuningRecordFromDevice_data();
    void tuningRecordFromDevice();
};

namespace {

// Where a probe at device point (dx, dy) lands on a w x h window with the given stretch.
QPoint landing(double deviceX, double deviceY, int w, int h, double stretchX, double stretchY) {
    return QPoint(int(std::lround(deviceX / 4800.0 * w * stretchX)),
                  int(std::lround(deviceY / 3000.0 * h * stretchY)));
}

} // namespace

void RatioCorrectionTest::correction_data() {
    QTest::addColumn<QPoint>("first");
    QTest::addColumn<QPoint>("second");
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<int>("mode");
    QTest::addColumn<double>("value");

    QTest::newRow("exact distance")
        << QPoint(400, 360) << QPoint(1520, 720) << 1920 << 1080 << 0 << 0.0;
    // dx = 2900 device units on 1920 x 1080: 1920/1080 / 2800 x 2900.
    QTest::newRow("x stretched") << QPoint(400, 360) << QPoint(400 + 1160, 720) << 1920 << 1080 << 1
                                 << (1920.0 / 1080.0) / 2800.0 * 2900.0;
    // dy = 1050 device units: 1920/1080 x 1000 / 1050.
    QTest::newRow("y stretched") << QPoint(400, 360) << QPoint(1520, 720 + 18) << 1920 << 1080 << 2
                                 << (1920.0 / 1080.0) * 1000.0 / 1050.0;
    // Both over, dx/ex = 1.02 and dy/ey = 1.05: only y is corrected.
    QTest::newRow("both over, y more")
        << landing(1000, 1000, 1920, 1080, 1.02, 1.05)
        << landing(3800, 2000, 1920, 1080, 1.02, 1.05) << 1920 << 1080 << 2 << -1.0;
    QTest::newRow("both over, x more")
        << landing(1000, 1000, 1920, 1080, 1.05, 1.02)
        << landing(3800, 2000, 1920, 1080, 1.05, 1.02) << 1920 << 1080 << 1 << -1.0;
    QTest::newRow("within tolerance")
        << QPoint(400, 360) << QPoint(1525, 721) << 1920 << 1080 << 0 << 0.0;
    QTest::newRow("touches on one row: no infinite ratio")
        << QPoint(400, 360) << QPoint(400, 360) << 1920 << 1080 << 0 << 0.0;
    QTest::newRow("window of no size") << QPoint(0, 0) << QPoint(10, 10) << 0 << 0 << 0 << 0.0;
}

void RatioCorrectionTest::correction() {
    QFETCH(QPoint, first);
    QFETCH(QPoint, second);
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(int, mode);
    QFETCH(double, value);
    const QPoint touched[2] = {first, second};
    const RatioCorrection c = computeRatioCorrection(touched, w, h);
    QCOMPARE(c.mode, mode);
    QVERIFY(std::isfinite(c.value));
    if (value >= 0)
        QVERIFY2(std::abs(c.value - value) < 1e-9, qPrintable(QString::number(c.value, 'g', 12)));
}

void RatioCorrectionTest::tuningRecordFromDevice_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("kept");
    QTest::newRow("none") << 0 << 0;
    QTest::newRow("twenty") << 20 << 20;
    QTest::newRow("past the table") << 400 << 25;
    QTest::newRow("negative") << -1 << 0;
}

void RatioCorrectionTest::tuningRecordFromDevice() {
    QFETCH(int, count);
    QFETCH(int, kept);
    std::array<uint8_t, 400> r{};
    le::put16(r.data(), 320, 1920);
    le::put16(r.data(), 322, 1080);
    r[324] = 1;
    r[325] = 0;
    r[327] = 2;
    r[329] = 1;
    le::put32(r.data(), 116, uint32_t(count));
    for (int i = 0; i < 50; ++i)
        le::putf32(r.data(), size_t(120 + 4 * i), float(i) / 4);
    const TuningRecord t = TuningRecord::fromDeviceRecord(r.data());
    QCOMPARE(t.windowWidth, int16_t(1920));
    QCOMPARE(t.windowHeight, int16_t(1080));
    QCOMPARE(int(t.ceiling), 1);
    QCOMPARE(int(t.lens), 2);
    QCOMPARE(int(t.imageReverse), 1);
    QCOMPARE(t.tweakCount, kept);
    for (int i = 0; i < 50; ++i)
        QCOMPARE(t.tweaks[size_t(i)], i < 2 * kept ? float(i) / 4 : 0.f);
}

QTEST_GUILESS_MAIN(RatioCorrectionTest)
#include "test_ratio_correction.moc"
