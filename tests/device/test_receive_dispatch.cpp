#include "device/ByteOrder.h"
#include "device/CamDevCtrl.h"
#include "device/LinkStorage.h"
#include "device/Packet.h"
#include "tests/support/FakeTransport.h"
#include "tests/support/LogCapture.h"

#include <QtTest>

// Receives the link's signals on the test's thread, queued, as the controller does.
class Receiver : public QObject {
    Q_OBJECT

public:
    QStringList versions;
    QList<QList<int>> options;
    QList<int> mcNextValues;
    QList<int> mcNextLengths;
    int acNextSteps = 0;
    int mcDone = 0;
    QList<int> frameSizes;

    explicit Receiver(CamDevCtrl* link) {
        connect(link, &CamDevCtrl::sigSetFWVersion, this, [this](QString v) { versions << v; });
        connect(link, &CamDevCtrl::sigSetFWOption, this,
                [this](uchar c, uchar r, uchar f, uchar l) {
                    options << QList<int>{c, r, f, l};
                });
        connect(link, &CamDevCtrl::sigMCNextStep, this, [this](int* buf, int len) {
            mcNextLengths << len;
            mcNextValues << (len == 4 ? *buf : -1);
        });
        connect(link, &CamDevCtrl::sigACNextStep, this, [this] { ++acNextSteps; });
        connect(link, &CamDevCtrl::sigMCDone, this, [this] { ++mcDone; });
        connect(link, &CamDevCtrl::sigNewFrame, this,
                [this](unsigned char*, int size) { frameSizes << size; });
    }

    int reports() const {
        return versions.size() + options.size() + mcNextLengths.size() + acNextSteps + mcDone +
               frameSizes.size();
    }
};

class ReceiveDispatchTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void version();
    void options_data();
    void options();
    void patternEndCarriesTargetIndex();
    void inputPointsWithNoCounts();
    void captureStepsAndPatternDone();
    void unknownCodeIsLogged();
    void deleteWithoutThread();
    void restartSwitchesEndpoint();
    void restartWithoutStopEndsTheOldThread();
    void immediateReadFailuresDoNotSpin();
    void floodLeavesABoundedQueue_data();
    void floodLeavesABoundedQueue();

private:
    FakeTransport* m_fake = nullptr;
    CamDevCtrl* m_link = nullptr;
    Receiver* m_receiver = nullptr;
};

void ReceiveDispatchTest::init() {
    auto owned = std::make_unique<FakeTransport>();
    m_fake = owned.get();
    QString serial;
    m_fake->open(&serial);
    m_link = new CamDevCtrl(std::move(owned));
    m_receiver = new Receiver(m_link);
    m_link->CreateRecvPacketThread();
}

void ReceiveDispatchTest::cleanup() {
    delete m_receiver;
    m_fake->close();
    delete m_link;
}

void ReceiveDispatchTest::version() {
    m_fake->feed(0x83, makePacket(pkt::DAT_VERSION, 2, QByteArray("\x01\x07", 2)));
    QTRY_COMPARE(m_receiver->versions, QStringList{"1.07"});
}

void ReceiveDispatchTest::options_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("emitted");
    QTest::newRow("length 4") << 4 << true;
    QTest::newRow("length 5") << 5 << false;
    QTest::newRow("length 0") << 0 << false;
}

void ReceiveDispatchTest::options() {
    QFETCH(int, length);
    QFETCH(bool, emitted);
    LogCapture log;
    m_fake->feed(0x83, makePacket(pkt::DAT_OPTION, length, QByteArray("\x01\x00\x01\x02", 4)));
    // A version packet behind it marks when the option packet has been handled.
    m_fake->feed(0x83, makePacket(pkt::DAT_VERSION, 2, QByteArray("\x33\x0C", 2)));
    QTRY_COMPARE(m_receiver->versions.size(), 1);
    if (emitted) {
        QCOMPARE(m_receiver->options, (QList<QList<int>>{{1, 0, 1, 2}}));
    } else {
        QVERIFY(m_receiver->options.isEmpty());
        QVERIFY(log.contains(QStringLiteral("F/W Option: invalid length = 512")));
    }
}

void ReceiveDispatchTest::patternEndCarriesTargetIndex() {
    QByteArray value(4, '\0');
    le::put32(reinterpret_cast<uint8_t*>(value.data()), 0, 3);
    m_fake->feed(0x83, makePacket(pkt::RES_MC_PATTERN_END, 4, value));
    QTRY_COMPARE(m_receiver->mcNextLengths, QList<int>{4});
    QCOMPARE(m_receiver->mcNextValues, QList<int>{3});
}

void ReceiveDispatchTest::inputPointsWithNoCounts() {
    m_link->SetCalibMode(1, 0);
    LogCapture log;
    QByteArray points(200, '\0');
    le::putf32(reinterpret_cast<uint8_t*>(points.data()), 0, 12.5f);
    m_fake->feed(0x83, makePacket(pkt::DAT_MC_INPUT_POINT, 200, points));
    QTRY_COMPARE(m_receiver->mcNextLengths, QList<int>{200});
    QVERIFY(log.contains(QStringLiteral("--------")));
    QVERIFY(!log.contains(QStringLiteral("0: 12.50, 0.00")));
    QCOMPARE(le::f32(link::g_inputPoints, 0), 12.5f);

    m_link->SetCalibMode(1, 2);
    m_fake->feed(0x83, makePacket(pkt::DAT_MC_INPUT_POINT, 200, points));
    QTRY_COMPARE(m_receiver->mcNextLengths.size(), 2);
    QCOMPARE(log.count(QStringLiteral("0: 12.50, 0.00")), 1);
    QVERIFY(log.contains(QStringLiteral("19: 0.00, 0.00")));
    QVERIFY(!log.contains(QStringLiteral("20: 0.00, 0.00")));

    m_fake->feed(0x83, makePacket(pkt::DAT_MC_INPUT_POINT, 199, points));
    m_fake->feed(0x83, makePacket(pkt::RES_MC_PATTERN_DONE, 0));
    QTRY_COMPARE(m_receiver->mcDone, 1);
    QCOMPARE(m_receiver->mcNextLengths.size(), 2);
}

void ReceiveDispatchTest::captureStepsAndPatternDone() {
    for (uint32_t code : {pkt::RES_AC_BLACK_END, pkt::RES_AC_WHITE_END, pkt::RES_AC_PATTERN_END,
                          pkt::RES_AC_READY_END})
        m_fake->feed(0x83, makePacket(code, 0));
    m_fake->feed(0x83, makePacket(pkt::RES_MC_PATTERN_DONE, 0));
    QTRY_COMPARE(m_receiver->mcDone, 1);
    QCOMPARE(m_receiver->acNextSteps, 4);
}

void ReceiveDispatchTest::unknownCodeIsLogged() {
    LogCapture log;
    m_fake->feed(0x83, makePacket(0xABCD, 7));
    QTRY_VERIFY(log.contains(QStringLiteral("[0xABCD]Invalid Cmd : Len[7]")));
}

void ReceiveDispatchTest::deleteWithoutThread() {
    m_link->DeleteThread();
    LogCapture log;
    m_link->DeleteThread();
    QVERIFY(log.contains(QStringLiteral("DeleteThread: m_pThreadRecv is NULL")));
    // The stop request stays set until the next start clears it.
    m_link->CreateRecvPacketThread();
    m_fake->feed(0x83, makePacket(pkt::DAT_VERSION, 2, QByteArray("\x01\x07", 2)));
    QTRY_COMPARE(m_receiver->versions.size(), 1);
}

void ReceiveDispatchTest::restartSwitchesEndpoint() {
    LogCapture log;
    m_link->DeleteThread();
    m_link->SetRecvEndpoint(1);
    m_link->CreateRecvPacketThread();
    QTRY_VERIFY(log.contains(QStringLiteral("EpAddress = 0x84")));

    // A command answer waits on its own endpoint while the live picture is read.
    m_fake->feed(0x83, makePacket(pkt::DAT_VERSION, 2, QByteArray("\x01\x07", 2)));
    QByteArray partHeader(8, '\0');
    le::put32(reinterpret_cast<uint8_t*>(partHeader.data()), 4, 230400);
    m_fake->feed(0x84, makePacket(pkt::DAT_IMAGE, 8 + 496, partHeader));
    m_fake->feed(0x84, makePacket(pkt::DAT_IMGEND, 0));
    QTRY_COMPARE(m_receiver->frameSizes, QList<int>{230400});
    QVERIFY(m_receiver->versions.isEmpty());

    m_link->DeleteThread();
    QVERIFY(log.contains(QStringLiteral("<============================RecvPacketProc End")));
    m_link->SetRecvEndpoint(0);
    m_link->CreateRecvPacketThread();
    QTRY_COMPARE(m_receiver->versions, QStringList{"1.07"});
}

void ReceiveDispatchTest::restartWithoutStopEndsTheOldThread() {
    LogCapture log;
    m_link->CreateRecvPacketThread();
    QTRY_COMPARE(log.count(QStringLiteral("<============================RecvPacketProc End")), 1);
    m_fake->feed(0x83, makePacket(pkt::DAT_VERSION, 2, QByteArray("\x01\x07", 2)));
    QTRY_COMPARE(m_receiver->versions.size(), 1);
}

void ReceiveDispatchTest::immediateReadFailuresDoNotSpin() {
    m_fake->failReadsAtOnce = true;
    const int before = m_fake->reads;
    // Even with the tests' shortened pauses a pausing thread reads about 100 times here; a
    // spinning one reads hundreds of thousands of times.
    QTest::qWait(500);
    QVERIFY2(m_fake->reads - before < 1000, qPrintable(QString::number(m_fake->reads - before)));
    m_fake->failReadsAtOnce = false;
}

void ReceiveDispatchTest::floodLeavesABoundedQueue_data() {
    QTest::addColumn<uint32_t>("code");
    QTest::addColumn<int>("length");
    QTest::newRow("firmware version") << uint32_t(pkt::DAT_VERSION) << 2;
    QTest::newRow("options") << uint32_t(pkt::DAT_OPTION) << 4;
    QTest::newRow("capture done") << uint32_t(pkt::RES_AC_BLACK_END) << 0;
    QTest::newRow("pattern done") << uint32_t(pkt::RES_MC_PATTERN_DONE) << 0;
    QTest::newRow("pattern end") << uint32_t(pkt::RES_MC_PATTERN_END) << 4;
}

// The user-interface thread is busy while the module floods it: what waits for it stays
// bounded, and reports flow again once it has caught up.
void ReceiveDispatchTest::floodLeavesABoundedQueue() {
    QFETCH(uint32_t, code);
    QFETCH(int, length);
    const QByteArray packet = makePacket(code, length, QByteArray("\x01\x07\x00\x01", 4));
    for (int i = 0; i < 1000; ++i)
        m_fake->feed(0x83, packet);
    QVERIFY(m_fake->waitUntilIdle());
    QCoreApplication::sendPostedEvents();
    QVERIFY(m_receiver->reports() >= 1);
    QVERIFY(m_receiver->reports() <= ReportGate::kMaxWaiting);
    const int caughtUp = m_receiver->reports();
    m_fake->feed(0x83, packet);
    QTRY_COMPARE(m_receiver->reports(), caughtUp + 1);
}

QTEST_GUILESS_MAIN(ReceiveDispatchTest)
#include "test_receive_dispatch.moc"
