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
    void terminalShowsResultsTheFileEverything_data();
    void terminalShowsResultsTheFileEverything();
    void screenArgument_data();
    void screenArgument();
    void findScreen_data();
    void findScreen();
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
    QTest::newRow("screen without a value")
        << QStringList{"--screen="} << 2 << "tivora: --screen needs a monitor's name or number";
    QTest::newRow("find-screen with calibrate")
        << QStringList{"--find-screen", "--calibrate", "auto"} << 2
        << "tivora: --find-screen and --calibrate cannot be combined";
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

void CommandLineTest::terminalShowsResultsTheFileEverything_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("verbose"); // the whole log on the terminal too
    QTest::newRow("by default") << QStringList() << false;
    QTest::newRow("--verbose") << QStringList{"--verbose"} << true;
}

// A check on the virtual module, which holds no calibration: one result line, at once.
void CommandLineTest::terminalShowsResultsTheFileEverything() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, verbose);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("TIVORA_VERBOSE"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TIVORA_UNATTENDED"), QStringLiteral("1"));
    env.insert(QStringLiteral("TIVORA_CONFIG_DIR"), dir.path());
    env.insert(QStringLiteral("XDG_STATE_HOME"), dir.path());
    env.insert(QStringLiteral("TIVORA_INSTANCE_KEY"), dir.path());
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TIVORA_BINARY),
                  arguments + QStringList{"--simulate", "--calibrate", "check"});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 1);
    QCOMPARE(process.readAllStandardOutput(),
             QByteArray("accuracy check: failed: the module holds no calibration\n"));
    QCOMPARE(process.readAllStandardError().contains("configFilePath:"), verbose);
    QFile log(dir.filePath(QStringLiteral("tivora/tivora.log")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains("configFilePath:"));
}

void CommandLineTest::screenArgument_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("name"); // empty: refused
    QTest::newRow("by name") << "HDMI-1"
                             << "HDMI-1";
    QTest::newRow("by number, counted from the left") << "1"
                                                      << "DP-1";
    QTest::newRow("the last number") << "3"
                                     << "HDMI-2";
    QTest::newRow("number 0") << "0"
                              << "";
    QTest::newRow("number past the last") << "4"
                                          << "";
    QTest::newRow("unknown name") << "VGA-1"
                                  << "";
    QTest::newRow("a name in other letter case") << "hdmi-1"
                                                 << "";
}

void CommandLineTest::screenArgument() {
    QFETCH(QString, value);
    QFETCH(QString, name);
    const CommandLine line = CommandLine::parse({"tivora", "--find-screen", "--screen", value});
    QCOMPARE(int(line.action), int(CommandLine::Action::Run));
    QVERIFY(line.findScreen);
    // Listed as the toolkit lists them, the primary first.
    const QVector<ScreenDesc> leftToRight{{QRect(0, 0, 1920, 1080), 96.0, QRect(), "DP-1"},
                                          {QRect(1920, 0, 1920, 1080), 96.0, QRect(), "HDMI-1"},
                                          {QRect(3840, 0, 1280, 720), 96.0, QRect(), "HDMI-2"}};
    QString error;
    QCOMPARE(CommandLine::screenName(line.screen, leftToRight, &error), name);
    QCOMPARE(error.isEmpty(), !name.isEmpty());
    if (!name.isEmpty())
        return;
    QVERIFY(!error.contains('\n'));
    QVERIFY(error.startsWith("--screen " + value + ": no such monitor"));
}

void CommandLineTest::findScreen_data() {
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("line");
    QTest::newRow("projector on the one monitor")
        << QByteArray() << 0 << "screen: found an unnamed monitor (1 of 1 from the left)";
    QTest::newRow("projector on none") << QByteArray("[Screen]\nMonitor=2\n") << 1
                                       << "screen: the camera sees none of the 1 monitors";
}

// The offscreen platform has one monitor, without a name; the virtual module's projector is
// on it or on none.
void CommandLineTest::findScreen() {
    QFETCH(QByteArray, profile);
    QFETCH(int, exitCode);
    QFETCH(QString, line);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("profile.ini")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(profile);
    file.close();
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TIVORA_CONFIG_DIR"), dir.path());
    env.insert(QStringLiteral("TIVORA_INSTANCE_KEY"), "find-" + dir.path().section('/', -1));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TIVORA_BINARY),
                  {"/noAutoUpdate", "--device", "sim:" + file.fileName(), "--find-screen"});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), exitCode);
    QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()).trimmed(), line);
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "test_command_line.moc"
