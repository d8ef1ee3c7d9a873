#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

// calib-bench run as a separate process: one scene of one window size, and a bad argument.
class TestCalibBench : public QObject {
    Q_OBJECT

private slots:
    void runsOneScene();
    void rejectsBadWindow();
};

void TestCalibBench::runsOneScene() {
    QProcess p;
    p.start(CALIB_BENCH, {"--window", "1024x768", "--scenes", "1", "--seed", "3"});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput().trimmed()).object();
    QVERIFY(o["success"].toBool());
    QCOMPARE(o["found"].toInt(), 20);
    QCOMPARE(o["centre_n"].toInt(), 20);
    QVERIFY(o["centre_sq"].toDouble() / 20 < 0.15 * 0.15);
    QVERIFY(o["map_max"].toDouble() < 2.0);
    QVERIFY(o["fit_ms"].toDouble() > 0.0);
    QVERIFY(o["scene"].toString().startsWith("1024x768 lens 1"));
}

void TestCalibBench::rejectsBadWindow() {
    QProcess p;
    p.start(CALIB_BENCH, {"--window", "wide"});
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), 2);
    QVERIFY(p.readAllStandardError().contains("bad --window wide"));
}

QTEST_APPLESS_MAIN(TestCalibBench)
#include "test_calibbench.moc"
