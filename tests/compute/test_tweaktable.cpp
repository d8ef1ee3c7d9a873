#include "LogCapture.h"
#include "compute/CalibWorkspace.h"

#include <QtTest>

// Which tweak table setCalibInformation puts into the context, and what it stores on the way.
class TestTweakTable : public QObject {
    Q_OBJECT

private slots:
    void choice_data();
    void choice();
    void fwLowerStoredOnlyOnLensThreePredefinedPath();
    void handedInCountIsCut_data();
    void handedInCountIsCut();
};

namespace {

CalibWorkspace::CalibInformation information(int lens, int pen, int fwLower, int tweakCount,
                                             const cv::Point2f* tweaks) {
    CalibWorkspace::CalibInformation info;
    info.windowWidth = 1920;
    info.windowHeight = 1080;
    info.lensType = lens;
    info.penType = pen;
    info.fwLower = fwLower;
    info.tweakCount = tweakCount;
    info.tweaks = tweaks;
    return info;
}

std::array<cv::Point2f, kCalibPointCapacity> handedTable() {
    std::array<cv::Point2f, kCalibPointCapacity> t;
    for (int i = 0; i < kCalibPointCapacity; ++i)
        t[i] = {0.5f + i, -0.25f - i};
    return t;
}

} // namespace

void TestTweakTable::choice_data() {
    QTest::addColumn<int>("lens");
    QTest::addColumn<int>("fwLower");
    QTest::addColumn<int>("pen");
    QTest::addColumn<int>("handedCount");
    QTest::addColumn<int>("count");
    QTest::addColumn<QPointF>("entry0");
    QTest::addColumn<QPointF>("entry19");
    QTest::addColumn<bool>("penTypeLine");

    QTest::newRow("lens 3, fw 10, pen 0")
        << 3 << 10 << 0 << 0 << 20 << QPointF(-2.4, -0.07) << QPointF(0.8, 0.34) << true;
    QTest::newRow("lens 3, fw 10, pen 1")
        << 3 << 10 << 1 << 0 << 20 << QPointF(-2.4, 0.3) << QPointF(0.8, 0.34) << true;
    QTest::newRow("lens 3, fw 9, pen 0")
        << 3 << 9 << 0 << 0 << 20 << QPointF(-3.55, -0.84) << QPointF(3.43, 1.16) << true;
    QTest::newRow("lens 3, fw 9, pen 1")
        << 3 << 9 << 1 << 0 << 20 << QPointF(-3.55, -0.84) << QPointF(3.43, 1.16) << true;
    QTest::newRow("lens 2, pen 0")
        << 2 << 0 << 0 << 0 << 20 << QPointF(-2.84, -0.62) << QPointF(1.61, 1.45) << true;
    QTest::newRow("lens 4, pen 1")
        << 4 << 0 << 1 << 0 << 20 << QPointF(-2.26, -0.37) << QPointF(1.17, -0.25) << true;
    QTest::newRow("lens 1, pen 1")
        << 1 << 0 << 1 << 0 << 20 << QPointF(-1.83, -0.07) << QPointF(0.36, 1.42) << false;
    QTest::newRow("lens 2, pen 2") << 2 << 0 << 2 << 0 << 20 << QPointF() << QPointF() << true;
    QTest::newRow("handed-in count 0 is predefined")
        << 2 << 0 << 0 << 0 << 20 << QPointF(-2.84, -0.62) << QPointF(1.61, 1.45) << true;
    QTest::newRow("negative handed-in count is predefined")
        << 2 << 0 << 0 << -3 << 20 << QPointF(-2.84, -0.62) << QPointF(1.61, 1.45) << true;
    QTest::newRow("handed-in table")
        << 3 << 12 << 0 << 20 << 20 << QPointF(0.5, -0.25) << QPointF(19.5, -19.25) << false;
}

void TestTweakTable::choice() {
    QFETCH(int, lens);
    QFETCH(int, fwLower);
    QFETCH(int, pen);
    QFETCH(int, handedCount);
    QFETCH(int, count);
    QFETCH(QPointF, entry0);
    QFETCH(QPointF, entry19);
    QFETCH(bool, penTypeLine);

    LogCapture log;
    CalibWorkspace ws;
    ws.setPointCounts(20, 16);
    const auto handed = handedTable();
    ws.setCalibInformation(information(lens, pen, fwLower, handedCount, handed.data()));

    const TweakTable& t = ws.ac_tweak;
    QCOMPARE(t.count, count);
    QCOMPARE(t.entries[0],
             cv::Point2f(static_cast<float>(entry0.x()), static_cast<float>(entry0.y())));
    QCOMPARE(t.entries[19],
             cv::Point2f(static_cast<float>(entry19.x()), static_cast<float>(entry19.y())));
    for (int i = 20; i < kCalibPointCapacity; ++i)
        QCOMPARE(t.entries[i], cv::Point2f());
    QCOMPARE(log.contains("use predefined values"), handedCount < 1);
    QCOMPARE(log.contains(QString("PenType : %1").arg(pen)), penTypeLine && handedCount < 1);
    QVERIFY(log.contains(QString::asprintf("[ 0] %f %f", float(entry0.x()), float(entry0.y()))));
    QCOMPARE(log.count(QRegularExpression("^\\[[ \\d]\\d\\] ")), count);
    QVERIFY(log.contains(QString("ac_tweak_num = %1").arg(handedCount)));
}

void TestTweakTable::fwLowerStoredOnlyOnLensThreePredefinedPath() {
    LogCapture log;
    CalibWorkspace ws;
    ws.setPointCounts(20, 16);
    const auto handed = handedTable();

    // A handed-in table leaves the stored version at 0, which selects the older lens preset.
    ws.setCalibInformation(information(3, 0, 12, 20, handed.data()));
    QCOMPARE(ws.m_nFWLower, 0);
    ProjectionParams tp{};
    ws.getLensPreset(tp);
    QCOMPARE(tp[8], 612.0396);

    ws.setCalibInformation(information(3, 0, 12, 0, nullptr));
    QCOMPARE(ws.m_nFWLower, 12);
    ws.getLensPreset(tp);
    QCOMPARE(tp[8], 617.2931);

    ws.setCalibInformation(information(2, 0, 4, 0, nullptr));
    QCOMPARE(ws.m_nFWLower, 12);
}

void TestTweakTable::handedInCountIsCut_data() {
    QTest::addColumn<int>("handedCount");
    QTest::addColumn<int>("count");
    QTest::newRow("5") << 5 << 5;
    QTest::newRow("25") << 25 << 25;
    QTest::newRow("26") << 26 << 25;
    QTest::newRow("1000000") << 1000000 << 25;
}

void TestTweakTable::handedInCountIsCut() {
    QFETCH(int, handedCount);
    QFETCH(int, count);
    LogCapture log;
    CalibWorkspace ws;
    ws.setPointCounts(20, 16);
    // A predefined table first, so that stale entries would show.
    ws.setCalibInformation(information(2, 0, 0, 0, nullptr));
    const auto handed = handedTable();
    ws.setCalibInformation(information(2, 0, 0, handedCount, handed.data()));
    QCOMPARE(ws.ac_tweak.count, count);
    for (int i = 0; i < kCalibPointCapacity; ++i)
        QCOMPARE(ws.ac_tweak.entries[i], i < count ? handed[i] : cv::Point2f());
}

QTEST_GUILESS_MAIN(TestTweakTable)
#include "test_tweaktable.moc"
