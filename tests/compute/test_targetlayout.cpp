#include "compute/TargetLayout.h"

#include <QtTest>
#include <cmath>

Q_DECLARE_METATYPE(QVector<int>)

// Hand-worked layouts: margins from the marker sizes (or the 16:10 rule), then the pattern
// columns and rows on whole pixels.
class TargetLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void patternPoints_data();
    void patternPoints();
    void markerSizesOf1366x768();
    void manualPointsKeepFractions();
    void tuningOrderVisitsColumns();
    void targetRectRoundsHalvesUp_data();
    void targetRectRoundsHalvesUp();
    void checkPointsAvoidCalibrationTargets_data() { patternPoints_data(); }
    void checkPointsAvoidCalibrationTargets();
    void checkPointsOf1920x1080();
};

void TargetLayoutTest::patternPoints_data() {
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<double>("margin");
    QTest::addColumn<QVector<int>>("columns");
    QTest::addColumn<QVector<int>>("rows");

    QTest::newRow("1920x1080") << 1920 << 1080 << 105.0 << QVector<int>{105, 675, 960, 1244, 1814}
                               << QVector<int>{105, 395, 684, 974};
    QTest::newRow("1280x800 16:10") << 1280 << 800 << 70.0 << QVector<int>{70, 450, 640, 829, 1209}
                                    << QVector<int>{70, 290, 509, 729};
    QTest::newRow("1366x768") << 1366 << 768 << 74.34375 << QVector<int>{74, 480, 683, 885, 1291}
                              << QVector<int>{74, 280, 487, 693};
    // 16:10 takes the scaled margin although the marker rule would give 30 + 75.
    QTest::newRow("1920x1200 16:10")
        << 1920 << 1200 << 105.0 << QVector<int>{105, 675, 960, 1244, 1814}
        << QVector<int>{105, 435, 764, 1094};
    // At most 1280 wide and not 16:10: big + 10.
    QTest::newRow("1024x768") << 1024 << 768 << 58.0 << QVector<int>{58, 360, 512, 663, 965}
                              << QVector<int>{58, 275, 492, 709};
}

void TargetLayoutTest::patternPoints() {
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(double, margin);
    QFETCH(QVector<int>, columns);
    QFETCH(QVector<int>, rows);

    QCOMPARE(targetMargin(w, h), margin);
    const TargetPoints pts = targetPoints(w, h, true);
    for (int r = 0; r < kPatternRows; ++r) {
        for (int c = 0; c < kPatternColumns; ++c) {
            const TargetPoint& p = pts[5 * r + c];
            QCOMPARE(p.x, float(columns[c]));
            QCOMPARE(p.y, float(rows[r]));
        }
    }
    for (int i = kPatternPoints; i < kTargetSlots; ++i) {
        QCOMPARE(pts[i].x, 0.f);
        QCOMPARE(pts[i].y, 0.f);
    }
}

void TargetLayoutTest::markerSizesOf1366x768() {
    const MarkerSizes m = markerSizes(1366, 768);
    QCOMPARE(m.big, 53);
    QCOMPARE(m.small, 43);
    QCOMPARE((2 * m.big + 5) / 6, 18);
    // Height wins on a tall window.
    QCOMPARE(markerSizes(1024, 1280).big, 80);
}

void TargetLayoutTest::manualPointsKeepFractions() {
    const TargetPoints pts = targetPoints(1920, 1080, false);
    const double xs[] = {105 + 1.0 / 3, 675, 105 + 3419.0 / 3, 105 + 5128.0 / 3};
    const double ys[] = {105 + 1.0 / 3, 395, 105 + 1739.0 / 3, 105 + 2608.0 / 3};
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            QCOMPARE(pts[4 * c + r].x, float(xs[c]));
            QCOMPARE(pts[4 * c + r].y, float(ys[r]));
        }
    }
    QCOMPARE(pts[kManualPoints].x, 0.f);
}

void TargetLayoutTest::tuningOrderVisitsColumns() {
    const TargetPoints pattern = targetPoints(1920, 1080, true);
    const TargetPoints tuning = tuningOrder(pattern);
    const int t[kPatternPoints] = {0, 4, 8,  12, 16, 1, 5, 9,  13, 17,
                                   2, 6, 10, 14, 18, 3, 7, 11, 15, 19};
    for (int i = 0; i < kPatternPoints; ++i) {
        QCOMPARE(tuning[t[i]].x, pattern[i].x);
        QCOMPARE(tuning[t[i]].y, pattern[i].y);
    }
    // Down the first column first.
    QCOMPARE(tuning[1].x, 105.f);
    QCOMPARE(tuning[1].y, 395.f);
}

void TargetLayoutTest::targetRectRoundsHalvesUp_data() {
    QTest::addColumn<float>("x");
    QTest::addColumn<int>("left");
    QTest::newRow("whole") << 675.f << 619;
    QTest::newRow("half up") << 56.5f << 1;
    QTest::newRow("negative half up") << 55.5f << 0;
    QTest::newRow("negative below half") << 55.4f << -1;
    QTest::newRow("third") << 105.33333f << 49;
}

void TargetLayoutTest::targetRectRoundsHalvesUp() {
    QFETCH(float, x);
    QFETCH(int, left);
    const QRect r = targetRect({x, x});
    QCOMPARE(r.left(), left);
    QCOMPARE(r.top(), left);
    QCOMPARE(r.size(), QSize(113, 113));
}

// Wherever the calibration puts its targets, the check measures elsewhere: the corners outside
// the calibration grid, the rest well apart from every automatic and manual target.
void TargetLayoutTest::checkPointsAvoidCalibrationTargets() {
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(double, margin);

    const TargetPoints pattern = targetPoints(w, h, true);
    const TargetPoints manual = targetPoints(w, h, false);
    const auto check = checkPoints(w, h);
    for (int i = 0; i < kCheckPoints; ++i) {
        const TargetPoint& p = check[size_t(i)];
        QVERIFY2(QRect(0, 0, w, h).contains(QPoint(int(p.x), int(p.y))),
                 qPrintable(QString::number(i)));
        // Well apart from every calibration target, on small screens at least 0.6 margins.
        const double least = std::min(40.0, 0.6 * margin);
        auto apart = [&p, least](const TargetPoints& pts, int n) {
            for (int k = 0; k < n; ++k) {
                if (std::hypot(pts[size_t(k)].x - p.x, pts[size_t(k)].y - p.y) < least)
                    return false;
            }
            return true;
        };
        QVERIFY2(apart(pattern, kPatternPoints), qPrintable(QString::number(i)));
        QVERIFY2(apart(manual, kManualPoints), qPrintable(QString::number(i)));
    }
    for (int corner : {0, 2, 6, 8}) {
        const TargetPoint& p = check[size_t(corner)];
        QVERIFY(p.x < margin || p.x > w - 1 - margin);
        QVERIFY(p.y < margin || p.y > h - 1 - margin);
    }
}

void TargetLayoutTest::checkPointsOf1920x1080() {
    const int expected[kCheckPoints][2] = {{53, 53},   {960, 250}, {1867, 53},
                                           {390, 540}, {960, 540}, {1529, 540},
                                           {53, 1027}, {960, 829}, {1867, 1027}};
    const auto check = checkPoints(1920, 1080);
    for (int i = 0; i < kCheckPoints; ++i) {
        QCOMPARE(check[size_t(i)].x, float(expected[i][0]));
        QCOMPARE(check[size_t(i)].y, float(expected[i][1]));
    }
}

QTEST_APPLESS_MAIN(TargetLayoutTest)
#include "test_targetlayout.moc"
