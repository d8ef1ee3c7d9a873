#include "tests/faults/HostilePeer.h"

#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

Q_DECLARE_METATYPE(HostilePeer::Scenario)

// The real program against a hostile module on the Unix-socket transport, one scenario per
// row (each its own CTest test, so that they run side by side). In every row: no crash, peak
// memory under a bound, SIGTERM acted on within 2 s (scaled for sanitized builds), and the
// documented outcome.
class HostilePeerTest : public QObject {
    Q_OBJECT

private slots:
    void scenario_data();
    void scenario();
};

namespace {

constexpr int kFloodMs = 2000;
constexpr int kSignalActsMs = 2000;
// The close itself pauses about a second (the receive thread's read, the module's tracking
// restarted); the program's own limit on its end is 8 s.
constexpr int kExitMs = 5000;
constexpr int kPeakMemoryMiB = 300;

int timeoutFactor() {
    return std::max(1, qEnvironmentVariableIntValue("TIVORA_TIMEOUT_FACTOR"));
}

// Peak resident memory of a running process, in MiB.
int peakMemoryMiB(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return int(line.mid(6).trimmed().split(' ').first().toLongLong() / 1024);
    return -1;
}

// The program's log as it grows: each look reads only what was added, since a flood makes it
// large.
class GrowingLog {
public:
    explicit GrowingLog(const QString& path) : m_file(path) {}

    bool contains(const QByteArray& text) {
        if (!m_file.isOpen() && !m_file.open(QIODevice::ReadOnly))
            return false;
        m_text += m_file.readAll();
        // Where the search for this text stopped; -1 once found.
        int& from = m_searchedUpTo[text];
        if (from < 0)
            return true;
        const bool found = m_text.indexOf(text, std::max(0, from - int(text.size()) + 1)) >= 0;
        from = found ? -1 : int(m_text.size());
        return found;
    }

private:
    QFile m_file;
    QByteArray m_text;
    QHash<QByteArray, int> m_searchedUpTo;
};

} // namespace

void HostilePeerTest::scenario_data() {
    QTest::addColumn<HostilePeer::Scenario>("scenario");
    QTest::addColumn<QByteArray>("serial");
    QTest::addColumn<bool>("calibrate");
    // A line the log must hold; empty for none.
    QTest::addColumn<QByteArray>("logged");
    QTest::addColumn<int>("maxMaskRequests");
    QTest::addColumn<int>("maxRepairRequests");

    using S = HostilePeer::Scenario;
    QTest::newRow("stop-reading") << S::StopReading << QByteArray("HP0001") << false
                                  << QByteArray("unix socket peer stopped reading") << -1 << -1;
    QTest::newRow("mask-flood") << S::MaskFlood << QByteArray("HP0002") << false
                                << QByteArray("TvMainCtrl::slotReceiveMask ==> 28801") << -1 << -1;
    QTest::newRow("random-codes") << S::RandomCodes << QByteArray("HP0003") << false << QByteArray()
                                  << -1 << -1;
    // One download's worth: part 0 from the opening, then parts 1 to 57.
    QTest::newRow("endless-mask") << S::EndlessMask
                                  << QByteArray("SN\x1b]0;owned\x07\nFAKE: line\\") << false
                                  << QByteArray("SerialNumber: SN\\x1B]0;owned\\x07\\x0AFAKE: "
                                                "line\\\\")
                                  << 58 << -1;
    // Twenty rounds of repair, then the calibration fails with its message.
    QTest::newRow("never-repaired")
        << S::NeverRepaired << QByteArray("HP0005") << true
        << QByteArray("captured image 101: parts 5 still missing") << -1 << 20;
}

void HostilePeerTest::scenario() {
    QFETCH(HostilePeer::Scenario, scenario);
    QFETCH(QByteArray, serial);
    QFETCH(bool, calibrate);
    QFETCH(QByteArray, logged);
    QFETCH(int, maxMaskRequests);
    QFETCH(int, maxRepairRequests);
    const int factor = timeoutFactor();

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    HostilePeer peer(dir.filePath(QStringLiteral("module.sock")), scenario, serial);
    QVERIFY(peer.listen());
    peer.start();

    const QString logPath = dir.filePath(QStringLiteral("tivora.log"));
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TIVORA_CONFIG_DIR"), dir.path());
    env.insert(QStringLiteral("TIVORA_INSTANCE_KEY"),
               QStringLiteral("hostile-%1").arg(QCoreApplication::applicationPid()));
    env.insert(QStringLiteral("TIVORA_UNATTENDED"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.setStandardOutputFile(logPath);
    QStringList arguments{QStringLiteral("/noAutoUpdate"), QStringLiteral("--device"),
                          "unix:" + dir.filePath(QStringLiteral("module.sock"))};
    if (calibrate)
        arguments << QStringLiteral("--calibrate") << QStringLiteral("auto");
    const QString binary = qEnvironmentVariable("TIVORA_HOSTILE_PROGRAM", TIVORA_BINARY);
    program.start(binary, arguments);
    QVERIFY(program.waitForStarted());
    GrowingLog log(logPath);
    QVERIFY(QTest::qWaitFor([&] { return log.contains("SerialNumber:"); }, 20000 * factor));

    if (calibrate) {
        QVERIFY(program.waitForFinished(60000 * factor));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1);
        QVERIFY(log.contains("calibration auto: failed: "));
    } else {
        // The flood runs for a while before the user gives up on the program.
        const int floodMs = qEnvironmentVariableIntValue("TIVORA_HOSTILE_FLOOD_MS");
        QTest::qWait(floodMs > 0 ? floodMs : kFloodMs);
        QCOMPARE(program.state(), QProcess::Running);
        const qint64 pid = program.processId();
        int peak = peakMemoryMiB(pid);
        QElapsedTimer clock;
        clock.start();
        ::kill(pid_t(pid), SIGTERM);
        // Memory is sampled until the end: a program behind on its queue grows on meanwhile.
        const bool acted = QTest::qWaitFor(
            [&] {
                peak = std::max(peak, peakMemoryMiB(pid));
                return log.contains("termination signal: closing");
            },
            kSignalActsMs * factor);
        const qint64 actedMs = clock.elapsed();
        const bool ended = QTest::qWaitFor(
            [&] {
                peak = std::max(peak, peakMemoryMiB(pid));
                return program.state() == QProcess::NotRunning;
            },
            kExitMs * factor);
        const qint64 endedMs = clock.elapsed();
        qInfo().noquote() << QStringLiteral("figures: %1 packets sent, peak memory %2 MiB, "
                                            "SIGTERM acted on after %3 ms, program ended after "
                                            "%4 ms")
                                 .arg(peer.packetsSent())
                                 .arg(peak)
                                 .arg(acted ? QString::number(actedMs) : QStringLiteral("(not)"))
                                 .arg(ended ? QString::number(endedMs) : QStringLiteral("(not)"));
        QVERIFY(acted);
        QVERIFY(ended);
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY2(peak < kPeakMemoryMiB * factor, qPrintable(QString::number(peak)));
    }
    peer.stop();

    if (!logged.isEmpty())
        QVERIFY2(log.contains(logged), logged.constData());
    QVERIFY2(!log.contains("\x1b"), "a raw escape character reached the log");
    if (maxMaskRequests >= 0)
        QVERIFY2(peer.maskRequests() <= maxMaskRequests,
                 qPrintable(QString::number(peer.maskRequests())));
    if (maxRepairRequests >= 0)
        QVERIFY2(peer.repairRequests() <= maxRepairRequests,
                 qPrintable(QString::number(peer.repairRequests())));
}

QTEST_GUILESS_MAIN(HostilePeerTest)
#include "test_hostile_peer.moc"
