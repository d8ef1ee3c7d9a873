#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// calib-bench run as a separate process: one scene of one window size, a reference of centres
// that a run must match, and a bad argument.
class TestCalibBench : public QObject {
    Q_OBJECT

private slots:
    void runsOneScene();
    void failsOnCentresUnlikeTheReference();
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

void TestCalibBench::failsOnCentresUnlikeTheReference() {
    QTemporaryDir dir;
    const QString path = dir.filePath("reference.txt");
    const QStringList corpus{"--sizes", "1024x768", "--scenes", "1", "--seed", "3"};
    QProcess record;
    record.start(CALIB_BENCH, corpus + QStringList{"--record", path});
    QVERIFY(record.waitForFinished(60000));
    QCOMPARE(record.exitCode(), 0);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = file.readAll().split('\n');
    file.close();
    QCOMPARE(lines.size(), 3); // the corpus, one scene, the final newline
    const QByteArray& scene = lines[1];
    QCOMPARE(scene.mid(scene.indexOf(": ") + 2).split(' ').size(), 20);
    lines[1].insert(scene.lastIndexOf(' ') + 1, '1');
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(lines.join('\n'));
    file.close();

    QProcess compare;
    compare.start(CALIB_BENCH, corpus + QStringList{"--reference", path});
    QVERIFY(compare.waitForFinished(60000));
    QCOMPARE(compare.exitCode(), 3);
    QVERIFY(compare.readAllStandardError().contains("centres differ from the reference at line 2"));
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
