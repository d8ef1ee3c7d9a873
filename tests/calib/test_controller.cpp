#include "calib/CalibDlg.h"
#include "calib/TvMainCtrl.h"
#include "device/CamDevCtrl.h"
#include "device/Packet.h"
#include "display/UserMessage.h"
#include "language/LanguageTable.h"
#include "sim/SimTransport.h"
#include "tests/support/FakeTransport.h"
#include "tests/support/LogCapture.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/QueuedSpy.h"
#include "tests/support/Slowed.h"

#include <QtTest>

Q_DECLARE_METATYPE(Transport::OpenFailure)

// The controller on the virtual module, without the windows of the application shell.
class ControllerTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void firmwareVersion_data();
    void firmwareVersion();
    void unsupportedFirmwareStartsNothing();
    void unplugAndReplug_data();
    void unplugAndReplug();
    void patternNotSeenFailsWithoutUpload();
    void connectionStatus_data();
    void connectionStatus();

private:
    TvMainCtrl* make(const SimProfile& profile);

    LanguageTable m_language;
    TvMainCtrl* m_ctrl = nullptr;
    SimTransport* m_sim = nullptr;
    QStringList m_messages;
};

void ControllerTest::init() {
    m_language.loadLanguage(7);
    m_messages.clear();
    recordMessages(&m_messages);
}

void ControllerTest::cleanup() {
    delete m_ctrl;
    m_ctrl = nullptr;
    user_message::setHandler(nullptr);
}

TvMainCtrl* ControllerTest::make(const SimProfile& profile) {
    auto transport = std::make_unique<SimTransport>(profile);
    m_sim = transport.get();
    m_ctrl = new TvMainCtrl(nullptr, &m_language, std::move(transport));
    return m_ctrl;
}

void ControllerTest::firmwareVersion_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("supported");
    QTest::addColumn<int>("fwLower");
    QTest::newRow("51.12") << "51.12" << true << 12;
    QTest::newRow("51.07") << "51.07" << true << 0;
    QTest::newRow("51.10") << "51.10" << true << 10;
    QTest::newRow("50.33 keeps the start value") << "50.33" << true << 10;
    QTest::newRow("52.01") << "52.01" << false << 10;
}

void ControllerTest::firmwareVersion() {
    QFETCH(QString, version);
    QFETCH(bool, supported);
    QFETCH(int, fwLower);
    make(SimProfile{});
    QSignalSpy forwarded(m_ctrl, &TvMainCtrl::sigSetFWVersion);
    m_ctrl->slotSetFWVersion(version);
    QCOMPARE(m_ctrl->fwSupported(), supported);
    QCOMPARE(m_ctrl->fwLower(), fwLower);
    QCOMPARE(forwarded.size(), 1);
    QCOMPARE(forwarded.first().first().toString(), version);
}

void ControllerTest::unsupportedFirmwareStartsNothing() {
    SimProfile profile;
    profile.fwMajor = 52;
    make(profile);
    QueuedSpy ui(m_ctrl, &TvMainCtrl::sigChangeUIState);
    QSignalSpy version(m_ctrl, &TvMainCtrl::sigSetFWVersion);
    m_ctrl->startCheckThread();
    QVERIFY(version.wait(10000));
    m_ctrl->calibDlg()->m_nLens = 1;
    LogCapture log;
    m_ctrl->StartAutoCalibration();
    m_ctrl->StartManualCalibration();
    QCOMPARE(m_ctrl->state(), 0);
    QVERIFY(!m_ctrl->calibDlg()->isVisible());
    QVERIFY(!log.contains(QStringLiteral("CMD_AC_BLACK_START")));
    QVERIFY(!log.contains(QStringLiteral("CMD_MC_START")));
}

void ControllerTest::unplugAndReplug_data() {
    QTest::addColumn<int>("unpluggedForMs");
    // A pass of the connection watch takes about 0.5 s at the tests' pause scale, 0.6 s while
    // the module is away.
    QTest::newRow("longer than a pass") << 1200;
    // Back before the next pass looks: only the lost link tells.
    QTest::newRow("within a pass") << 100;
}

void ControllerTest::unplugAndReplug() {
    QFETCH(int, unpluggedForMs);
    SimProfile profile;
    // Counted from the first open: late enough for the first report even in a slow build.
    profile.unplugAfterMs = slowed(500);
    profile.replugAfterMs = unpluggedForMs;
    make(profile);
    QueuedSpy ui(m_ctrl, &TvMainCtrl::sigChangeUIState);
    QSignalSpy version(m_ctrl, &TvMainCtrl::sigSetFWVersion);
    m_ctrl->startCheckThread();
    QTRY_VERIFY_WITH_TIMEOUT(ui.size() >= 1, 10000);
    QCOMPARE(ui.at(0).first().toBool(), true);
    QTRY_VERIFY(m_ctrl->fwSupported());

    QTRY_VERIFY_WITH_TIMEOUT(ui.size() >= 2, 15000);
    QCOMPARE(ui.at(1).first().toBool(), false);
    QVERIFY(!m_ctrl->fwSupported());
    QVERIFY(!m_ctrl->isCamConnected());

    // Calibration stays impossible until the module has told its version again.
    const int versions = version.size();
    QTRY_VERIFY_WITH_TIMEOUT(ui.last().first().toBool(), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(version.size() > versions, 10000);
    QVERIFY(m_ctrl->fwSupported());
}

void ControllerTest::patternNotSeenFailsWithoutUpload() {
    SimProfile profile;
    profile.exposureMs = 0;
    make(profile);
    QSignalSpy version(m_ctrl, &TvMainCtrl::sigSetFWVersion);
    QSignalSpy closed(m_ctrl, &TvMainCtrl::sigClose);
    m_ctrl->startCheckThread();
    QVERIFY(version.wait(10000));
    m_ctrl->calibDlg()->m_nLens = 1;
    LogCapture log;
    m_ctrl->StartAutoCalibration();
    QCOMPARE(m_ctrl->state(), int(TvMainCtrl::BlackCapture));
    // The module's camera sees its test card, not the screen: the failure says so.
    const QString expected = m_language.textM(13) + ' ' +
                             m_language.textCS(TvMainCtrl::kTextNoScreen) + ' ' +
                             m_language.textCS(TvMainCtrl::kTextSeeAlignment);
    QTRY_COMPARE_WITH_TIMEOUT(m_messages, QStringList{expected}, 30000);
    QCOMPARE(m_ctrl->state(), 0);
    QVERIFY(!m_ctrl->calibDlg()->isVisible());
    QVERIFY(log.contains(QStringLiteral("calib_success = 0")));
    QVERIFY(!log.contains(QStringLiteral("CMD_SET_CALIB_PARAMETER")));
    QVERIFY(closed.isEmpty());
}

void ControllerTest::connectionStatus_data() {
    QTest::addColumn<bool>("present");
    QTest::addColumn<Transport::OpenFailure>("refusal");
    // Whether the module answers the opening requests after version and options.
    QTest::addColumn<bool>("answersAll");
    QTest::addColumn<ConnectionStatus>("status");
    QTest::addColumn<QString>("serial");
    QTest::newRow("opened") << true << Transport::OpenFailure::None << true
                            << ConnectionStatus::Connected << "FAKE0001";
    // Connected only once the record and the mask came too; without them, opened again.
    QTest::newRow("record and mask never come")
        << true << Transport::OpenFailure::None << false << ConnectionStatus::NotAnswering << "";
    // After a while of looking, what to check.
    QTest::newRow("absent") << false << Transport::OpenFailure::None << true
                            << ConnectionStatus::NotFound << "";
    QTest::newRow("on the bus, never ready")
        << true << Transport::OpenFailure::None << true << ConnectionStatus::NotReady << "";
    QTest::newRow("no permission") << true << Transport::OpenFailure::PermissionDenied << true
                                   << ConnectionStatus::PermissionDenied << "";
    QTest::newRow("held by another program")
        << true << Transport::OpenFailure::Busy << true << ConnectionStatus::Busy << "";
    QTest::newRow("not this module's interfaces") << true << Transport::OpenFailure::NotTheModule
                                                  << true << ConnectionStatus::NotTheModule << "";
}

void ControllerTest::connectionStatus() {
    QFETCH(bool, present);
    QFETCH(Transport::OpenFailure, refusal);
    QFETCH(bool, answersAll);
    QFETCH(ConnectionStatus, status);
    QFETCH(QString, serial);
    auto transport = std::make_unique<FakeTransport>();
    transport->present = present;
    transport->hidReady = status != ConnectionStatus::NotReady;
    transport->refusal = refusal;
    FakeTransport* module = transport.get();
    module->feed(0x83, makePacket(pkt::DAT_VERSION, 2, QByteArray("\x33\x0C", 2)));
    module->feed(0x83, makePacket(pkt::DAT_OPTION, 4, QByteArray(4, '\0')));
    LogCapture log;
    m_ctrl = new TvMainCtrl(nullptr, &m_language, std::move(transport));
    QueuedSpy seen(m_ctrl, &TvMainCtrl::sigConnectionStatus);
    m_ctrl->startCheckThread();
    if (answersAll && status == ConnectionStatus::Connected) {
        // The mask is taken in order from its first request on.
        const auto maskAsked = [module] {
            const QByteArray code = makePacket(pkt::CMD_GET_MASK, 0).left(4);
            const QList<QByteArray> sent = module->written();
            return std::any_of(sent.begin(), sent.end(), [&code](const QByteArray& packet) {
                return packet.startsWith(code);
            });
        };
        QTRY_VERIFY_WITH_TIMEOUT(maskAsked(), slowed(10000));
        module->feed(0x83, makePacket(pkt::DAT_EEPROM, 400));
        for (int part = 0; part < CamDevCtrl::kMaskParts; ++part)
            module->feed(0x83, makePacket(pkt::DAT_MASK, 504, QByteArray(1, char(part))));
    }
    // Looking says so first; the hint follows.
    const bool looking =
        status == ConnectionStatus::NotFound || status == ConnectionStatus::NotReady;
    QVERIFY(seen.wait(slowed(20000)));
    if (looking) {
        QCOMPARE(seen.first().at(0).value<ConnectionStatus>(), ConnectionStatus::Searching);
        QTRY_COMPARE_WITH_TIMEOUT(seen.last().at(0).value<ConnectionStatus>(), status,
                                  slowed(20000));
    } else {
        QCOMPARE(seen.first().at(0).value<ConnectionStatus>(), status);
        QCOMPARE(seen.first().at(1).toString(), serial);
    }
    if (!answersAll)
        QVERIFY(log.contains(QStringLiteral("no record, mask within 10 s of opening")));
    else
        QCOMPARE(m_ctrl->isCamConnected(), status == ConnectionStatus::Connected);
}

QTEST_MAIN(ControllerTest)
#include "test_controller.moc"
