// The transport's USB-like behaviour: opening, endpoints, time-outs and the plug schedule.
#include "SimPackets.h"

#include <QElapsedTimer>
#include <QtTest>
#include <memory>

using namespace simtest;
using namespace pkt;

class SimTransportTest : public QObject {
    Q_OBJECT

private slots:
    void nothingWorksBeforeOpen() {
        SimTransport t{SimProfile()};
        const Packet p = command(CMD_SENDVERSION);
        QVERIFY(!t.isOpen());
        QCOMPARE(t.write(p.data()), SimTransport::kFailed);
        Packet a{};
        QCOMPARE(t.read(kEpCommand, a.data(), 10), SimTransport::kFailed);

        QString serial;
        QVERIFY(t.open(&serial));
        QCOMPARE(serial, QStringLiteral("SIM0000001"));
        QVERIFY(t.isOpen());
        t.close();
        QVERIFY(!t.isOpen());
        QCOMPARE(t.write(p.data()), SimTransport::kFailed);
        t.close(); // harmless twice
    }

    void endpointsAreKeptApart() {
        SimTransport t{SimProfile()};
        QVERIFY(t.open(nullptr));
        QCOMPARE(t.write(command(CMD_SENDVERSION).data()), kPacketSize);
        t.module().state();

        Packet a{};
        QCOMPARE(t.read(kEpImage, a.data(), 0), SimTransport::kTimedOut);
        QCOMPARE(t.read(0x85, a.data(), 0), SimTransport::kFailed);
        QCOMPARE(t.read(kEpCommand, a.data(), 0), kPacketSize);
        QCOMPARE(codeOf(a), uint32_t(DAT_VERSION));
    }

    void readTimesOutWhenNothingComes() {
        SimTransport t{SimProfile()};
        QVERIFY(t.open(nullptr));
        Packet a{};
        QCOMPARE(t.read(kEpCommand, a.data(), 20), SimTransport::kTimedOut);
        QCOMPARE(t.read(kEpCommand, a.data(), -5), SimTransport::kTimedOut);
    }

    void answersSurviveClose() {
        SimTransport t{SimProfile()};
        QVERIFY(t.open(nullptr));
        QCOMPARE(t.write(command(CMD_SEND_OPTION).data()), kPacketSize);
        t.module().state();
        t.close();
        QVERIFY(t.open(nullptr));
        Packet a{};
        QVERIFY(readAnswer(t, &a, 0));
        QCOMPARE(codeOf(a), uint32_t(DAT_OPTION));
    }

    void plugSchedule() {
        SimProfile profile;
        profile.plugAfterMs = 100;
        profile.unplugAfterMs = 200;
        profile.replugAfterMs = 300;
        profile.mask = QByteArray(28801, '\x11');
        ManualClock clock;
        SimTransport t(profile, clock.clock());
        const Packet reverse = command(CMD_SET_IMAGE_REVERSE, u32Payload(1));

        // Not plugged yet.
        QVERIFY(!t.isPresent(false));
        QVERIFY(!t.open(nullptr));
        QCOMPARE(t.write(reverse.data()), SimTransport::kFailed);

        // Plugged at 100: works; leave an answer unread and a session setting behind.
        clock.set(100);
        QVERIFY(t.isPresent(false));
        QVERIFY(t.open(nullptr));
        QVERIFY(!t.isLost());
        QCOMPARE(t.write(reverse.data()), kPacketSize);
        QCOMPARE(t.module().state().session.imageReverse, 1u);

        // Unplugged at 300: the handle stays but every transfer fails.
        clock.set(300);
        QVERIFY(!t.isPresent(false));
        QVERIFY(t.isOpen());
        Packet a{};
        QCOMPARE(t.write(reverse.data()), SimTransport::kFailed);
        QCOMPARE(t.read(kEpCommand, a.data(), 0), SimTransport::kFailed);
        QVERIFY(!t.open(nullptr));

        // Replugged at 600: the stale handle still fails until the next open.
        clock.set(600);
        QVERIFY(t.isPresent(false));
        QVERIFY(t.isLost());
        QCOMPARE(t.write(reverse.data()), SimTransport::kFailed);
        QVERIFY(t.open(nullptr));
        QCOMPARE(t.read(kEpCommand, a.data(), 0), SimTransport::kTimedOut);
        const ModuleState s = t.module().state();
        QCOMPARE(s.session.imageReverse, 0u);
        QVERIFY(s.session.tracking);
        QCOMPARE(int(s.stored.mask[28800]), 0x11);
    }

    void reopenWithoutReplugKeepsTheSession() {
        SimTransport t{SimProfile()};
        QVERIFY(t.open(nullptr));
        Packet a{};
        QVERIFY(exchange(t, command(CMD_SET_MONO_BIN, u32Payload(2)), &a));
        t.close();
        QVERIFY(t.open(nullptr));
        QCOMPARE(t.module().state().session.monoBin, 2u);
    }

    void hidReadyDelayFollowsEachPlug() {
        SimProfile profile;
        profile.hidReadyDelayMs = 50;
        profile.unplugAfterMs = 100;
        profile.replugAfterMs = 100;
        ManualClock clock;
        SimTransport t(profile, clock.clock());

        QVERIFY(t.isPresent(false));
        QVERIFY(!t.isPresent(true));
        QVERIFY(t.open(nullptr)); // opening does not wait for the HID collection
        clock.set(49);
        QVERIFY(!t.isPresent(true));
        clock.set(50);
        QVERIFY(t.isPresent(true));
        clock.set(100);
        QVERIFY(!t.isPresent(true));
        clock.set(200);
        QVERIFY(t.isPresent(false));
        QVERIFY(!t.isPresent(true));
        clock.set(250);
        QVERIFY(t.isPresent(true));
    }

    void unplugFailsAWaitingRead() {
        SimProfile profile;
        profile.unplugAfterMs = 30;
        SimTransport t(profile);
        QVERIFY(t.open(nullptr));
        Packet a{};
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(t.read(kEpCommand, a.data(), 60'000), SimTransport::kFailed);
        QVERIFY(timer.elapsed() < 60'000);
    }
};

QTEST_GUILESS_MAIN(SimTransportTest)
#include "test_simtransport.moc"
