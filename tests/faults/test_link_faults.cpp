#include "device/ByteOrder.h"
#include "device/CamDevCtrl.h"
#include "device/Packet.h"
#include "device/TuningRecord.h"
#include "sim/SimTransport.h"
#include "tests/support/FakeTransport.h"
#include "tests/support/QueuedSpy.h"

#include <QtTest>
#include <array>
#include <climits>
#include <cmath>
#include <limits>

using namespace pkt;

// A link on a scripted module, open and with its receive thread running.
struct ScriptedLink {
    FakeTransport* fake;
    std::unique_ptr<CamDevCtrl> link;

    ScriptedLink() {
        auto owned = std::make_unique<FakeTransport>();
        fake = owned.get();
        link = std::make_unique<CamDevCtrl>(std::move(owned));
        // Opened by hand: the link's own open pauses between its first requests.
        QString serial;
        fake->open(&serial);
        link->CreateRecvPacketThread();
    }

    // Proves the receive thread still runs: a well-formed version report gets through.
    bool stillAnswers() {
        QueuedSpy version(link.get(), &CamDevCtrl::sigSetFWVersion);
        fake->feed(kEpCommand, makePacket(DAT_VERSION, 2, QByteArray("\x07\x2A", 2)));
        return QTest::qWaitFor(
            [&] {
                for (const QVariantList& args : version)
                    if (args.first().toString() == QLatin1String("7.42"))
                        return true;
                return false;
            },
            5000);
    }
};

// What a faulty or hostile module can do to the link: records with counts and numbers out of
// range, length fields that lie, a mask part that never comes, a plug pulled mid-capture.
// The receive thread must survive all of it and the module must keep what it stores.
class LinkFaultsTest : public QObject {
    Q_OBJECT

private slots:
    void hostileRecord_data();
    void hostileRecord();
    void lyingLengthField_data();
    void lyingLengthField();
    void patternEndSizeDescribesItsBuffer_data();
    void patternEndSizeDescribesItsBuffer();
    void lostMaskPartThenWholeDownload();
    void unplugDuringCaptureKeepsStoredState();
    void cleanupTestCase();

private:
    ScriptedLink& scripted();

    // One link takes every hostile packet in turn: what a packet leaves behind meets the next.
    std::unique_ptr<ScriptedLink> m_scripted;
};

namespace {

constexpr int kTpOffset = 8;
constexpr int kTweakCountOffset = 116;
constexpr int kTweakPairsOffset = 120;
constexpr int kSecondLensOffset = 327;

// A plausible 400-byte stored record, spoilt where a row says: the first model entry, the
// tweak count and the first tweak.
QByteArray recordPayload(double tp0, int tweakCount, float tweak0) {
    std::array<uint8_t, 400> r{};
    uint8_t* p = r.data();
    le::put16(p, 0, 400);
    le::put16(p, 2, 1);
    for (int i = 0; i < 13; ++i)
        le::putf64(p, size_t(kTpOffset + 8 * i), i == 0 ? tp0 : i == 4 ? 1.0 : 0.0);
    p[kSecondLensOffset] = 1;
    le::put32(p, kTweakCountOffset, uint32_t(tweakCount));
    for (int i = 0; i < 50; ++i)
        le::putf32(p, size_t(kTweakPairsOffset + 4 * i), i == 0 ? tweak0 : 1.5f);
    return QByteArray(reinterpret_cast<const char*>(p), int(r.size()));
}

} // namespace

ScriptedLink& LinkFaultsTest::scripted() {
    if (!m_scripted) {
        m_scripted = std::make_unique<ScriptedLink>();
        // The captured-picture path armed, so that its parts reach the assembly.
        m_scripted->link->RequestACImage(103, 0);
    }
    return *m_scripted;
}

void LinkFaultsTest::hostileRecord_data() {
    QTest::addColumn<int>("tweakCount");
    QTest::addColumn<double>("tp0");
    QTest::addColumn<float>("tweak0");
    QTest::addColumn<int>("expectedCount");

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const float fnan = std::numeric_limits<float>::quiet_NaN();
    QTest::newRow("tweak count -1") << -1 << 1.0 << 0.5f << 0;
    QTest::newRow("tweak count 26") << 26 << 1.0 << 0.5f << 25;
    QTest::newRow("tweak count INT_MAX") << INT_MAX << 1.0 << 0.5f << 25;
    QTest::newRow("tweak count INT_MIN") << INT_MIN << 1.0 << 0.5f << 0;
    QTest::newRow("NaN m_tp") << 20 << nan << 0.5f << 20;
    QTest::newRow("inf m_tp") << 20 << inf << 0.5f << 20;
    QTest::newRow("NaN tweak: no tuning") << 20 << 1.0 << fnan << 0;
}

void LinkFaultsTest::hostileRecord() {
    QFETCH(int, tweakCount);
    QFETCH(double, tp0);
    QFETCH(float, tweak0);
    QFETCH(int, expectedCount);

    ScriptedLink& s = scripted();
    const QByteArray record = recordPayload(tp0, tweakCount, tweak0);

    QByteArray delivered;
    QObject receiver; // ends the connection with the row
    connect(s.link.get(), &CamDevCtrl::sigSetPrevTweak, &receiver, [&](unsigned char* eeprom) {
        delivered = QByteArray(reinterpret_cast<const char*>(eeprom), 400);
    });
    s.fake->feed(kEpCommand, makePacket(DAT_EEPROM, 400, record));
    QTRY_COMPARE_WITH_TIMEOUT(delivered.size(), 400, 5000);
    QVERIFY(s.stillAnswers());

    // The controller's view of the stored tuning never reads past its table.
    const TuningRecord tuning =
        TuningRecord::fromDeviceRecord(reinterpret_cast<const uint8_t*>(delivered.constData()));
    QCOMPARE(tuning.tweakCount, expectedCount);
    for (int i = 2 * tuning.tweakCount; i < 2 * TuningRecord::kMaxTweaks; ++i)
        QCOMPARE(tuning.tweaks[size_t(i)], 0.0f);
}

void LinkFaultsTest::lyingLengthField_data() {
    QTest::addColumn<uint32_t>("code");
    QTest::addColumn<int>("length");
    QTest::addColumn<char>("fill");

    const QList<QPair<const char*, uint32_t>> codes = {
        {"DAT_VERSION", DAT_VERSION},
        {"CMD_IIC_RD", CMD_IIC_RD},
        {"DAT_IMAGE", DAT_IMAGE},
        {"DAT_IMGEND", DAT_IMGEND},
        {"RES_AC_BLACK_END", RES_AC_BLACK_END},
        {"RES_AC_READY_END", RES_AC_READY_END},
        {"DAT_AC_IMAGE", DAT_AC_IMAGE},
        {"DAT_AC_IMGEND", DAT_AC_IMGEND},
        {"DAT_AC_IMAGE_PART", DAT_AC_IMAGE_PART},
        {"RES_AC_IMGPART_END", RES_AC_IMGPART_END},
        {"RES_MC_PATTERN_DONE", RES_MC_PATTERN_DONE},
        {"RES_MC_PATTERN_END", RES_MC_PATTERN_END},
        {"RES_DEBUG", RES_DEBUG},
        {"DAT_OPTION", DAT_OPTION},
        {"DAT_EEPROM", DAT_EEPROM},
        {"DAT_MC_INPUT_POINT", DAT_MC_INPUT_POINT},
        {"DAT_MASK", DAT_MASK},
        {"RES_NAK", RES_NAK},
    };
    const QList<QPair<const char*, int>> lengths = {{"0", 0},     {"3", 3},   {"505", 505},
                                                    {"512", 512}, {"-1", -1}, {"INT_MAX", INT_MAX}};
    for (const auto& code : codes)
        for (const auto& length : lengths)
            for (char fill : {char(0x7F), char(0xFF)})
                QTest::addRow("%s length %s fill %02X", code.first, length.first,
                              unsigned(uint8_t(fill)))
                    << code.second << length.second << fill;
}

void LinkFaultsTest::lyingLengthField() {
    QFETCH(uint32_t, code);
    QFETCH(int, length);
    QFETCH(char, fill);

    ScriptedLink& s = scripted();
    QueuedSpy options(s.link.get(), &CamDevCtrl::sigSetFWOption);
    QueuedSpy inputPoints(s.link.get(), &CamDevCtrl::sigMCNextStep);
    const QByteArray payload(504, fill);
    for (int i = 0; i < 3; ++i)
        s.fake->feed(kEpCommand, makePacket(code, length, payload));
    QVERIFY(s.stillAnswers());

    // Reports of a fixed size are believed only at that size.
    if (code == DAT_OPTION)
        QCOMPARE(options.count(), 0);
    if (code == DAT_MC_INPUT_POINT)
        QCOMPARE(inputPoints.count(), 0);
}

void LinkFaultsTest::patternEndSizeDescribesItsBuffer_data() {
    QTest::addColumn<int>("length");
    QTest::newRow("4") << 4;
    QTest::newRow("input point size") << 200;
    QTest::newRow("INT_MAX") << INT_MAX;
}

// The controller takes a report of the input-point size as the input points: a target end
// whose length field says 200 must not hand on a 4-byte value as 200 bytes.
void LinkFaultsTest::patternEndSizeDescribesItsBuffer() {
    QFETCH(int, length);
    ScriptedLink& s = scripted();
    QueuedSpy ends(s.link.get(), &CamDevCtrl::sigMCNextStep);
    QByteArray payload(4, '\0');
    payload[0] = 3;
    s.fake->feed(kEpCommand, makePacket(RES_MC_PATTERN_END, length, payload));
    QTRY_VERIFY_WITH_TIMEOUT(!ends.isEmpty(), 5000);
    QVERIFY(ends.first().at(1).toInt() <= 4);
}

void LinkFaultsTest::cleanupTestCase() {
    m_scripted.reset();
}

void LinkFaultsTest::lostMaskPartThenWholeDownload() {
    SimProfile profile;
    profile.loseMaskPart = 10;
    profile.mask = QByteArray(CamDevCtrl::kMaskSize, '\0');
    for (int i = 0; i < profile.mask.size(); ++i)
        profile.mask[i] = char(i * 7 + (i >> 9));
    CamDevCtrl link(std::make_unique<SimTransport>(profile));
    QueuedSpy masks(&link, &CamDevCtrl::sigReceiveMask);
    QByteArray received;
    QObject receiver; // goes before what it writes to
    connect(&link, &CamDevCtrl::sigReceiveMask, &receiver, [&](unsigned char* mask, int len) {
        received = QByteArray(reinterpret_cast<const char*>(mask), len);
    });

    QVERIFY(link.OpenDevice());
    // The download stops at the lost part: nothing half-made is handed on.
    QVERIFY(!masks.wait(2000));

    QVERIFY(link.OpenDevice());
    QTRY_COMPARE_WITH_TIMEOUT(received, profile.mask, 10000);
    QCOMPARE(masks.count(), 1);
}

void LinkFaultsTest::unplugDuringCaptureKeepsStoredState() {
    SimProfile profile;
    profile.exposureMs = 0;
    profile.unplugOnCapture = 1;
    profile.unplugForMs = 300;
    auto owned = std::make_unique<SimTransport>(profile);
    SimTransport* sim = owned.get();
    CamDevCtrl link(std::move(owned));
    QVERIFY(link.OpenDevice());

    QByteArray mask(CamDevCtrl::kMaskSize, '\0');
    for (int i = 0; i < mask.size(); i += 97)
        mask[i] = char(0xA5);
    link.SetMask(reinterpret_cast<const uint8_t*>(mask.constData()), mask.size());
    QTRY_VERIFY_WITH_TIMEOUT(
        sim->module().state().stored.mask == std::vector<uint8_t>(mask.begin(), mask.end()), 5000);
    const StoredState before = sim->module().state().stored;

    QueuedSpy steps(&link, &CamDevCtrl::sigACNextStep);
    link.SendACPatternStart(0);
    QTRY_VERIFY_WITH_TIMEOUT(!sim->isPresent(false), 5000);
    QVERIFY(!steps.wait(500));
    QTRY_VERIFY_WITH_TIMEOUT(sim->isPresent(true), 5000);

    // Freshly powered: the capture is gone, what the module stores is not.
    QVERIFY(link.OpenDevice());
    const ModuleState after = sim->module().state();
    QVERIFY(after.session.captures.empty());
    QVERIFY(after.stored.record == before.record);
    QVERIFY(after.stored.mask == before.mask);
}

QTEST_GUILESS_MAIN(LinkFaultsTest)
#include "test_link_faults.moc"
