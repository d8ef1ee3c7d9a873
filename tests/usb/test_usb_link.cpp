#include "calib/CalibDlg.h"
#include "calib/TvMainCtrl.h"
#include "device/ByteOrder.h"
#include "device/CamDevCtrl.h"
#include "device/Packet.h"
#include "device/UsbTransport.h"
#include "display/UserMessage.h"
#include "language/LanguageTable.h"
#include "sim/CalibrationRecord.h"
#include "sim/ModuleStore.h"
#include "sim/RecordLayout.h"
#include "sim/SimTransport.h"
#include "sim/desktop/SimDesktop.h"
#include "tests/support/LogCapture.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/QueuedSpy.h"
#include "tests/support/VirtualModuleRun.h"
#include "tests/usb/UsbBridge.h"

#include <QtTest>
#include <atomic>
#include <thread>

// The USB transport and the link over the kernel's USB interface, as umockdev emulates it:
// libusb and hidapi run as they do with the module plugged in, and the virtual module answers
// behind the emulated device.
class UsbLinkTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void findsTheModuleToOpen_data();
    void findsTheModuleToOpen();
    void unplugFailsTransfersUntilReplug();
    void closeWaitsForTransfersOnOtherThreads();
    void openingExchangeLiveImageAndMask();
    void autoCalibrationWithRepairedParts();
    void unplugDuringCaptureThenCalibrate();
    void linkFaults_data();
    void linkFaults();

private:
    int plug(const EmulatedModuleSpec& spec, Transport* peer);
    QStringList eventsOf(int module);
    void bootController(const QString& faults);
    bool waitForModule();
    QByteArray store() const;

    std::unique_ptr<UsbBridge> m_bridge;
    std::vector<std::unique_ptr<Transport>> m_peers;
    LanguageTable m_language;
    std::unique_ptr<QTemporaryDir> m_dir;
    TvMainCtrl* m_ctrl = nullptr;
    SimTransport* m_module = nullptr;
    QStringList m_messages;
};

namespace {

QByteArray command(uint32_t code) {
    QByteArray packet(pkt::kPacketSize, '\0');
    le::put32(reinterpret_cast<uint8_t*>(packet.data()), 0, code);
    return packet;
}

// Writes a version request and reads the answer from 0x83; the module may first answer
// earlier requests.
bool versionRoundTrip(Transport& usb) {
    const QByteArray request = command(pkt::CMD_SENDVERSION);
    if (usb.write(reinterpret_cast<const uint8_t*>(request.constData())) != pkt::kPacketSize)
        return false;
    uint8_t answer[pkt::kPacketSize];
    for (int i = 0; i < 10; ++i)
        if (usb.read(pkt::kEpCommand, answer, 2000) == pkt::kPacketSize &&
            le::u32(answer, 0) == pkt::DAT_VERSION)
            return true;
    return false;
}

std::unique_ptr<SimTransport> firmware(const QString& serial) {
    SimProfile profile;
    profile.serialNumber = serial;
    profile.exposureMs = 0;
    return std::make_unique<SimTransport>(profile);
}

QString out(uint32_t code) {
    return QString::asprintf("out 0x%X", code);
}

} // namespace

void UsbLinkTest::init() {
    m_bridge = std::make_unique<UsbBridge>();
    m_language.loadLanguage(7);
    m_messages.clear();
    recordMessages(&m_messages);
    m_dir = std::make_unique<QTemporaryDir>();
}

void UsbLinkTest::cleanup() {
    delete m_ctrl;
    m_ctrl = nullptr;
    m_module = nullptr;
    user_message::setHandler(nullptr);
    m_bridge.reset();
    m_peers.clear();
    m_dir.reset();
}

int UsbLinkTest::plug(const EmulatedModuleSpec& spec, Transport* peer) {
    QString error;
    const int module = m_bridge->addModule(spec, peer, &error);
    if (module < 0)
        qWarning() << "plug:" << error;
    return module;
}

QStringList UsbLinkTest::eventsOf(int module) {
    const QString prefix = QStringLiteral("module %1: ").arg(module);
    QStringList events;
    for (const QString& event : m_bridge->events())
        if (event.startsWith(prefix))
            events << event.mid(prefix.size());
    return events;
}

void UsbLinkTest::findsTheModuleToOpen_data() {
    QTest::addColumn<bool>("busyFirst");
    QTest::addColumn<bool>("hidReady");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QByteArray>("product");
    // The input device's name: manufacturer and product, printable, at most 127 characters.
    QTest::addColumn<QString>("inputDevice");
    QTest::addColumn<bool>("interface3Missing");
    const QByteArray plain("Camera Module");
    QTest::newRow("one module") << false << true << "SIM0000001" << plain
                                << "Emulated Camera Module" << false;
    // hidapi sees no vendor collection: present, but not ready to be opened.
    QTest::newRow("never HID-ready") << false << false << "" << plain << "" << false;
    // The module opened sends a product string with terminal sequences, longer than a name may be.
    QTest::newRow("first in the list busy")
        << true << true << "SIM0000001"
        << QByteArray("Cam\x1b]0;owned\x07\nera") + QByteArray(120, 'x')
        << QStringLiteral("Emulated Cam]0;ownedera") + QString(101, QLatin1Char('x')) << false;
    // Nothing else to open: the transport says why, for the panel's status line.
    QTest::newRow("the only module busy") << true << true << "" << plain << "" << false;
    // The name comes as the module sends it; quoting it for a shell is the hint's business.
    QTest::newRow("shell metacharacters")
        << false << true << "SIM0000001"
        << QByteArray("Evil\" HDMI-1; touch /tmp/pwned; echo \"$(id)")
        << "Emulated Evil\" HDMI-1; touch /tmp/pwned; echo \"$(id)" << false;
    // Read as UTF-16 and kept whole, as the kernel names the input device; cut at 127 bytes of
    // UTF-8 on a character's border.
    QTest::newRow("non-ASCII letters")
        << false << true << "SIM0000001"
        << QString("Kaméra Ünï ").toUtf8() + QByteArray(97, 'x') + QString("投影機").toUtf8()
        << QString("Emulated Kaméra Ünï ") + QString(97, QLatin1Char('x')) + QString("投影")
        << false;
    // Not this module's layout: both claims given back, the last first.
    QTest::newRow("interface 3 missing") << false << true << "" << plain << "" << true;
}

void UsbLinkTest::findsTheModuleToOpen() {
    QFETCH(bool, busyFirst);
    QFETCH(bool, hidReady);
    QFETCH(QString, serial);
    QFETCH(QByteArray, product);
    QFETCH(QString, inputDevice);
    QFETCH(bool, interface3Missing);
    const bool onlyBusy = busyFirst && serial.isEmpty();
    EmulatedModuleSpec spec;
    spec.hidReady = hidReady;
    spec.product = product;
    spec.interface3Missing = interface3Missing;
    if (!onlyBusy) {
        m_peers.push_back(firmware(spec.serialNumber));
        QCOMPARE(plug(spec, m_peers.back().get()), 0);
    }
    if (busyFirst) {
        // libusb lists the device found last first.
        EmulatedModuleSpec busy;
        busy.serialNumber = QStringLiteral("BUSY000001");
        busy.interface2Busy = true;
        QCOMPARE(plug(busy, nullptr), onlyBusy ? 0 : 1);
    }

    UsbTransport usb;
    QVERIFY(usb.isPresent(false));
    QCOMPARE(usb.isPresent(true), hidReady);
    if (!hidReady)
        return;
    QString opened;
    if (interface3Missing) {
        QVERIFY(!usb.open(&opened));
        QCOMPARE(int(usb.lastOpenFailure()), int(Transport::OpenFailure::NotTheModule));
        QCOMPARE(eventsOf(0).filter(QRegularExpression("^(claim|release) ")),
                 QStringList({"claim 2", "claim 3 missing", "release 2"}));
        return;
    }
    if (onlyBusy) {
        QVERIFY(!usb.open(&opened));
        QCOMPARE(int(usb.lastOpenFailure()), int(Transport::OpenFailure::Busy));
        return;
    }
    QVERIFY(usb.open(&opened));
    QCOMPARE(int(usb.lastOpenFailure()), int(Transport::OpenFailure::None));
    QCOMPARE(opened, serial);
    QCOMPARE(usb.inputDeviceName(), inputDevice);
    QVERIFY(versionRoundTrip(usb));
    usb.close();
    QVERIFY(!usb.isOpen());
    if (busyFirst)
        QCOMPARE(eventsOf(1), QStringList({"plugged BUSY000001", "claim 2 busy"}));
    QCOMPARE(eventsOf(0).filter(QRegularExpression("^(claim|release) ")),
             QStringList({"claim 2", "claim 3", "release 2", "release 3"}));
    QCOMPARE(m_bridge->counters(0).submitsAfterRelease, 0);
}

void UsbLinkTest::unplugFailsTransfersUntilReplug() {
    m_peers.push_back(firmware("SIM0000001"));
    const int module = plug({}, m_peers.back().get());
    UsbTransport usb;
    QString serial;
    QVERIFY(usb.open(&serial));
    QVERIFY(versionRoundTrip(usb));

    std::atomic<int> readResult{1};
    std::thread reader([&] {
        uint8_t packet[pkt::kPacketSize];
        readResult = usb.read(pkt::kEpImage, packet, 5000);
    });
    QTest::qWait(100);
    QElapsedTimer sinceUnplug;
    sinceUnplug.start();
    m_bridge->unplug(module);
    reader.join();
    // The pending read ends with the device gone, long before its time-out.
    QVERIFY(readResult < 0);
    QVERIFY(sinceUnplug.elapsed() < 4000);
    QVERIFY(usb.isLost());
    const QByteArray request = command(pkt::CMD_SENDVERSION);
    QCOMPARE(usb.write(reinterpret_cast<const uint8_t*>(request.constData())), -1);
    QVERIFY(!usb.isPresent(false));

    QString error;
    QVERIFY2(m_bridge->replug(module, &error), qPrintable(error));
    QTRY_VERIFY_WITH_TIMEOUT(usb.isPresent(true), 5000);
    usb.close();
    QVERIFY(usb.open(&serial));
    QVERIFY(!usb.isLost());
    QVERIFY(versionRoundTrip(usb));
}

// The connection watch closes and opens again while the user-interface thread writes and the
// receive thread reads; no transfer may run on a handle being closed.
void UsbLinkTest::closeWaitsForTransfersOnOtherThreads() {
    m_peers.push_back(firmware("SIM0000001"));
    const int module = plug({}, m_peers.back().get());
    UsbTransport usb;
    QString serial;
    QVERIFY(usb.open(&serial));
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        uint8_t packet[pkt::kPacketSize];
        // Nothing comes on 0x84 unasked: a read is nearly always in flight.
        while (!stop)
            usb.read(pkt::kEpImage, packet, 20);
    });
    std::thread writer([&] {
        const QByteArray request = command(pkt::CMD_SENDVERSION);
        while (!stop)
            usb.write(reinterpret_cast<const uint8_t*>(request.constData()));
    });
    for (int i = 0; i < 10; ++i) {
        QTest::qWait(30);
        usb.close();
        QVERIFY(usb.open(&serial));
    }
    stop = true;
    reader.join();
    writer.join();
    usb.close();
    QCOMPARE(m_bridge->counters(module).releasesInFlight, 0);
    QCOMPARE(m_bridge->counters(module).submitsAfterRelease, 0);
}

void UsbLinkTest::openingExchangeLiveImageAndMask() {
    m_peers.push_back(firmware("SIM0000001"));
    const int module = plug({}, m_peers.back().get());
    QByteArray mask;
    {
        CamDevCtrl link(std::make_unique<UsbTransport>());
        QueuedSpy version(&link, &CamDevCtrl::sigSetFWVersion);
        QueuedSpy options(&link, &CamDevCtrl::sigSetFWOption);
        QueuedSpy record(&link, &CamDevCtrl::sigSetPrevTweak);
        connect(&link, &CamDevCtrl::sigReceiveMask, this, [&](unsigned char* data, int size) {
            mask = QByteArray(reinterpret_cast<char*>(data), size);
        });
        QVERIFY(link.IsDeviceConnected(true));
        QVERIFY(link.OpenDevice());
        QTRY_COMPARE_WITH_TIMEOUT(mask.size(), CamDevCtrl::kMaskSize, slowed(10000));
        QCOMPARE(version.count(), 1);
        QCOMPARE(options.count(), 1);
        QCOMPARE(record.count(), 1);
        const QStringList sent = eventsOf(module).filter(QRegularExpression("^(out|claim) "));
        QCOMPARE(sent.mid(0, 7), QStringList({"claim 2", "claim 3", out(pkt::CMD_STOP_TRACKING),
                                              out(pkt::CMD_SENDVERSION), out(pkt::CMD_SEND_OPTION),
                                              out(pkt::CMD_GET_EEPROM), out(pkt::CMD_GET_MASK)}));
        // The whole mask came part by part: one request for each of its 58 parts.
        QCOMPARE(sent.count(out(pkt::CMD_GET_MASK)), CamDevCtrl::kMaskParts);

        // The live picture comes on 0x84 once the receive thread is switched over.
        QueuedSpy frames(&link, &CamDevCtrl::sigNewFrame);
        link.DeleteThread();
        link.SetRecvEndpoint(1);
        link.CreateRecvPacketThread();
        link.RequestLiveImage();
        QVERIFY(frames.wait(slowed(10000)));
        QCOMPARE(frames.first().at(1).toInt(), CamDevCtrl::kLiveImageSize);
        link.DeleteThread();
        link.SetRecvEndpoint(0);
        link.CreateRecvPacketThread();

        for (int i = 0; i < mask.size(); ++i)
            mask[i] = char((i * 37) ^ (i >> 5));
        link.SetMask(reinterpret_cast<const uint8_t*>(mask.constData()), mask.size());
        const QByteArray uploaded = mask;
        mask.clear();
        QVERIFY(link.OpenDevice());
        QTRY_COMPARE_WITH_TIMEOUT(mask.size(), CamDevCtrl::kMaskSize, slowed(10000));
        QCOMPARE(mask, uploaded);
    }
    // Closing the link: tracking back on as the last packet, both interfaces released, and no
    // transfer after that.
    const QStringList events = eventsOf(module);
    QCOMPARE(events.filter(QRegularExpression("^out ")).last(), out(pkt::CMD_START_TRACKING));
    QCOMPARE(events.mid(events.size() - 2), QStringList({"release 2", "release 3"}));
    QCOMPARE(m_bridge->counters(module).submitsAfterRelease, 0);
}

void UsbLinkTest::bootController(const QString& faults) {
    QString error;
    SimDesktop desktop = virtualModuleIn(QDir(m_dir->path()), faults, &error);
    QVERIFY2(desktop.transport, qPrintable(error));
    m_module = dynamic_cast<SimTransport*>(desktop.transport.get());
    QVERIFY(m_module);
    m_peers.push_back(std::move(desktop.transport));
    QCOMPARE(plug({}, m_module), 0);
    m_ctrl = new TvMainCtrl(nullptr, &m_language, std::make_unique<UsbTransport>());
}

bool UsbLinkTest::waitForModule() {
    return ::waitForModule(m_ctrl);
}

QByteArray UsbLinkTest::store() const {
    return storedMemory(QDir(m_dir->path()));
}

void UsbLinkTest::autoCalibrationWithRepairedParts() {
    bootController(QStringLiteral("[Faults]\nDropSeed=3\nDropFraction=0.05\n"));
    QVERIFY(m_ctrl);
    QVERIFY(waitForModule());
    const StoredState before = m_module->module().state().stored;
    QSignalSpy closed(m_ctrl, &TvMainCtrl::sigClose);
    m_ctrl->StartAutoCalibration();
    QVERIFY(closed.wait(slowed(60000)));
    QCOMPARE(closed.first().first().toInt(), 0);
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join('\n')));

    const QStringList events = eventsOf(0);
    QVERIFY(events.count(out(pkt::CMD_AC_SENDIMG_PART)) > 0);
    const QByteArray sent = m_bridge->lastPacket(0, pkt::CMD_SET_CALIB_PARAMETER);
    QCOMPARE(sent.size(), pkt::kPacketSize);
    StoredState expected = before;
    storeCalibrationRecord(reinterpret_cast<const uint8_t*>(sent.constData()) + pkt::kHeaderSize,
                           expected);
    // The coordinate-ratio correction that follows the upload lands in the record too.
    const QByteArray ratio = m_bridge->lastPacket(0, pkt::CMD_SET_FIX_COORD_RATIO);
    QCOMPARE(ratio.size(), pkt::kPacketSize);
    const auto* payload = reinterpret_cast<const uint8_t*>(ratio.constData()) + pkt::kHeaderSize;
    expected.record[rec::kFixCoordMode] = payload[0];
    std::copy(payload + 4, payload + 12, expected.record.begin() + rec::kFixCoordRatio);
    // Once the module has handled everything it was sent, its store holds it.
    m_module->module().state();
    StoredState held;
    QString error;
    QVERIFY2(readModuleStore(m_dir->filePath("store.bin"), &held, &error), qPrintable(error));
    QVERIFY(held.record == expected.record);
    QVERIFY(held.record != before.record);
    QVERIFY(held.mask == before.mask);
}

void UsbLinkTest::unplugDuringCaptureThenCalibrate() {
    bootController(QString());
    QVERIFY(m_ctrl);
    QVERIFY(waitForModule());
    QSignalSpy ui(m_ctrl, &TvMainCtrl::sigChangeUIState);
    m_ctrl->StartAutoCalibration();
    QTRY_VERIFY_WITH_TIMEOUT(eventsOf(0).contains(out(pkt::CMD_AC_SENDIMG_PART)) ||
                                 eventsOf(0).contains(out(pkt::CMD_AC_SENDIMG)),
                             slowed(20000));
    m_bridge->unplug(0);
    QTRY_VERIFY_WITH_TIMEOUT(!ui.isEmpty() && !ui.last().first().toBool(), slowed(15000));
    QVERIFY(m_messages.isEmpty());
    QString error;
    QVERIFY2(m_bridge->replug(0, &error), qPrintable(error));
    QTRY_VERIFY_WITH_TIMEOUT(ui.last().first().toBool(), slowed(20000));
    QTRY_VERIFY_WITH_TIMEOUT(m_ctrl->fwSupported(), slowed(10000));
    QTest::keyClick(m_ctrl->calibDlg(), Qt::Key_Escape);
    QCOMPARE(m_ctrl->state(), int(TvMainCtrl::Idle));

    QSignalSpy closed(m_ctrl, &TvMainCtrl::sigClose);
    m_ctrl->StartAutoCalibration();
    QVERIFY(closed.wait(slowed(60000)));
    QCOMPARE(closed.first().first().toInt(), 0);
}

void UsbLinkTest::linkFaults_data() {
    QTest::addColumn<QString>("fault");
    // Already there when the module is first opened, or from when it is connected.
    QTest::addColumn<bool>("fromStart");
    QTest::addColumn<QString>("logLine");
    // What the panel shows while the fault lasts.
    QTest::addColumn<ConnectionStatus>("status");
    const ConnectionStatus connected = ConnectionStatus::Connected;
    const ConnectionStatus notAnswering = ConnectionStatus::NotAnswering;
    // Cleared and retried, the exchange goes on.
    QTest::newRow("single stall on 0x83")
        << "stall:0x83" << false << "USB read on 0x83 stalled (LIBUSB_ERROR_PIPE); halt cleared"
        << connected;
    QTest::newRow("single stall on 0x84")
        << "stall:0x84" << false << "USB read on 0x84 stalled (LIBUSB_ERROR_PIPE); halt cleared"
        << connected;
    QTest::newRow("every IN answered EPIPE")
        << "in-error:EPIPE" << false << "USB link broken: 0x83 stays halted" << notAnswering;
    QTest::newRow("every IN babbles")
        << "in-error:EOVERFLOW" << false << "USB link broken: 32 damaged packets in a row on 0x83"
        << notAnswering;
    QTest::newRow("every IN zero-length")
        << "in-length:0" << false << "USB read on 0x83: 0 bytes instead of a packet"
        << notAnswering;
    QTest::newRow("every IN short")
        << "in-length:100" << false << "USB read on 0x83: 100 bytes instead of a packet"
        << notAnswering;
    for (int seed = 1; seed <= 3; ++seed)
        QTest::addRow("OUT EIO at 10 %%, seed %d", seed)
            << QString("out-eio:0.1:%1").arg(seed) << true
            << "USB write on 0x03 failed: LIBUSB_ERROR_IO" << connected;
    QTest::newRow("OUT EIO once") << "out-eio:1:1:1" << true
                                  << "USB write on 0x03 failed: LIBUSB_ERROR_IO" << connected;
    QTest::newRow("every transfer ENODEV after the claims")
        << "bulk-gone" << true << "CheckCamConnectProc: the module was replugged, the link is lost"
        << notAnswering;
    // The end of the program does not wait for the string reads of an opening under way.
    QTest::newRow("control transfers never answer")
        << "control-silent" << true << "string descriptor 0: LIBUSB_ERROR_TIMEOUT" << connected;
}

// Each fault: the documented log line, the panel's status while it lasts, a good exchange on
// the same device once it behaves again, and an end within 2 s.
void UsbLinkTest::linkFaults() {
    QFETCH(QString, fault);
    QFETCH(bool, fromStart);
    QFETCH(QString, logLine);
    QFETCH(ConnectionStatus, status);
    UsbFault misbehaviour;
    QVERIFY(UsbFault::parse(fault, &misbehaviour));
    LogCapture log;
    bootController(QString());
    QVERIFY(m_ctrl);
    QueuedSpy shown(m_ctrl, &TvMainCtrl::sigConnectionStatus);
    QueuedSpy versions(m_ctrl, &TvMainCtrl::sigSetFWVersion);
    const auto showing = [&shown] {
        return shown.isEmpty() ? -1 : int(shown.last().first().value<ConnectionStatus>());
    };
    if (fromStart)
        m_bridge->setFault(0, misbehaviour);
    m_ctrl->startCheckThread();
    if (!fromStart) {
        QTRY_COMPARE_WITH_TIMEOUT(showing(), int(ConnectionStatus::Connected), slowed(15000));
        m_bridge->setFault(0, misbehaviour);
    }
    if (misbehaviour.kind == UsbFault::StallOnce && misbehaviour.value == pkt::kEpImage) {
        QSignalSpy frames(m_ctrl, &TvMainCtrl::sigUpdateAlignImage);
        m_ctrl->startLiveImage();
        QVERIFY(frames.wait(slowed(10000)));
        m_ctrl->stopLiveImage();
    }
    QTRY_VERIFY_WITH_TIMEOUT(log.contains(logLine), slowed(15000));
    QElapsedTimer ending;
    if (misbehaviour.kind != UsbFault::ControlSilent) {
        QTRY_VERIFY_WITH_TIMEOUT(std::any_of(shown.begin(), shown.end(),
                                             [status](const QVariantList& call) {
                                                 return call.first().value<ConnectionStatus>() ==
                                                        status;
                                             }),
                                 slowed(15000));
        m_bridge->setFault(0, UsbFault());
        QTRY_COMPARE_WITH_TIMEOUT(showing(), int(ConnectionStatus::Connected), slowed(15000));
        const int before = versions.count();
        m_ctrl->device()->SendPacket(nullptr, pkt::CMD_SENDVERSION, 0);
        QTRY_VERIFY_WITH_TIMEOUT(versions.count() > before, slowed(5000));
    }
    ending.start();
    delete m_ctrl;
    m_ctrl = nullptr;
    QVERIFY2(ending.elapsed() < slowed(2000), qPrintable(QString::number(ending.elapsed())));
}

int main(int argc, char* argv[]) {
    reexecUnderUmockdev(argv);
    QApplication app(argc, argv);
    UsbLinkTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_usb_link.moc"
