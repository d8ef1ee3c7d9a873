#include "LogCapture.h"
#include "SyntheticProjection.h"
#include "compute/YThreshold.h"

#include <QtTest>

Q_DECLARE_METATYPE(ProjectionParams)

// The camera row limit: the largest camera row that still maps into the top 30 % of the window.
class TestYThreshold : public QObject {
    Q_OBJECT

private slots:
    void handWorked_data();
    void handWorked();
    void matchesFullScan_data();
    void matchesFullScan();
};

namespace {

ProjectionParams affine(double sx, double sy, double tx, double ty) {
    ProjectionParams tp = neutralProjection();
    tp[0] = sx;
    tp[4] = sy;
    tp[2] = tx;
    tp[5] = ty;
    return tp;
}

} // namespace

void TestYThreshold::handWorked_data() {
    QTest::addColumn<ProjectionParams>("tp");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("row");
    // Identity: Y = y, band Y < 216.
    QTest::newRow("identity 1280x720") << affine(1, 1, 0, 0) << 1280 << 720 << 215;
    // The band edge is not rounded: Y < 230.4 admits row 230.
    QTest::newRow("identity 1366x768") << affine(1, 1, 0, 0) << 1366 << 768 << 230;
    // Y = 2y < 324.
    QTest::newRow("scale 2") << affine(2, 2, 0, 0) << 1920 << 1080 << 161;
    // Y = y - 500 < 216.
    QTest::newRow("shifted up 500") << affine(1, 1, 0, -500) << 1280 << 720 << 715;
    // Rows 600 to 719 all map into the band; the bottom row wins.
    QTest::newRow("shifted up 600") << affine(1, 1, 0, -600) << 1920 << 1080 << 719;
    // Y = 719 - y: upside down, the band is at the bottom of the capture.
    QTest::newRow("upside down") << affine(1, -1, 0, 719) << 1280 << 720 << 719;
    // X = x - 1280 is negative for every column.
    QTest::newRow("left of the window") << affine(1, 1, -1280, 0) << 1920 << 1080 << -1;
    QTest::newRow("zero width") << affine(1, 1, 0, 0) << 0 << 1080 << -1;
    // Y = y + 300 never gets below 300 > 216.
    QTest::newRow("below the band") << affine(1, 1, 0, 300) << 1280 << 720 << -1;
}

void TestYThreshold::handWorked() {
    QFETCH(ProjectionParams, tp);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, row);
    LogCapture log;
    QCOMPARE(calcYThreshold(tp, width, height), row);
    QCOMPARE(log.lines().size(), 1);
    QVERIFY(log.lines().first().startsWith("calcYThreshold():"));
    QVERIFY(log.lines().first().endsWith(QString("-> %1").arg(row)));
}

void TestYThreshold::matchesFullScan_data() {
    QTest::addColumn<ProjectionParams>("tp");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("normal throw") << SyntheticProjection::forLens(1, 0).truth << 1920 << 1080;
    QTest::newRow("short throw") << SyntheticProjection::forLens(2, 0).truth << 1920 << 1080;
    QTest::newRow("ultra short") << SyntheticProjection::forLens(3, 10).truth << 1920 << 1080;
    QTest::newRow("ultra short, narrow window")
        << SyntheticProjection::forLens(3, 9).truth << 700 << 1080;
    ProjectionParams tilted = SyntheticProjection::forLens(2, 0).truth;
    tilted[7] = -0.002;
    QTest::newRow("steep perspective") << tilted << 1920 << 1080;
    // w = 1 - y / 400 is zero on camera row 400 and negative below it.
    QTest::newRow("denominator through zero")
        << ProjectionParams{1, 0, 0, 0, 1, 0, 0, -1.0 / 400, 640, 360, 0, 0, 0} << 1920 << 1080;
}

void TestYThreshold::matchesFullScan() {
    QFETCH(ProjectionParams, tp);
    QFETCH(int, width);
    QFETCH(int, height);
    LogCapture log;
    QCOMPARE(calcYThreshold(tp, width, height), calcYThresholdFullScan(tp, width, height));
}

QTEST_GUILESS_MAIN(TestYThreshold)
#include "test_ythreshold.moc"
