#include "app/CommandLine.h"
#include "tests/support/RunningProgram.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The command line as a user types it: what it switches on, and what the program answers
// before it opens a window.
class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void switches_data();
    void switches();
    void answersWithoutAWindow_data();
    void answersWithoutAWindow();
    void logFollowsTheRules_data();
    void logFollowsTheRules();
};

void CommandLineTest::switches_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("autoUpdate");
    QTest::addColumn<bool>("calibrate");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("successPauseMs");
    QTest::addColumn<QString>("reportPath");
    QTest::newRow("nothing") << QStringList{"tivora"} << true << false << 0 << -1 << QString();
    QTest::newRow("update switch first") << QStringList{"tivora", "/noAutoUpdate", "--simulate"}
                                         << false << false << 0 << -1 << QString();
    QTest::newRow("update switch second") << QStringList{"tivora", "--simulate", "/noAutoUpdate"}
                                          << true << false << 0 << -1 << QString();
    QTest::newRow("update switch in other letter case")
        << QStringList{"tivora", "/noautoupdate"} << true << false << 0 << -1 << QString();
    QTest::newRow("calibrate manual")
        << QStringList{"tivora", "--calibrate", "manual"} << true << true
        << int(CalibrateCommand::Kind::Manual) << -1 << QString();
    QTest::newRow("calibrate tuning, joined")
        << QStringList{"tivora", "/noAutoUpdate", "--calibrate=tuning"} << false << true
        << int(CalibrateCommand::Kind::Tuning) << -1 << QString();
    QTest::newRow("calibrate with a 2.5 s success pause")
        << QStringList{"tivora", "--calibrate", "auto", "--success-pause", "2.5"} << true << true
        << int(CalibrateCommand::Kind::Auto) << 2500 << QString();
    QTest::newRow("no success pause")
        << QStringList{"tivora", "--success-pause=0"} << true << false << 0 << 0 << QString();
    QTest::newRow("check with a report file")
        << QStringList{"tivora", "--calibrate", "check", "--report", "/tmp/room 12.json"} << true
        << true << int(CalibrateCommand::Kind::Check) << -1 << "/tmp/room 12.json";
}

void CommandLineTest::switches() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, autoUpdate);
    QFETCH(bool, calibrate);
    QFETCH(int, kind);
    QFETCH(int, successPauseMs);
    QFETCH(QString, reportPath);
    const CommandLine line = CommandLine::parse(arguments);
    QCOMPARE(line.reportPath, reportPath);
    QCOMPARE(int(line.action), int(CommandLine::Action::Run));
    QCOMPARE(line.successPauseMs, successPauseMs);
    QCOMPARE(line.autoUpdate, autoUpdate);
    QCOMPARE(line.calibrate, calibrate);
    if (calibrate)
        QCOMPARE(int(line.calibrationKind), kind);
}

void CommandLineTest::answersWithoutAWindow_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("firstLine"); // of standard output on 0, of standard error else
    QTest::newRow("help") << QStringList{"--help"} << 0
                          << "Usage: tivora [/noAutoUpdate] [OPTION]...";
    QTest::newRow("version after the update switch")
        << QStringList{"/noAutoUpdate", "-v"} << 0 << "tivora 1.0.1.7";
    QTest::newRow("unknown option")
        << QStringList{"--simulate", "--frobnicate"} << 2 << "tivora: Unknown option 'frobnicate'.";
    QTest::newRow("bad value") << QStringList{"--calibrate", "sideways"} << 2
                               << "tivora: --calibrate needs auto, manual, tuning or check";
    QTest::newRow("empty report name")
        << QStringList{"--report="} << 2 << "tivora: --report needs a file name";
    QTest::newRow("missing value")
        << QStringList{"--device"} << 2 << "tivora: Missing value after '--device'.";
    QTest::newRow("success pause out of range")
        << QStringList{"--success-pause", "-1"} << 2
        << "tivora: --success-pause needs a number of seconds from 0 to 60";
    QTest::newRow("success pause not a number")
        << QStringList{"--success-pause", "NaN"} << 2
        << "tivora: --success-pause needs a number of seconds from 0 to 60";
}

// No display is reachable here: an answer that needed a window would fail to start.
void CommandLineTest::answersWithoutAWindow() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, firstLine);
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TIVORA_BINARY), arguments);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    const QByteArray output =
        exitCode == 0 ? process.readAllStandardOutput() : process.readAllStandardError();
    const QList<QByteArray> lines = output.trimmed().split('\n');
    QCOMPARE(QString::fromUtf8(lines.first()), firstLine);
    if (exitCode != 0)
        QCOMPARE(lines.size(), 1);
}

void CommandLineTest::logFollowsTheRules_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("rules"); // QT_LOGGING_RULES
    QTest::addColumn<bool>("settingsLine");
    QTest::newRow("every category by default") << QStringList() << "" << true;
    QTest::newRow("a rule turns one category off")
        << QStringList() << "tivora.app.debug=false" << false;
    QTest::newRow("quiet, and a rule turns one category back on")
        << QStringList{"--quiet"} << "tivora.calib.debug=true" << false;
}

// The program runs until the connection watch (category tivora.calib) reports; by then it has
// logged which settings file it read (category tivora.app) unless the rules turned that off.
void CommandLineTest::logFollowsTheRules() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, rules);
    QFETCH(bool, settingsLine);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_LOGGING_RULES"), rules);
    const ProgramRun run = runUntilWatching(dir.path(), arguments, env);
    QVERIFY2(run.watching, run.output.constData());
    QVERIFY(run.ended);
    QCOMPARE(run.output.contains("configFilePath:"), settingsLine);
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "test_command_line.moc"
