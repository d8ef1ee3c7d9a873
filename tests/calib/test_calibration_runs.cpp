#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// Whole calibrations as a user runs them: the program on the virtual module, whose camera
// photographs the calibration window and whose pen touches its targets. Each row writes a
// profile, runs `tivora --calibrate KIND` offscreen and checks what the user and the module saw.
class CalibrationRunsTest : public QObject {
    Q_OBJECT

private slots:
    void automatic_data();
    void automatic();
    void manual_data();
    void manual();
    void tuning_data();
    void tuning();
    void accuracyCheck_data();
    void accuracyCheck();

private:
    struct Run {
        int exitCode = -1;
        QString out; // the result lines and messages
        QString log; // the debug log
    };
    Run run(const QString& kind, const QString& profile, const QStringList& extra = {});
    // The store file of a module that one automatic calibration left, made once.
    QByteArray calibratedStore();
    void addRows(const char* name, const QString& profile, int exitCode,
                 const QStringList& expected, const QStringList& absent = {});
    void check(const QString& kind);
    static double rmsOf(const QString& out);

    QTemporaryDir m_dir;
    int m_runs = 0;
    QByteArray m_calibratedStore;
};

CalibrationRunsTest::Run CalibrationRunsTest::run(const QString& kind, const QString& profile,
                                                  const QStringList& extra) {
    const QString path = m_dir.filePath(QStringLiteral("profile%1.ini").arg(++m_runs));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(profile.toUtf8());
    file.close();

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TIVORA_CONFIG_DIR"), m_dir.path());
    env.insert(QStringLiteral("XDG_STATE_HOME"), m_dir.filePath(QStringLiteral("state")));
    env.insert(QStringLiteral("TIVORA_INSTANCE_KEY"),
               QStringLiteral("runs-%1-%2").arg(QCoreApplication::applicationPid()).arg(m_runs));
    env.insert(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TIVORA_BINARY),
                  QStringList{QStringLiteral("/noAutoUpdate"), QStringLiteral("--device"),
                              "sim:" + path, QStringLiteral("--calibrate"), kind} +
                      extra);
    Run result;
    if (!process.waitForFinished(150000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.log = QString::fromUtf8(process.readAllStandardError());
    return result;
}

double CalibrationRunsTest::rmsOf(const QString& out) {
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("ground truth: RMS ([0-9.]+) px")).match(out);
    return m.hasMatch() ? m.captured(1).toDouble() : -1.0;
}

void CalibrationRunsTest::addRows(const char* name, const QString& profile, int exitCode,
                                  const QStringList& expected, const QStringList& absent) {
    QTest::newRow(name) << profile << exitCode << expected << absent;
}

void CalibrationRunsTest::check(const QString& kind) {
    QFETCH(QString, profile);
    QFETCH(int, exitCode);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, absent);
    const Run r = run(kind, profile);
    const QString all = r.out + r.log;
    QVERIFY2(r.exitCode == exitCode, qPrintable(r.out + r.log.right(3000)));
    // "2x TEXT" asks for at least two occurrences.
    for (const QString& text : expected) {
        const bool twice = text.startsWith(QLatin1String("2x "));
        const QString needle = twice ? text.mid(3) : text;
        QVERIFY2(all.count(needle) >= (twice ? 2 : 1),
                 qPrintable("missing: " + text + "\n" + r.out));
    }
    for (const QString& text : absent)
        QVERIFY2(!all.contains(text), qPrintable("unexpected: " + text + "\n" + r.out));
    if (exitCode == 0) {
        // The module's stored calibration maps the pen where the user touched.
        const double rms = rmsOf(r.out);
        QVERIFY2(rms >= 0 && rms < 1.0, qPrintable(r.out));
    }
}

namespace {

void columns() {
    QTest::addColumn<QString>("profile");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QStringList>("absent");
}

const QString kPenLikeTheTable = QStringLiteral("[Pen]\nOffsets=tweak0\n");

} // namespace

void CalibrationRunsTest::automatic_data() {
    columns();
    addRows("succeeds, no ratio error", kPenLikeTheTable, 0,
            {"calibration auto: succeeded", "CMD_SET_CALIB_PARAMETER : Len[370]",
             "CMD_SET_FIX_COORD_RATIO : Len[12], Data[0, 0.000000]"});
    addRows("x ratio error corrected", kPenLikeTheTable + "[Touch]\nRatioErrorX=1.03\n", 0,
            {"calibration auto: succeeded", "CMD_SET_FIX_COORD_RATIO : Len[12], Data[1, 1.37"});
}

void CalibrationRunsTest::automatic() {
    check(QStringLiteral("auto"));
}

void CalibrationRunsTest::manual_data() {
    columns();
    addRows("16 targets", QString(), 0,
            {"calibration manual: succeeded", "CMD_MC_GET_INPUT_POINT",
             "CMD_MC_PATTERN_START : Data[f]"});
    addRows("early lift and going back", "[Pen]\nLiftEarlyOn=3\nGoBackAfter=6\n", 0,
            {"calibration manual: succeeded", "slotMCNextStep: curidx = 3",
             "2x CMD_MC_PATTERN_START : Data[3]", "2x CMD_MC_PATTERN_START : Data[6]"});
}

void CalibrationRunsTest::manual() {
    check(QStringLiteral("manual"));
}

void CalibrationRunsTest::tuning_data() {
    columns();
    addRows("20 positions", kPenLikeTheTable, 0,
            {"calibration tuning: succeeded", "before StopSemiAutoCalibration", "-- ac_tweak --",
             "ac_tweak_num = 20"});
    // Something blocks the top-left corner: the tuning needs all 20 marks, the automatic fit
    // does not, so the result is a plain automatic calibration, said after the result.
    addRows("a mark hidden: falls back to automatic",
            "[Screen]\nObstacleWidth=0.15\nObstacleHeight=0.2\n", 0,
            {"calibration tuning: succeeded", "SemiAutoCalib Failed. Retry AutoCalib.",
             "calibration tuning: succeeded\nstored calibration",
             "message: Auto Calibration Tuning failed. Proceeded as normal Auto Calibration."},
            {"before StopSemiAutoCalibration"});
}

void CalibrationRunsTest::tuning() {
    check(QStringLiteral("tuning"));
}

QByteArray CalibrationRunsTest::calibratedStore() {
    if (m_calibratedStore.isEmpty()) {
        const Run r =
            run(QStringLiteral("auto"), kPenLikeTheTable + "[Module]\nStoreFile=made.nv\n");
        QFile store(m_dir.filePath(QStringLiteral("made.nv")));
        if (r.exitCode == 0 && store.open(QIODevice::ReadOnly))
            m_calibratedStore = store.readAll();
    }
    return m_calibratedStore;
}

// `--calibrate check` on what a fresh automatic calibration stored: the module reports the pen
// through the calibration it holds, so the check sees that calibration's error against the
// truth. storeScale > 1 stores the same model for a larger window (the touches then land
// short of the targets, most at the bottom right); a pen whose offsets the calibration does
// not expect misses every target.
void CalibrationRunsTest::accuracyCheck_data() {
    QTest::addColumn<QString>("pen");
    QTest::addColumn<double>("storeScale");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("verdict");
    QTest::addColumn<int>("worstTarget"); // 0: any
    QTest::addColumn<bool>("everyTargetMissed");
    QTest::addColumn<bool>("reportBlocked"); // its folder is a regular file
    QTest::newRow("fresh calibration passes")
        << kPenLikeTheTable << 1.0 << 0 << ": passed" << 0 << false << false;
    QTest::newRow("stored for a larger window")
        << kPenLikeTheTable << 1.1 << 1 << ": failed" << 9 << false << false;
    // Passed, but without its record the run has failed.
    QTest::newRow("report cannot be written")
        << kPenLikeTheTable << 1.0 << 1 << ": passed" << 0 << false << true;
    QString offsets = QStringLiteral("[Pen]\nOffsets=");
    for (int i = 0; i < 40; ++i)
        offsets += i ? QStringLiteral(",25") : QStringLiteral("25");
    QTest::newRow("pen off every target") << offsets + "\n"
                                          << 1.0 << 1 << ": failed" << 0 << true << false;
}

void CalibrationRunsTest::accuracyCheck() {
    QFETCH(QString, pen);
    QFETCH(double, storeScale);
    QFETCH(int, exitCode);
    QFETCH(QString, verdict);
    QFETCH(int, worstTarget);
    QFETCH(bool, everyTargetMissed);
    QFETCH(bool, reportBlocked);

    QByteArray store = calibratedStore();
    QVERIFY(!store.isEmpty());
    // The store: an 8-byte tag, then the record with the window size at 320 and 322.
    constexpr int kWidthAt = 8 + 320;
    const auto u16 = [&store](int at) {
        return int(uchar(store[at])) | int(uchar(store[at + 1])) << 8;
    };
    const auto put16 = [&store](int at, int v) {
        store[at] = char(v & 0xFF);
        store[at + 1] = char(v >> 8);
    };
    put16(kWidthAt, qRound(u16(kWidthAt) * storeScale));
    put16(kWidthAt + 2, qRound(u16(kWidthAt + 2) * storeScale));
    const QString storeName = QStringLiteral("check%1.nv").arg(m_runs + 1);
    QFile file(m_dir.filePath(storeName));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(store);
    file.close();

    const QString report = reportBlocked
                               ? m_dir.filePath(storeName + QStringLiteral("/report.json"))
                               : m_dir.filePath(storeName + QStringLiteral(".json"));
    const Run r = run(QStringLiteral("check"), pen + "[Module]\nStoreFile=" + storeName + "\n",
                      {QStringLiteral("--report"), report});
    QVERIFY2(r.exitCode == exitCode, qPrintable(r.out + r.log.right(3000)));
    const QStringList lines = r.out.trimmed().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), reportBlocked ? 2 : 1);
    if (reportBlocked) {
        QVERIFY2(lines[1].startsWith(QStringLiteral("accuracy check: failed: could not write the "
                                                    "report ") +
                                     report),
                 qPrintable(r.out));
        return;
    }
    QVERIFY2(lines.first().startsWith(QLatin1String("accuracy check: mean ")), qPrintable(r.out));
    QVERIFY2(lines.first().contains(verdict), qPrintable(r.out));
    if (worstTarget > 0)
        QVERIFY2(lines.first().contains(QStringLiteral(" at target %1 of 9").arg(worstTarget)),
                 qPrintable(r.out));

    QFile json(report);
    QVERIFY(json.open(QIODevice::ReadOnly));
    const QJsonObject o = QJsonDocument::fromJson(json.readAll()).object();
    QCOMPARE(o.value(QStringLiteral("passed")).toBool(), exitCode == 0);
    const QJsonArray targets = o.value(QStringLiteral("targets")).toArray();
    QCOMPARE(targets.size(), 9);
    for (const QJsonValue& t : targets) {
        const double error = t.toObject().value(QStringLiteral("error_px")).toDouble();
        QVERIFY2(everyTargetMissed ? error > 8.0 : true, qPrintable(r.out));
    }
}

QTEST_GUILESS_MAIN(CalibrationRunsTest)
#include "test_calibration_runs.moc"
