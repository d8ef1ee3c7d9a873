#include "device/ByteOrder.h"
#include "device/CamDevCtrl.h"
#include "device/Packet.h"
#include "tests/support/FakeTransport.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Slowed.h"

#include <QtTest>
#include <limits>

namespace {

constexpr int kTrueLength = std::numeric_limits<int>::min();

// An image part: part number, whole size, then `bytes` pixel bytes of value `fill`; the
// length field may claim something else.
QByteArray imagePart(uint32_t code, int part, int bytes, uint8_t fill, int imageSize = 0,
                     int lengthField = kTrueLength) {
    QByteArray payload(8 + bytes, char(fill));
    le::put32(reinterpret_cast<uint8_t*>(payload.data()), 0, uint32_t(part));
    le::put32(reinterpret_cast<uint8_t*>(payload.data()), 4, uint32_t(imageSize));
    return makePacket(code, lengthField == kTrueLength ? 8 + bytes : lengthField, payload);
}

QByteArray u32Payload(std::initializer_list<uint32_t> values) {
    QByteArray b;
    for (uint32_t v : values) {
        QByteArray w(4, '\0');
        le::put32(reinterpret_cast<uint8_t*>(w.data()), 0, v);
        b += w;
    }
    return b;
}

} // namespace

class ImageAssemblyTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void livePartPlacement_data();
    void livePartPlacement();
    void outOfSequenceIsLoggedAndStillReported();
    void secondEndReportsNothing();
    void hostileParts_data();
    void hostileParts();
    void repairOfMissingRun();
    void groupEightyCompletesTheCapture();
    void partNeverRepairedFailsTheCapture();

private:
    void startOn(int selector);
    QByteArray lastFrame(int size) const;

    FakeTransport* m_fake = nullptr;
    CamDevCtrl* m_link = nullptr;
    QList<int> m_frames;
    QList<int> m_captures;
    unsigned char* m_buffer = nullptr;
};

void ImageAssemblyTest::init() {
    auto owned = std::make_unique<FakeTransport>();
    m_fake = owned.get();
    QString serial;
    m_fake->open(&serial);
    m_link = new CamDevCtrl(std::move(owned));
    m_frames.clear();
    m_captures.clear();
    connect(m_link, &CamDevCtrl::sigNewFrame, this, [this](unsigned char* buf, int size) {
        m_buffer = buf;
        m_frames << size;
    });
    connect(m_link, &CamDevCtrl::sigACNewFrame, this, [this](unsigned char* buf, int size) {
        m_buffer = buf;
        m_captures << size;
    });
}

void ImageAssemblyTest::cleanup() {
    // Closed, the fake fails every read at once, so the receive thread ends without waiting.
    m_fake->close();
    delete m_link;
}

void ImageAssemblyTest::startOn(int selector) {
    m_link->SetRecvEndpoint(selector);
    m_link->CreateRecvPacketThread();
}

QByteArray ImageAssemblyTest::lastFrame(int size) const {
    return QByteArray(reinterpret_cast<const char*>(m_buffer), size);
}

void ImageAssemblyTest::livePartPlacement_data() {
    QTest::addColumn<int>("part");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("offset");
    QTest::newRow("first part") << 0 << 496 << 0;
    QTest::newRow("part 25 opens group 1 plus one part") << 25 << 496 << 12016;
    QTest::newRow("short last part of a group") << 23 << 112 << 11408;
    QTest::newRow("last part of the live picture") << 479 << 112 << 19 * 11520 + 23 * 496;
}

void ImageAssemblyTest::livePartPlacement() {
    QFETCH(int, part);
    QFETCH(int, bytes);
    QFETCH(int, offset);
    startOn(1);
    m_fake->feed(0x84, imagePart(pkt::DAT_IMAGE, part, bytes, 0xAB, 230400));
    m_fake->feed(0x84, makePacket(pkt::DAT_IMGEND, 4, u32Payload({0})));
    QTRY_COMPARE(m_frames, QList<int>{230400});
    const QByteArray frame = lastFrame(CamDevCtrl::kLiveImageSize);
    QCOMPARE(frame.mid(offset, bytes), QByteArray(bytes, char(0xAB)));
    if (offset > 0)
        QCOMPARE(frame.at(offset - 1), '\0');
    if (offset + bytes < frame.size())
        QCOMPARE(frame.at(offset + bytes), '\0');
}

void ImageAssemblyTest::outOfSequenceIsLoggedAndStillReported() {
    LogCapture log;
    startOn(1);
    for (int part : {0, 1, 3})
        m_fake->feed(0x84, imagePart(pkt::DAT_IMAGE, part, 496, 1, 230400));
    m_fake->feed(0x84, makePacket(pkt::DAT_IMGEND, 4, u32Payload({1})));
    QTRY_COMPARE(m_frames.size(), 1);
    QCOMPARE(log.count(QStringLiteral("PacketToImage16HID : prevSeq")), 1);
    QVERIFY(log.contains(QStringLiteral("PacketToImage16HID : prevSeq = 1, img->seq = 3")));
    QVERIFY(log.contains(QStringLiteral("Capture Error!!!!!!!!!!!!!")));
}

void ImageAssemblyTest::secondEndReportsNothing() {
    startOn(1);
    m_fake->feed(0x84, imagePart(pkt::DAT_IMAGE, 0, 496, 1, 230400));
    m_fake->feed(0x84, makePacket(pkt::DAT_IMGEND, 0));
    m_fake->feed(0x84, makePacket(pkt::DAT_IMGEND, 0));
    // A frame not yet handed on is replaced by the next one: wait for this one first.
    QTRY_COMPARE(m_frames.size(), 1);
    m_fake->feed(0x84, imagePart(pkt::DAT_IMAGE, 0, 496, 2, 230400));
    m_fake->feed(0x84, makePacket(pkt::DAT_IMGEND, 0));
    QTRY_COMPARE(m_frames.size(), 2);
    QTest::qWait(50);
    QCOMPARE(m_frames.size(), 2);
}

void ImageAssemblyTest::hostileParts_data() {
    QTest::addColumn<int>("part");
    QTest::addColumn<int>("lengthField");
    QTest::addColumn<int>("placedBytes");
    QTest::newRow("length past the packet is cut to it") << 2 << 100000 << 496;
    QTest::newRow("negative length places nothing") << 2 << -5 << 0;
    QTest::newRow("part far past the buffer") << 0x7FFFFFFF << 504 << 0;
    QTest::newRow("negative part number") << -1 << 504 << 0;
    QTest::newRow("last whole part inside the buffer") << 7678 << 504 << 496;
    QTest::newRow("part that would run past the end") << 7679 << 504 << 0;
    QTest::newRow("first part past the buffer") << 7680 << 504 << 0;
}

void ImageAssemblyTest::hostileParts() {
    QFETCH(int, part);
    QFETCH(int, lengthField);
    QFETCH(int, placedBytes);
    startOn(1);
    m_fake->feed(0x84, imagePart(pkt::DAT_IMAGE, part, 496, 0x5A, 230400, lengthField));
    m_fake->feed(0x84, makePacket(pkt::DAT_IMGEND, 0));
    QTRY_COMPARE(m_frames.size(), 1);
    const QByteArray whole = lastFrame(CamDevCtrl::kImageBufferSize);
    QCOMPARE(int(whole.count(char(0x5A))), placedBytes);
}

void ImageAssemblyTest::repairOfMissingRun() {
    LogCapture log;
    startOn(0);
    m_link->RequestACImage(103, 0);
    for (int part = 0; part < 24; ++part)
        if (part < 5 || part > 7)
            m_fake->feed(0x83, imagePart(pkt::DAT_AC_IMAGE, part, 496, uint8_t(part), 921600));
    m_fake->feed(0x83, makePacket(pkt::DAT_AC_IMGEND, 0));
    QTRY_VERIFY(log.contains(QStringLiteral("missed seq: num = 3, num_run = 1")));

    QTRY_VERIFY(m_fake->written().size() >= 2);
    const QByteArray repair = m_fake->written().at(1);
    QCOMPARE(repair.left(8 + 12),
             makePacket(pkt::CMD_AC_SENDIMG_PART, 12, u32Payload({103, 5, 7})).left(20));

    // Part 9 arriving again during the repair is flagged but not placed.
    m_fake->feed(0x83, imagePart(pkt::DAT_AC_IMAGE_PART, 9, 496, 0xEE));
    for (int part = 5; part <= 7; ++part)
        m_fake->feed(0x83, imagePart(pkt::DAT_AC_IMAGE_PART, part, 496, uint8_t(part)));
    m_fake->feed(0x83, makePacket(pkt::RES_AC_IMGPART_END, 0));
    QTRY_COMPARE(m_fake->written().size(), 3);
    const QByteArray next = m_fake->written().at(2);
    QCOMPARE(next.left(10), makePacket(pkt::CMD_AC_SENDIMG, 2, QByteArray("\x67\x01", 2)).left(10));

    // Finish the capture with the other 79 groups and the end of group 80.
    for (int group = 1; group < 80; ++group) {
        for (int i = 0; i < 24; ++i)
            m_fake->feed(0x83, imagePart(pkt::DAT_AC_IMAGE, group * 24 + i, 496, 0x11, 921600));
        m_fake->feed(0x83, makePacket(pkt::DAT_AC_IMGEND, 0));
    }
    m_fake->feed(0x83, makePacket(pkt::DAT_AC_IMGEND, 0));
    QTRY_COMPARE(m_captures, QList<int>{921600});
    const QByteArray capture = lastFrame(921600);
    for (int part = 0; part < 24; ++part)
        QCOMPARE(uint8_t(capture.at(part * 496)), uint8_t(part));
}

void ImageAssemblyTest::groupEightyCompletesTheCapture() {
    LogCapture log;
    startOn(0);
    m_link->RequestACImage(101, 0);
    for (int group = 0; group < 80; ++group) {
        for (int i = 0; i < 24; ++i) {
            const int bytes = i == 23 ? 112 : 496;
            m_fake->feed(0x83,
                         imagePart(pkt::DAT_AC_IMAGE, group * 24 + i, bytes, uint8_t(group), 0));
        }
        m_fake->feed(0x83, makePacket(pkt::DAT_AC_IMGEND, 0));
    }
    QTRY_COMPARE(m_fake->written().size(), 81);
    QVERIFY(m_captures.isEmpty());
    const QByteArray last = m_fake->written().at(80);
    QCOMPARE(uint8_t(last.at(9)), uint8_t(80));

    m_fake->feed(0x83, makePacket(pkt::DAT_AC_IMGEND, 0));
    QTRY_COMPARE(m_captures, QList<int>{921600});
    QVERIFY(log.contains(QStringLiteral("ReceiveACProcHID: all done")));
    const QByteArray capture = lastFrame(921600);
    for (int group = 0; group < 80; ++group)
        QCOMPARE(capture.mid(group * 11520, 11520), QByteArray(11520, char(group)));
}

void ImageAssemblyTest::partNeverRepairedFailsTheCapture() {
    LogCapture log;
    QSignalSpy failed(m_link, &CamDevCtrl::sigACImageFailed);
    startOn(0);
    m_link->RequestACImage(101, 0);
    for (int part = 0; part < 24; ++part)
        if (part != 5 && part != 9)
            m_fake->feed(0x83, imagePart(pkt::DAT_AC_IMAGE, part, 496, 0x20, 921600));
    m_fake->feed(0x83, makePacket(pkt::DAT_AC_IMGEND, 0));
    // Every request for the two runs is ended without the parts, many times over.
    for (int end = 0; end < 100; ++end)
        m_fake->feed(0x83, makePacket(pkt::RES_AC_IMGPART_END, 0));
    // A hundred rounds of repair requests: slower under the sanitizers.
    QVERIFY(failed.wait(slowed(5000)));
    QVERIFY(log.contains(QStringLiteral("captured image 101: parts 5, 9 still missing")));
    // Every packet read, the receive thread waits for the next: the ends past the last round
    // asked for nothing more. One request per run and round: the group, then 20 rounds of two.
    QVERIFY(m_fake->waitUntilIdle());
    QCOMPARE(m_fake->written().size(), 1 + 20 * 2);
    QCOMPARE(failed.count(), 1);
}

QTEST_GUILESS_MAIN(ImageAssemblyTest)
#include "test_image_assembly.moc"
