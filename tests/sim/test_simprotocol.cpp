// The virtual module's answers, driven with raw packets through its transport.
#include "SimPackets.h"

#include <QtTest>

using namespace simtest;
using namespace pkt;

class SimProtocolTest : public QObject {
    Q_OBJECT

private:
    static SimProfile profileWith(const Bytes& mask) {
        SimProfile p;
        p.mask = QByteArray(reinterpret_cast<const char*>(mask.data()), int(mask.size()));
        return p;
    }

    static Bytes downloadMask(SimTransport& t) {
        Bytes mask;
        for (int part = 0; part <= 57; ++part) {
            Packet answer{};
            if (!exchange(t, command(CMD_GET_MASK, {uint8_t(part)}), &answer) ||
                codeOf(answer) != DAT_MASK || answer[8] != part)
                return {};
            const uint32_t n = part == 57 ? 130 : 503;
            if (lengthOf(answer) != n + 1)
                return {};
            mask.insert(mask.end(), answer.begin() + 9, answer.begin() + 9 + n);
        }
        return mask;
    }

    static void upload(SimTransport& t, const std::vector<Packet>& parts) {
        for (const Packet& p : parts)
            QCOMPARE(t.write(p.data()), kPacketSize);
    }

private slots:
    void openingExchange() {
        SimProfile profile;
        profile.fwMajor = 51;
        profile.fwMinor = 7;
        profile.ceiling = 1;
        profile.rear = 0;
        profile.finger = 1;
        profile.lens = 3;
        SimTransport t(profile);
        QVERIFY(t.open(nullptr));

        // The utility writes its opening requests without waiting for answers.
        for (uint32_t code : {CMD_STOP_TRACKING, CMD_SENDVERSION, CMD_SEND_OPTION, CMD_GET_EEPROM})
            QCOMPARE(t.write(command(code).data()), kPacketSize);

        Packet a{};
        QVERIFY(readAnswer(t, &a));
        QCOMPARE(codeOf(a), uint32_t(RES_ACK));
        QCOMPARE(lengthOf(a), 0u);
        QVERIFY(readAnswer(t, &a));
        QCOMPARE(codeOf(a), uint32_t(DAT_VERSION));
        QCOMPARE(lengthOf(a), 2u);
        QCOMPARE(int(a[8]), 51);
        QCOMPARE(int(a[9]), 7);
        QVERIFY(readAnswer(t, &a));
        QCOMPARE(codeOf(a), uint32_t(DAT_OPTION));
        QCOMPARE(lengthOf(a), 4u);
        QCOMPARE(Bytes(a.begin() + 8, a.begin() + 12), Bytes({1, 0, 1, 3}));
        QVERIFY(readAnswer(t, &a));
        QCOMPARE(codeOf(a), uint32_t(DAT_EEPROM));
        QCOMPARE(lengthOf(a), 400u);
        QVERIFY(commandQueueEmpty(t));
        QVERIFY(!t.module().state().session.tracking);
    }

    void storedRecordLayout() {
        SimProfile profile;
        profile.ceiling = 1;
        profile.rear = 1;
        profile.finger = 1;
        profile.lens = 2;
        SimTransport t(profile);
        QVERIFY(t.open(nullptr));
        Packet a{};
        QVERIFY(exchange(t, command(CMD_GET_EEPROM), &a));
        const uint8_t* r = payloadOf(a);

        QCOMPARE(le::i16(r, 0), int16_t(400));
        QCOMPARE(le::i16(r, 4), int16_t(0));
        QCOMPARE(le::i16(r, 6), int16_t(0));
        const double neutral[13] = {1, 0, 0, 0, 1, 0, 0, 0, 640, 360, 0, 0, 0};
        for (int i = 0; i < 13; ++i)
            QCOMPARE(le::f64(r, 8 + 8 * i), neutral[i]);
        QCOMPARE(Bytes(r + 112, r + 116), Bytes({1, 1, 1, 2}));
        QCOMPARE(le::i32(r, 116), 0);
        QVERIFY(std::all_of(r + 120, r + 320, [](uint8_t b) { return b == 0; }));
        QCOMPARE(le::i16(r, 320), int16_t(0));
        QCOMPARE(le::i16(r, 322), int16_t(0));
        QCOMPARE(Bytes(r + 324, r + 330), Bytes({1, 1, 1, 2, 1, 1}));

        // pt_setting block at 330, ft_setting fields at 357 onwards.
        QCOMPARE(int(r[330]), 1);
        QCOMPARE(int(r[331]), 1);
        QCOMPARE(le::u16(r, 332), uint16_t(0x5000));
        QCOMPARE(int(r[336]), 0x27);
        QCOMPARE(int(r[339]), 0x18);
        QCOMPARE(Bytes(r + 340, r + 343), Bytes({4, 5, 50}));
        QCOMPARE(int(r[357]), 1);
        QCOMPARE(int(r[358]), 1);
        QCOMPARE(le::u16(r, 360), uint16_t(0x5000));
        QCOMPARE(int(r[364]), 0x27);
        QCOMPARE(int(r[367]), 0x18);
        QCOMPARE(Bytes(r + 368, r + 371), Bytes({5, 6, 40}));
        QCOMPARE(le::u16(r, 374), uint16_t(360)); // o7
        QCOMPARE(le::u16(r, 377), uint16_t(360)); // o9, not aligned
        QCOMPARE(Bytes(r + 379, r + 385), Bytes({5, 1, 0, 5, 10, 5}));
        QCOMPARE(int(r[385]), 0);
        QCOMPARE(le::f64(r, 392), 1.0);
    }

    void maskDownloadReassembles() {
        const Bytes mask = patternMask();
        SimTransport t(profileWith(mask));
        QVERIFY(t.open(nullptr));
        QCOMPARE(downloadMask(t), mask);
    }

    void defaultMaskIsClear() {
        SimTransport t{SimProfile()};
        QVERIFY(t.open(nullptr));
        QCOMPARE(downloadMask(t), Bytes(28801, 0));
    }

    void maskPartPastTheEndIsRefused() {
        SimTransport t{SimProfile()};
        QVERIFY(t.open(nullptr));
        for (uint8_t part : {uint8_t(58), uint8_t(255)}) {
            Packet a{};
            QVERIFY(exchange(t, command(CMD_GET_MASK, {part}), &a));
            QCOMPARE(codeOf(a), uint32_t(RES_NAK));
            QCOMPARE(le::u32(payloadOf(a), 0), uint32_t(CMD_GET_MASK));
        }
    }

    void maskUploadRoundTrip() {
        SimTransport t{SimProfile()};
        QVERIFY(t.open(nullptr));
        const Bytes mask = patternMask();
        const std::vector<Packet> parts = splitParts(CMD_SET_MASK, mask);
        QCOMPARE(int(parts.size()), 58);
        QCOMPARE(lengthOf(parts.back()), 138u);

        upload(t, std::vector<Packet>(parts.begin(), parts.end() - 1));
        QVERIFY(commandQueueEmpty(t)); // no answer before the last part
        upload(t, {parts.back()});
        Packet a{};
        QVERIFY(readAnswer(t, &a));
        QCOMPARE(codeOf(a), uint32_t(RES_ACK));
        QVERIFY(commandQueueEmpty(t));
        QCOMPARE(downloadMask(t), mask);
    }

    void badMaskUploadKeepsStoredMask_data() {
        QTest::addColumn<int>("fault");
        QTest::newRow("part skipped") << 0;
        QTest::newRow("ends early") << 1;
        QTest::newRow("full part overflows the mask") << 2;
        QTest::newRow("length field past the packet") << 3;
        QTest::newRow("starts at part 1") << 4;
    }

    void badMaskUploadKeepsStoredMask() {
        QFETCH(int, fault);
        const Bytes stored = patternMask();
        SimTransport t(profileWith(stored));
        QVERIFY(t.open(nullptr));

        std::vector<Packet> parts = splitParts(CMD_SET_MASK, Bytes(28801, 0xAA));
        switch (fault) {
        case 0:
            parts.erase(parts.begin() + 5);
            break;
        case 1:
            parts.resize(3);
            parts.back() = withLength(parts.back(), 8 + 503);
            break;
        case 2:
            parts.back() = withLength(parts.back(), kPacketSize);
            break;
        case 3:
            parts[10] = withLength(parts[10], 0xFFFFFFFFu);
            break;
        case 4:
            parts.erase(parts.begin());
            break;
        }
        upload(t, parts);
        t.module().state();
        Packet a{};
        if (fault == 4) {
            QVERIFY(commandQueueEmpty(t)); // a tail without its start is dropped
        } else {
            QVERIFY(readAnswer(t, &a));
            QCOMPARE(codeOf(a), uint32_t(RES_NAK));
            QCOMPARE(le::u32(payloadOf(a), 0), uint32_t(CMD_SET_MASK));
            QVERIFY(commandQueueEmpty(t)); // one refusal per upload
        }
        QCOMPARE(downloadMask(t), stored);

        // The next complete upload is taken.
        const Bytes fresh(28801, 0x55);
        upload(t, splitParts(CMD_SET_MASK, fresh));
        QVERIFY(readAnswer(t, &a));
        QCOMPARE(codeOf(a), uint32_t(RES_ACK));
        QCOMPARE(downloadMask(t), fresh);
    }

    void settingsAreStoredAndAcknowledged() {
        SimTransport t{SimProfile()};
        QVERIFY(t.open(nullptr));
        const std::vector<Packet> requests = {
            command(CMD_SET_FINGER_TOUCH_MODE, u32Payload(1)),
            command(CMD_SET_IMAGE_REVERSE, u32Payload(1)),
            command(CMD_SET_MONO_BIN, u32Payload(3)),
            command(CMD_IIC_WR, {0x0A, 0x35, 0x42}),
            command(CMD_START_TRACKING),
        };
        for (const Packet& request : requests) {
            Packet a{};
            QVERIFY(exchange(t, request, &a));
            QCOMPARE(codeOf(a), uint32_t(RES_ACK));
            QCOMPARE(lengthOf(a), 0u);
        }
        const ModuleState s = t.module().state();
        QCOMPARE(int(s.stored.finger), 1);
        QCOMPARE(s.session.imageReverse, 1u);
        QCOMPARE(s.session.monoBin, 3u);
        QCOMPARE(int(s.session.sensorRegisters.at(0x350A)), 0x42);
        QVERIFY(s.session.tracking);

        Packet a{};
        QVERIFY(exchange(t, command(CMD_SEND_OPTION), &a));
        QCOMPARE(int(a[10]), 1);
    }

    void refusedCodesComeBackInTheNak_data() {
        QTest::addColumn<uint32_t>("code");
        QTest::addColumn<uint32_t>("length");
        QTest::newRow("never handled") << uint32_t(CODE_0x1007) << 0u;
        QTest::newRow("calibration record, short") << uint32_t(CMD_SET_CALIB_PARAMETER) << 369u;
        QTest::newRow("calibration record, long") << uint32_t(CMD_SET_CALIB_PARAMETER) << 371u;
        QTest::newRow("black start, short") << uint32_t(CMD_AC_BLACK_START) << 2u;
        QTest::newRow("white start, short") << uint32_t(CMD_AC_WHITE_START) << 3u;
        QTest::newRow("pattern start, length past the packet")
            << uint32_t(CMD_AC_PATTERN_START) << 505u;
        QTest::newRow("group request, short") << uint32_t(CMD_AC_SENDIMG) << 1u;
        QTest::newRow("part request, short") << uint32_t(CMD_AC_SENDIMG_PART) << 11u;
        QTest::newRow("outside the table") << 0xDEADBEEFu << 0xFFFFFFFFu;
        QTest::newRow("register write, no payload") << uint32_t(CMD_IIC_WR) << 2u;
        QTest::newRow("register write, length past the packet") << uint32_t(CMD_IIC_WR) << 600u;
        QTest::newRow("mask part, no part number") << uint32_t(CMD_GET_MASK) << 0u;
        QTest::newRow("image reverse, huge length")
            << uint32_t(CMD_SET_IMAGE_REVERSE) << 0xFFFFFFFFu;
        QTest::newRow("mono bin, short") << uint32_t(CMD_SET_MONO_BIN) << 3u;
        QTest::newRow("finger mode, short") << uint32_t(CMD_SET_FINGER_TOUCH_MODE) << 1u;
    }

    void refusedCodesComeBackInTheNak() {
        QFETCH(uint32_t, code);
        QFETCH(uint32_t, length);
        SimTransport t{SimProfile()};
        QVERIFY(t.open(nullptr));
        Packet a{};
        QVERIFY(exchange(t, withLength(command(code), length), &a));
        QCOMPARE(codeOf(a), uint32_t(RES_NAK));
        QCOMPARE(lengthOf(a), 4u);
        QCOMPARE(le::u32(payloadOf(a), 0), code);
        QVERIFY(commandQueueEmpty(t));
    }
};

QTEST_GUILESS_MAIN(SimProtocolTest)
#include "test_simprotocol.moc"
