#include "device/ByteOrder.h"
#include "device/CamDevCtrl.h"
#include "device/LinkStorage.h"
#include "device/Packet.h"
#include "tests/support/FakeTransport.h"
#include "tests/support/LogCapture.h"

#include <QtTest>
#include <array>

using Pairs = std::vector<std::pair<uint16_t, uint8_t>>;
Q_DECLARE_METATYPE(Pairs)

namespace {

const uint8_t* bytesOf(const QByteArray& b) {
    return reinterpret_cast<const uint8_t*>(b.constData());
}

} // namespace

class RecordAndSendersTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void calibRecordLayout();
    void sensorBlocks_data();
    void sensorBlocks();
    void rowLimitBytes_data();
    void rowLimitBytes();
    void tweakCountIsBounded_data();
    void tweakCountIsBounded();
    void storedRecordLog_data();
    void storedRecordLog();
    void maskDownloadTwice();
    void maskPartsOutOfOrder_data();
    void maskPartsOutOfOrder();
    void newerMaskReplacesUnhandledOlder();
    void maskUploadIsCut();
    void gainQueueing();
    void deferredWritesGoOutAfterLivePicture();
    void blackStartLevel_data();
    void blackStartLevel();
    void trackingWays();
    void coordinateRatioPayload();

private:
    QByteArray uploadRecord(int lensType, int fwMinor, int rowLimit, int tweakCount = 0,
                            const float* tweaks = nullptr);
    QByteArray lastWritten() { return m_fake->written().last(); }

    FakeTransport* m_fake = nullptr;
    CamDevCtrl* m_link = nullptr;
};

void RecordAndSendersTest::init() {
    auto owned = std::make_unique<FakeTransport>();
    m_fake = owned.get();
    QString serial;
    m_fake->open(&serial);
    m_link = new CamDevCtrl(std::move(owned));
}

void RecordAndSendersTest::cleanup() {
    m_fake->close();
    delete m_link;
}

QByteArray RecordAndSendersTest::uploadRecord(int lensType, int fwMinor, int rowLimit,
                                              int tweakCount, const float* tweaks) {
    double tp[13];
    for (int i = 0; i < 13; ++i)
        tp[i] = 0.5 * i - 1.0;
    m_fake->clearWritten();
    m_link->send_set_calib_parameter(tp, 1, 0, 1920, 1080, lensType, 1, tweaks != nullptr,
                                     tweakCount, tweaks, true, rowLimit, rowLimit, fwMinor);
    const QByteArray packet = lastWritten();
    const uint8_t* p = bytesOf(packet);
    if (le::u32(p, 0) != pkt::CMD_SET_CALIB_PARAMETER || le::u32(p, 4) != 370)
        return {};
    return packet.mid(8, 370);
}

void RecordAndSendersTest::calibRecordLayout() {
    const float tweaks[4] = {1.5f, -2.25f, 0.125f, 3.0f};
    const QByteArray rec = uploadRecord(2, 12, 300, 2, tweaks);
    QCOMPARE(rec.size(), 370);
    const uint8_t* r = bytesOf(rec);
    for (int i = 0; i < 13; ++i)
        QCOMPARE(le::f64(r, size_t(8 * i)), 0.5 * i - 1.0);
    QCOMPARE(le::i16(r, 104), int16_t(1920));
    QCOMPARE(le::i16(r, 106), int16_t(1080));
    QCOMPARE(int(r[108]), 1);
    QCOMPARE(int(r[109]), 0);
    QCOMPARE(int(r[110]), 2);
    QCOMPARE(int(r[111]), 1);
    QCOMPARE(le::i32(r, 112), 2);
    QCOMPARE(le::f32(r, 116), 1.5f);
    QCOMPARE(le::f32(r, 120), -2.25f);
    QCOMPARE(le::f32(r, 128), 3.0f);
    QCOMPARE(le::f32(r, 132), 0.0f);
}

void RecordAndSendersTest::sensorBlocks_data() {
    QTest::addColumn<int>("lens");
    QTest::addColumn<int>("fw");
    QTest::addColumn<QByteArray>("pen");
    QTest::addColumn<QByteArray>("finger");
    // Block bytes 6..15 (value 1, value 2, gain, o1..o6), then o8 (18) and o10..o15 (21..26).
    auto block = [](std::initializer_list<int> head, std::initializer_list<int> tail) {
        QByteArray b;
        for (int v : head)
            b.append(char(v));
        for (int v : tail)
            b.append(char(v));
        return b;
    };
    QTest::newRow("lens 3, fw 10")
        << 3 << 10 << block({0x27, 0, 0, 0x18, 8, 11, 40, 5, 0, 30}, {30, 5, 1, 0, 0, 25, 0})
        << block({0xA7, 0, 0, 0x20, 2, 3, 12, 4, 24, 30}, {7, 2, 1, 0, 5, 10, 5});
    QTest::newRow("lens 3, fw 9") << 3 << 9
                                  << block({0x27, 0, 0, 0x10, 7, 12, 80, 5, 0, 30},
                                           {30, 5, 1, 0, 0, 25, 0})
                                  << block({0xA7, 0, 0, 0x20, 2, 3, 12, 4, 24, 30},
                                           {7, 2, 1, 0, 5, 10, 5});
    QTest::newRow("lens 3, fw 11")
        << 3 << 11 << block({0x27, 0, 0, 0x18, 4, 5, 50, 5, 0, 30}, {30, 5, 1, 0, 0, 25, 0})
        << block({0xA7, 0, 0, 0x18, 5, 6, 40, 5, 0, 30}, {30, 5, 1, 0, 5, 10, 5});
    QTest::newRow("lens 1, fw 12")
        << 1 << 12 << block({0x27, 0, 0, 0x18, 4, 5, 50, 5, 0, 30}, {30, 5, 1, 0, 0, 25, 0})
        << block({0x27, 0, 0, 0x18, 5, 6, 40, 5, 0, 30}, {30, 5, 1, 0, 5, 10, 5});
    QTest::newRow("lens 2, fw 10")
        << 2 << 10 << block({0x27, 0, 0, 0x20, 8, 11, 40, 5, 0, 30}, {30, 5, 1, 0, 0, 25, 0})
        << block({0xA7, 0, 0, 0x20, 4, 5, 20, 5, 0, 30}, {20, 5, 1, 0, 5, 10, 5});
    QTest::newRow("lens 4: pen defaults, finger head only")
        << 4 << 12 << block({0x27, 0, 0, 0x20, 3, 4, 30, 5, 0, 30}, {30, 5, 1, 0, 0, 30, 0})
        << block({0x05, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0});
}

void RecordAndSendersTest::sensorBlocks() {
    QFETCH(int, lens);
    QFETCH(int, fw);
    QFETCH(QByteArray, pen);
    QFETCH(QByteArray, finger);
    const QByteArray rec = uploadRecord(lens, fw, 300);
    auto fields = [&rec](int block) {
        const QByteArray b = rec.mid(block, 27);
        return b.mid(6, 10) + b.mid(18, 1) + b.mid(21, 6);
    };
    QCOMPARE(fields(316), pen);
    QCOMPARE(fields(343), finger);
    const QByteArray penHead = rec.mid(316, 6);
    QCOMPARE(penHead, QByteArray("\x01\x01\x00\x50\x00\x00", 6));
    if (lens == 4)
        QCOMPARE(rec.mid(343, 7), QByteArray("\x01\x01\x01\x00\x05\x0A\x05", 7));
}

void RecordAndSendersTest::rowLimitBytes_data() {
    QTest::addColumn<int>("rowLimit");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("300") << 300 << QByteArray("\x2C\x01", 2);
    QTest::newRow("-1") << -1 << QByteArray("\xFF\x00", 2);
    QTest::newRow("719") << 719 << QByteArray("\xCF\x02", 2);
}

void RecordAndSendersTest::rowLimitBytes() {
    QFETCH(int, rowLimit);
    QFETCH(QByteArray, bytes);
    const QByteArray rec = uploadRecord(1, 12, rowLimit);
    QCOMPARE(rec.mid(343 + 16, 2), bytes);
    QCOMPARE(rec.mid(343 + 19, 2), bytes);
    QCOMPARE(rec.mid(316 + 16, 2), QByteArray(2, '\0'));
}

void RecordAndSendersTest::tweakCountIsBounded_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("stored");
    QTest::newRow("25") << 25 << 25;
    QTest::newRow("past the table") << 1000 << 25;
    QTest::newRow("negative") << -3 << 0;
}

void RecordAndSendersTest::tweakCountIsBounded() {
    QFETCH(int, count);
    QFETCH(int, stored);
    std::vector<float> tweaks(50, 1.0f);
    const QByteArray rec = uploadRecord(1, 12, 0, count, tweaks.data());
    QCOMPARE(le::i32(bytesOf(rec), 112), stored);
}

void RecordAndSendersTest::storedRecordLog_data() {
    QTest::addColumn<int>("tweakNum");
    QTest::addColumn<int>("tweakLines");
    QTest::addColumn<bool>("ptInUse");
    QTest::newRow("no tweaks, pt unused") << 0 << 0 << false;
    QTest::newRow("25 tweaks, pt in use") << 25 << 25 << true;
    QTest::newRow("hostile count") << 0x7FFFFFFF << 25 << true;
    QTest::newRow("negative count") << -7 << 0 << true;
}

void RecordAndSendersTest::storedRecordLog() {
    QFETCH(int, tweakNum);
    QFETCH(int, tweakLines);
    QFETCH(bool, ptInUse);
    std::array<uint8_t, 400> bytes{};
    uint8_t* r = bytes.data();
    le::put16(r, 320, 1920);
    le::put16(r, 322, 1080);
    le::put32(r, 116, uint32_t(tweakNum));
    for (int i = 0; i < 50; ++i)
        le::putf32(r, size_t(120 + 4 * i), 0.25f);
    r[330] = ptInUse ? 1 : 0;
    r[331] = 1;
    le::put16(r, 332, 0x5000);
    r[336] = 0x27;
    r[357] = 1;
    le::put16(r, 360, 0x5000);
    le::put16(r, 368 + 6, 300); // ft o7
    r[385] = 2;
    le::putf64(r, 392, 1.25);
    const QByteArray record(reinterpret_cast<const char*>(r), 400);

    unsigned char* handed = nullptr;
    connect(m_link, &CamDevCtrl::sigSetPrevTweak, this,
            [&handed](unsigned char* p) { handed = p; });
    LogCapture log;
    m_link->CreateRecvPacketThread();
    m_fake->feed(0x83, makePacket(0x111D, 400, record));
    QTRY_VERIFY(handed != nullptr);
    QCOMPARE(QByteArray(reinterpret_cast<char*>(handed), 400), record);
    QCOMPARE(log.count(QStringLiteral("] 0.250000 0.250000")), tweakLines);
    QVERIFY(log.contains(QStringLiteral("sizeof(tEEPROM) = 400")));
    QVERIFY(log.contains(QStringLiteral("window_width = 1920, window_height = 1080")));
    QVERIFY(log.contains(QStringLiteral("pt_setting:")));
    QCOMPARE(log.contains(QStringLiteral("num_reg = 1, (5000, 27), (0000, 00)")), ptInUse);
    QVERIFY(log.contains(QStringLiteral("num_reg = 0, (5000, 00), (0000, 00)")));
    QVERIFY(log.contains(QStringLiteral("    300, 0")));
    QVERIFY(log.contains(QStringLiteral("fix_coord: 2 1.250000")));
}

void RecordAndSendersTest::maskDownloadTwice() {
    QList<int> lengths;
    QByteArray received;
    connect(m_link, &CamDevCtrl::sigReceiveMask, this, [&](unsigned char* mask, int len) {
        lengths << len;
        received = QByteArray(reinterpret_cast<char*>(mask), 28801);
    });
    m_link->CreateRecvPacketThread();
    for (int round = 0; round < 2; ++round) {
        m_fake->clearWritten();
        for (int part = 0; part <= 57; ++part) {
            QByteArray payload(1 + 503, char(part + round));
            payload[0] = char(part);
            m_fake->feed(0x83, makePacket(pkt::DAT_MASK, 504, payload));
        }
        QTRY_COMPARE(lengths.size(), round + 1);
        QCOMPARE(lengths.last(), 28801);
        QCOMPARE(uint8_t(received.at(503 * 56)), uint8_t(56 + round));
        QCOMPARE(uint8_t(received.at(28800)), uint8_t(57 + round));
        // The link asked for parts 1 to 57 itself.
        const QList<QByteArray> requests = m_fake->written();
        QCOMPARE(requests.size(), 57);
        QCOMPARE(uint8_t(requests.last().at(8)), uint8_t(57));
    }
    // A part number past the last is ignored.
    m_fake->feed(0x83, makePacket(pkt::DAT_MASK, 504, QByteArray(1, char(58))));
    QTRY_COMPARE(lengths.size(), 2);
}

void RecordAndSendersTest::maskPartsOutOfOrder_data() {
    QTest::addColumn<QList<int>>("parts");
    QTest::addColumn<int>("requests");
    QList<int> restart;
    for (int part = 0; part < 57; ++part)
        restart << part;
    restart << 0 << 1 << 2;
    QTest::newRow("last part alone") << QList<int>{57, 57, 57} << 0;
    QTest::newRow("first part repeated") << QList<int>{0, 0, 0} << 1;
    QTest::newRow("part skipped, then sent late") << QList<int>{0, 1, 3, 2, 57} << 3;
    // The part the peer answers the last request with is the first again, and so on.
    QTest::newRow("first part instead of the last") << restart << 57;
}

// Each part is asked for once and in order; anything else is ignored, so no mask is handed
// on and the link never asks for more than one download's worth.
void RecordAndSendersTest::maskPartsOutOfOrder() {
    QFETCH(QList<int>, parts);
    QFETCH(int, requests);
    QSignalSpy masks(m_link, &CamDevCtrl::sigReceiveMask);
    m_link->CreateRecvPacketThread();
    for (int part : parts) {
        QByteArray payload(1 + 503, char(part));
        payload[0] = char(part);
        m_fake->feed(0x83, makePacket(pkt::DAT_MASK, 504, payload));
    }
    QVERIFY(m_fake->waitUntilIdle());
    QCOMPARE(m_fake->written().size(), requests);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(masks.count(), 0);
}

void RecordAndSendersTest::newerMaskReplacesUnhandledOlder() {
    QList<QByteArray> received;
    connect(m_link, &CamDevCtrl::sigReceiveMask, this, [&](unsigned char* mask, int len) {
        received << QByteArray(reinterpret_cast<char*>(mask), len);
    });
    m_link->CreateRecvPacketThread();
    for (int round = 0; round < 5; ++round)
        for (int part = 0; part <= 57; ++part) {
            QByteArray payload(1 + 503, char(round));
            payload[0] = char(part);
            m_fake->feed(0x83, makePacket(pkt::DAT_MASK, 504, payload));
        }
    QVERIFY(m_fake->waitUntilIdle());
    QCoreApplication::sendPostedEvents();
    QCOMPARE(received.size(), 1);
    QCOMPARE(received.first(), QByteArray(28801, char(4)));
}

void RecordAndSendersTest::maskUploadIsCut() {
    QByteArray mask(40000, char(0x0F));
    LogCapture log;
    m_link->SetMask(bytesOf(mask), mask.size());
    const QList<QByteArray> parts = m_fake->written();
    QCOMPARE(parts.size(), 58);
    QCOMPARE(int(le::u32(bytesOf(parts.last()), 4)), 138);
    QVERIFY(log.contains(QStringLiteral("nLen > nPLen 58")));
}

void RecordAndSendersTest::gainQueueing() {
    m_link->QueueRegisterWrite(0x3500, 7);
    QCOMPARE(m_link->pendingRegisterWrites(), (Pairs{{0x3500, 7}}));
    m_link->QueueGainWrite(0x0123, 99);
    QCOMPARE(m_link->pendingRegisterWrites(),
             (Pairs{{0x3008, 0x42}, {0x350A, 0x01}, {0x350B, 0x23}, {0x3008, 0x02}}));
    m_link->QueueGainWrite(0x0256, 0);
    QCOMPARE(m_link->pendingRegisterWrites(),
             (Pairs{{0x3008, 0x42}, {0x350A, 0x02}, {0x350B, 0x56}, {0x3008, 0x02}}));
    QVERIFY(m_fake->written().isEmpty());
}

void RecordAndSendersTest::deferredWritesGoOutAfterLivePicture() {
    m_link->QueueGainWrite(0x0123, 0);
    m_link->SetRecvEndpoint(1);
    m_link->CreateRecvPacketThread();
    QByteArray part(8, '\0');
    m_fake->feed(0x84, makePacket(pkt::DAT_IMAGE, 504, part));
    m_fake->feed(0x84, makePacket(pkt::DAT_IMGEND, 0));
    QTRY_COMPARE(m_fake->written().size(), 4);
    const QList<QByteArray> writes = m_fake->written();
    const Pairs expected{{0x3008, 0x42}, {0x350A, 0x01}, {0x350B, 0x23}, {0x3008, 0x02}};
    for (int i = 0; i < 4; ++i) {
        const uint8_t* p = bytesOf(writes[i]);
        QCOMPARE(le::u32(p, 0), uint32_t(pkt::CMD_IIC_WR));
        QCOMPARE(le::u32(p, 4), 3u);
        QCOMPARE(le::u16(p, 8), expected[size_t(i)].first);
        QCOMPARE(p[10], expected[size_t(i)].second);
    }
    QTRY_VERIFY(m_link->pendingRegisterWrites().empty());
}

void RecordAndSendersTest::blackStartLevel_data() {
    QTest::addColumn<int>("lens");
    QTest::addColumn<int>("fw");
    QTest::addColumn<int>("level");
    QTest::newRow("lens 2, any firmware") << 2 << 3 << 0x80;
    QTest::newRow("lens 3, fw 9") << 3 << 9 << 0x60;
    QTest::newRow("lens 3, fw 0") << 3 << 0 << 0x60;
    QTest::newRow("lens 3, fw 10") << 3 << 10 << 0x40;
    QTest::newRow("lens 1") << 1 << 12 << 0x70;
    QTest::newRow("no lens") << 0 << 12 << 0x80;
}

void RecordAndSendersTest::blackStartLevel() {
    QFETCH(int, lens);
    QFETCH(int, fw);
    QFETCH(int, level);
    m_link->send_ac_black_start(lens, fw);
    const uint8_t* p = bytesOf(lastWritten());
    QCOMPARE(le::u32(p, 0), uint32_t(pkt::CMD_AC_BLACK_START));
    QCOMPARE(le::u32(p, 4), 3u);
    QCOMPARE(int(p[8]), 0);
    QCOMPARE(int(p[9]), 0);
    QCOMPARE(int(p[10]), level);
}

void RecordAndSendersTest::trackingWays() {
    LogCapture log;
    m_link->SetTracking(false);
    m_link->SetTracking(true);
    const QList<QByteArray> writes = m_fake->written();
    QCOMPARE(writes.size(), 2);
    QCOMPARE(le::u32(bytesOf(writes[0]), 0), uint32_t(pkt::CMD_STOP_TRACKING));
    QCOMPARE(le::u32(bytesOf(writes[1]), 0), uint32_t(pkt::CMD_START_TRACKING));
    QVERIFY(log.contains(QStringLiteral("CMD_STOP_TRACKING : Data[0]")));
    QVERIFY(log.contains(QStringLiteral("CMD_START_TRACKING : Data[0]")));
}

void RecordAndSendersTest::coordinateRatioPayload() {
    m_link->SetFixCoordRatio(1, 1.8413);
    const uint8_t* p = bytesOf(lastWritten());
    QCOMPARE(le::u32(p, 4), 12u);
    QCOMPARE(le::i32(p, 8), 1);
    QCOMPARE(le::f64(p, 12), 1.8413);
    m_link->SendCoord(1, 1000, 3800);
    const uint8_t* c = bytesOf(lastWritten());
    QCOMPARE(le::u32(c, 0), uint32_t(pkt::CMD_SEND_COORD));
    QCOMPARE(le::i32(c, 12), 1000);
    QCOMPARE(le::i32(c, 16), 3800);
}

QTEST_GUILESS_MAIN(RecordAndSendersTest)
#include "test_record_and_senders.moc"
