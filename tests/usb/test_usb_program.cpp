#include "device/ByteOrder.h"
#include "sim/RecordLayout.h"

#include <QtTest>
#include <csignal>

// The program itself, unmodified, with --device usb on an emulated USB bus: what it finds,
// opens and logs, how it follows a pulled cable, and how it leaves the module when it ends.
class UsbProgramTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void runsOnTheBus_data();
    void runsOnTheBus();
    void calibratesOnTheBus();
    void faultsOnTheBus_data();
    void faultsOnTheBus();

private:
    enum Replug { NoReplug, AfterAbsence, AtOnce };

    bool waitForOutput(const QString& pattern, int count = 1, int timeoutMs = 20000);
    int countOf(const QString& pattern) const;
    void endProgram();
    void startBridge(const QStringList& bridgeOptions, const QStringList& programOptions);
    qint64 programPid() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_bridge;
    QString m_output;
};

namespace {

int slow(int ms) {
    return ms * std::max(1, qEnvironmentVariableIntValue("TIVORA_TIMEOUT_FACTOR"));
}

// Do the lines of the program's log, and of the bridge's, appear in this order?
bool inOrder(const QString& text, const QStringList& lines) {
    int from = 0;
    for (const QString& line : lines) {
        from = text.indexOf(line, from);
        if (from < 0)
            return false;
        from += line.size();
    }
    return true;
}

const QStringList kOpening = {
    "16D0 0F8C | FF00 0001",
    "libusb_open() = 0 ",
    "usb-bridge: module %1: claim 2",
    "libusb_claim_interface(2) = 0",
    "usb-bridge: module %1: claim 3",
    "libusb_claim_interface(3) = 0",
    "SerialNumber: SIM0000001",
    "usb-bridge: module %1: out 0x1110",
    "CMD_STOP_TRACKING",
    "usb-bridge: module %1: out 0x1003",
    "F/W Version: 51.12",
    "usb-bridge: module %1: out 0x1118",
    "F/W Option: 0 0 0 1",
    "usb-bridge: module %1: out 0x111C",
    "DAT_EEPROM : Len[400]",
    "usb-bridge: module %1: out 0x112C",
    "TvMainCtrl::slotReceiveMask ==> 28801",
};

QStringList opening(int module) {
    QStringList lines;
    for (const QString& line : kOpening)
        lines << (line.contains("%1") ? line.arg(module) : line);
    return lines;
}

} // namespace

void UsbProgramTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_output.clear();
}

void UsbProgramTest::cleanup() {
    if (m_bridge && m_bridge->state() != QProcess::NotRunning) {
        m_bridge->kill();
        m_bridge->waitForFinished();
    }
    m_bridge.reset();
    m_dir.reset();
}

bool UsbProgramTest::waitForOutput(const QString& pattern, int count, int timeoutMs) {
    return QTest::qWaitFor([&] { return countOf(pattern) >= count; }, slow(timeoutMs));
}

int UsbProgramTest::countOf(const QString& pattern) const {
    return m_output.count(QRegularExpression(pattern));
}

void UsbProgramTest::startBridge(const QStringList& bridgeOptions,
                                 const QStringList& programOptions) {
    m_bridge = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("TIVORA_UNATTENDED", "1");
    env.insert("TIVORA_CONFIG_DIR", m_dir->path());
    env.insert("TIVORA_INSTANCE_KEY", "test-usb-program-" + m_dir->path().section('/', -1));
    env.remove("TIVORA_DEVICE");
    m_bridge->setProcessEnvironment(env);
    m_bridge->setProcessChannelMode(QProcess::MergedChannels);
    connect(m_bridge.get(), &QProcess::readyRead, this,
            [this] { m_output += QString::fromLocal8Bit(m_bridge->readAll()); });
    m_bridge->start(TIVORA_USB_BRIDGE,
                    bridgeOptions +
                        QStringList{"--", TIVORA_PROGRAM, "/noAutoUpdate", "--device", "usb"} +
                        programOptions);
}

qint64 UsbProgramTest::programPid() const {
    const QRegularExpressionMatch started =
        QRegularExpression("usb-bridge: started (\\d+)").match(m_output);
    return started.hasMatch() ? started.captured(1).toLongLong() : -1;
}

void UsbProgramTest::endProgram() {
    QVERIFY(programPid() > 0);
    ::kill(pid_t(programPid()), SIGTERM);
    QVERIFY(
        QTest::qWaitFor([this] { return m_bridge->state() == QProcess::NotRunning; }, slow(20000)));
    QCOMPARE(m_bridge->exitStatus(), QProcess::NormalExit);
}

void UsbProgramTest::runsOnTheBus_data() {
    QTest::addColumn<QStringList>("bridgeOptions");
    QTest::addColumn<int>("replug");
    QTest::newRow("one module") << QStringList() << int(NoReplug);
    QTest::newRow("first module busy") << QStringList{"--busy-first"} << int(NoReplug);
    QTest::newRow("never HID-ready") << QStringList{"--no-hid"} << int(NoReplug);
    QTest::newRow("replugged after it was seen gone") << QStringList() << int(AfterAbsence);
    QTest::newRow("replugged within one pass") << QStringList() << int(AtOnce);
}

void UsbProgramTest::runsOnTheBus() {
    QFETCH(QStringList, bridgeOptions);
    QFETCH(int, replug);
    const bool busyFirst = bridgeOptions.contains("--busy-first");
    const bool hidReady = !bridgeOptions.contains("--no-hid");
    const int module = 0;

    startBridge(bridgeOptions, {});
    QVERIFY(m_bridge->waitForStarted());

    if (!hidReady) {
        // Present on the bus but never ready: looked at on every pass, never opened.
        QVERIFY2(waitForOutput("16D0 0F8C\\n", 2), qPrintable(m_output));
        QCOMPARE(countOf("libusb_open|FF00"), 0);
        endProgram();
        QCOMPARE(countOf("usb-bridge: module 0: (claim|out)"), 0);
        return;
    }

    const QString maskRequest = QString("usb-bridge: module %1: out 0x112C").arg(module);
    const QString maskArrived = QStringLiteral("TvMainCtrl::slotReceiveMask ==> 28801");
    QVERIFY2(waitForOutput(maskArrived), qPrintable(m_output));
    QCOMPARE(countOf(maskRequest), 58);
    QVERIFY2(inOrder(m_output, opening(module)), qPrintable(m_output));
    if (busyFirst) {
        QVERIFY2(inOrder(m_output,
                         {"usb-bridge: module 1: claim 2 busy",
                          "libusb_claim_interface(2) FAIL!! -6: LIBUSB_ERROR_BUSY: Resource busy",
                          "libusb_claim_interface(2) = 0"}),
                 qPrintable(m_output));
        QCOMPARE(countOf("usb-bridge: module 1: (claim 3|out)"), 0);
    }

    if (replug != NoReplug) {
        const int threadsEnded = countOf("RecvPacketProc End");
        m_bridge->write("unplug\n");
        if (replug == AfterAbsence)
            QVERIFY2(waitForOutput("RecvPacketProc End", threadsEnded + 1), qPrintable(m_output));
        m_bridge->write("replug\n");
        QVERIFY2(waitForOutput("SerialNumber: SIM0000001", 2), qPrintable(m_output));
        if (replug == AtOnce)
            QVERIFY(m_output.contains("the module was replugged, the link is lost"));
        QVERIFY2(waitForOutput(maskArrived, 2), qPrintable(m_output));
        QCOMPARE(countOf(maskRequest), 2 * 58);
    }

    endProgram();
    // The module is left tracking, released and closed, and nothing reads after that.
    const int startTracking = m_output.lastIndexOf(QString("module %1: out 0x110F").arg(module));
    QVERIFY2(startTracking >= 0, qPrintable(m_output));
    const QString tail = m_output.mid(startTracking + 1);
    QVERIFY2(inOrder(tail, {QString("usb-bridge: module %1: release 2").arg(module),
                            QString("usb-bridge: module %1: release 3").arg(module)}),
             qPrintable(m_output));
    QCOMPARE(QRegularExpression(QString("usb-bridge: module %1: out ").arg(module))
                 .match(tail)
                 .hasMatch(),
             false);
    QVERIFY2(m_output.contains(QRegularExpression(
                 QString("module %1: \\d+ submits, \\d+ reaps \\(\\d+ empty\\), 0 submits "
                         "after release, 0 releases in flight")
                     .arg(module))),
             qPrintable(m_output));
}

// `--calibrate auto` end to end on an X display: the module's camera photographs what the
// program paints there, and the captures travel as image parts, some lost and asked for again.
void UsbProgramTest::calibratesOnTheBus() {
    const QString xvfbRun = QStandardPaths::findExecutable("xvfb-run");
    if (xvfbRun.isEmpty())
        QSKIP("xvfb-run is not installed");
    const QString profile = m_dir->filePath("profile.ini");
    QFile file(profile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Module]\nStoreFile=store.bin\n[Faults]\nDropFraction=0.05\nDropSeed=3\n");
    file.close();

    m_bridge = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.remove("TIVORA_DEVICE");
    env.insert("TIVORA_UNATTENDED", "1");
    env.insert("TIVORA_CONFIG_DIR", m_dir->path());
    env.insert("TIVORA_INSTANCE_KEY", "test-usb-program-" + m_dir->path().section('/', -1));
    m_bridge->setProcessEnvironment(env);
    m_bridge->setProcessChannelMode(QProcess::MergedChannels);
    m_bridge->start(xvfbRun, {"-a", "-s", "-screen 0 1280x800x24", TIVORA_USB_BRIDGE, "--screen",
                              "--profile", profile, "--", TIVORA_PROGRAM, "/noAutoUpdate",
                              "--device", "usb", "--calibrate", "auto"});
    QVERIFY(m_bridge->waitForFinished(slow(90000)));
    m_output = QString::fromLocal8Bit(m_bridge->readAll());
    QVERIFY2(m_bridge->exitCode() == 0, qPrintable(m_output.right(3000)));
    QVERIFY(m_output.contains("calibration auto: succeeded"));
    QVERIFY(countOf("usb-bridge: module 0: out 0x1121") > 0);

    // The module stored the upload: the window it was made for, in both groups.
    QFile store(m_dir->filePath("store.bin"));
    QVERIFY(store.open(QIODevice::ReadOnly));
    const QByteArray bytes = store.readAll();
    QCOMPARE(bytes.size(), 8 + 400 + 28801);
    const auto* record = reinterpret_cast<const uint8_t*>(bytes.constData()) + 8;
    for (size_t offset : {rec::kWindowWidth, rec::kWindowWidth2})
        QCOMPARE(int(le::u16(record, offset)), 1280);
    for (size_t offset : {rec::kWindowHeight, rec::kWindowHeight2})
        QCOMPARE(int(le::u16(record, offset)), 800);
}

void UsbProgramTest::faultsOnTheBus_data() {
    QTest::addColumn<QString>("fault");
    // Set from the start, or once the calibration of --calibrate has started.
    QTest::addColumn<QString>("calibrate");
    QTest::addColumn<QString>("logLine");
    // The line after which the fault ends, or empty when it lasts until SIGTERM.
    QTest::addColumn<QString>("healAfter");
    // Packets of this code the program may send in 5 s of the fault, or -1 for any number.
    QTest::addColumn<int>("outCode");
    QTest::addColumn<int>("outBound");
    // The end of the program does not wait for the string reads of an opening under way.
    QTest::newRow("control transfers never answer")
        << "control-silent" << QString() << "string descriptor 0: LIBUSB_ERROR_TIMEOUT" << QString()
        << 0 << -1;
    QTest::newRow("every IN answered EPIPE, then healed")
        << "in-error:EPIPE" << QString()
        << "CheckCamConnectProc: the module does not answer, opening the link again"
        << "USB link broken: 0x83 stays halted" << 0 << -1;
    // Answers to repeated target reports: at most one every 50 ms, never from the
    // user-interface thread's own writes.
    QTest::newRow("report flood during a manual calibration")
        << "flood:0x1109"
        << "manual"
        << "RES_MC_PATTERN_END : Data[3]" << QString() << int(0x1107) << 110;
    QTest::newRow("module stops answering during a manual calibration")
        << "in-error:EPIPE"
        << "manual"
        << "calibration manual: failed: the module stopped answering" << QString() << 0 << -1;
}

// The unmodified program on a module that misbehaves: the documented line, recovery on the
// same device once it behaves again, what a flood makes it send, its peak memory, and the end
// within 2 s of SIGTERM.
void UsbProgramTest::faultsOnTheBus() {
    QFETCH(QString, fault);
    QFETCH(QString, calibrate);
    QFETCH(QString, logLine);
    QFETCH(QString, healAfter);
    QFETCH(int, outCode);
    QFETCH(int, outBound);
    const QString maskArrived = QStringLiteral("TvMainCtrl::slotReceiveMask ==> 28801");
    if (calibrate.isEmpty()) {
        startBridge({"--fault", fault}, {});
    } else {
        startBridge({}, {"--calibrate", calibrate});
        QVERIFY2(waitForOutput("calibration " + calibrate + ": started"), qPrintable(m_output));
        QVERIFY2(waitForOutput(maskArrived), qPrintable(m_output));
        m_bridge->write(("fault " + fault + "\n").toLatin1());
    }
    const QString out = QString::asprintf("usb-bridge: module 0: out 0x%X\\n", outCode);
    QVERIFY2(waitForOutput(QRegularExpression::escape(logLine)), qPrintable(m_output.right(3000)));
    const int sentBefore = countOf(out);
    if (outBound >= 0) {
        QTest::qWait(5000);
        QVERIFY2(countOf(out) - sentBefore <= outBound, qPrintable(QString::number(countOf(out))));
    }
    if (!healAfter.isEmpty()) {
        QVERIFY(waitForOutput(QRegularExpression::escape(healAfter)));
        const int masks = countOf(maskArrived);
        m_bridge->write("fault none\n");
        QVERIFY2(waitForOutput(maskArrived, masks + 1), qPrintable(m_output.right(3000)));
    }
    if (logLine.startsWith("calibration ")) {
        QVERIFY(m_bridge->waitForFinished(slow(10000)));
        QCOMPARE(m_bridge->exitCode(), 1);
        return;
    }
    QFile status(QString("/proc/%1/status").arg(programPid()));
    QVERIFY(status.open(QIODevice::ReadOnly));
    const QRegularExpressionMatch peak =
        QRegularExpression("VmHWM:\\s+(\\d+) kB").match(QString::fromLatin1(status.readAll()));
    QVERIFY(peak.hasMatch());
    QVERIFY2(peak.captured(1).toLongLong() < 150 * 1024 * qMax(1, slow(1)),
             qPrintable(peak.captured(0)));
    QElapsedTimer ending;
    ending.start();
    endProgram();
    QVERIFY2(ending.elapsed() < slow(2000), qPrintable(QString::number(ending.elapsed())));
}

QTEST_GUILESS_MAIN(UsbProgramTest)
#include "test_usb_program.moc"
