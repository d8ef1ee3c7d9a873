// The calibration record the module stores, its store file, and the faults a profile injects
// into records, masks and answers.
#include "SimPackets.h"
#include "sim/ModuleStore.h"

#include <QTemporaryDir>
#include <QtTest>
#include <climits>

using namespace simtest;
using namespace pkt;

namespace {

// A 370-byte calibration record whose fields are all told apart.
Bytes calibrationRecord(int32_t tweakCount) {
    Bytes r(370, 0);
    for (int i = 0; i < 13; ++i)
        le::putf64(r.data(), size_t(8 * i), 1.5 * i - 3.25);
    le::put16(r.data(), 104, 1920);
    le::put16(r.data(), 106, 1080);
    r[108] = 1; // ceiling
    r[109] = 0; // rear
    r[110] = 3; // lens
    r[111] = 1; // imageReverse
    le::put32(r.data(), 112, uint32_t(tweakCount));
    for (int i = 0; i < 25; ++i) {
        le::putf32(r.data(), size_t(116 + 8 * i), 0.5f + i);
        le::putf32(r.data(), size_t(120 + 8 * i), -0.25f - i);
    }
    for (int i = 0; i < 27; ++i) {
        r[size_t(316 + i)] = uint8_t(100 + i);
        r[size_t(343 + i)] = uint8_t(150 + i);
    }
    return r;
}

bool storeRecord(SimTransport& t, const Bytes& record) {
    Packet a{};
    return exchange(t, command(CMD_SET_CALIB_PARAMETER, record), &a) &&
           codeOf(a) == RES_AC_READY_END && lengthOf(a) == 0;
}

Bytes storedRecord(SimTransport& t) {
    Packet a{};
    if (!exchange(t, command(CMD_GET_EEPROM), &a) || codeOf(a) != DAT_EEPROM)
        return {};
    return Bytes(payloadOf(a), payloadOf(a) + 400);
}

Bytes downloadMask(SimTransport& t) {
    Bytes mask;
    for (int part = 0; part <= 57; ++part) {
        Packet a{};
        if (!exchange(t, command(CMD_GET_MASK, {uint8_t(part)}), &a) || codeOf(a) != DAT_MASK)
            return {};
        mask.insert(mask.end(), a.begin() + 9, a.begin() + 9 + (part == 57 ? 130 : 503));
    }
    return mask;
}

bool uploadMask(SimTransport& t, const Bytes& mask) {
    for (const Packet& p : splitParts(CMD_SET_MASK, mask))
        if (t.write(p.data()) != kPacketSize)
            return false;
    Packet a{};
    return readAnswer(t, &a) && codeOf(a) == RES_ACK;
}

} // namespace

class SimRecordTest : public QObject {
    Q_OBJECT

private slots:
    void calibrationRecordIsStoredFieldByField() {
        SimProfile profile;
        profile.finger = 1;
        SimTransport t(profile);
        QVERIFY(t.open(nullptr));
        const Bytes before = storedRecord(t);
        const Bytes calib = calibrationRecord(3);
        QVERIFY(storeRecord(t, calib));
        QVERIFY(commandQueueEmpty(t));
        const Bytes r = storedRecord(t);
        QCOMPARE(int(r.size()), 400);

        QCOMPARE(Bytes(r.begin(), r.begin() + 4), Bytes(before.begin(), before.begin() + 4));
        QCOMPARE(Bytes(r.begin() + 8, r.begin() + 112), Bytes(calib.begin(), calib.begin() + 104));
        for (size_t group : {size_t(4), size_t(320)}) {
            QCOMPARE(le::i16(r.data(), group), int16_t(1920));
            QCOMPARE(le::i16(r.data(), group + 2), int16_t(1080));
        }
        QCOMPARE(Bytes(r.begin() + 112, r.begin() + 116), Bytes({1, 0, 1, 3})); // modeFT kept
        QCOMPARE(le::i32(r.data(), 116), 3);
        QCOMPARE(Bytes(r.begin() + 120, r.begin() + 144),
                 Bytes(calib.begin() + 116, calib.begin() + 140));
        QVERIFY(std::all_of(r.begin() + 144, r.begin() + 320, [](uint8_t b) { return b == 0; }));
        QCOMPARE(Bytes(r.begin() + 324, r.begin() + 330), Bytes({1, 0, 1, 3, 1, 1}));
        QCOMPARE(Bytes(r.begin() + 330, r.begin() + 357),
                 Bytes(calib.begin() + 316, calib.begin() + 343));
        // The finger block keeps a padding byte after setting and num_reg.
        QCOMPARE(int(r[357]), 150);
        QCOMPARE(int(r[358]), 151);
        QCOMPARE(int(r[359]), 0);
        QCOMPARE(Bytes(r.begin() + 360, r.begin() + 385),
                 Bytes(calib.begin() + 345, calib.begin() + 370));
        QCOMPARE(Bytes(r.begin() + 385, r.end()), Bytes(before.begin() + 385, before.end()));

        // The options travel with the calibration.
        Packet a{};
        QVERIFY(exchange(t, command(CMD_SEND_OPTION), &a));
        QCOMPARE(Bytes(a.begin() + 8, a.begin() + 12), Bytes({1, 0, 1, 3}));
    }

    void tweakCountIsHeldToTheTable_data() {
        QTest::addColumn<int>("sent");
        QTest::addColumn<int>("stored");
        QTest::newRow("none") << 0 << 0;
        QTest::newRow("full") << 25 << 25;
        QTest::newRow("one too many") << 26 << 25;
        QTest::newRow("huge") << INT_MAX << 25;
        QTest::newRow("negative") << -1 << 0;
        QTest::newRow("most negative") << INT_MIN << 0;
    }

    void tweakCountIsHeldToTheTable() {
        QFETCH(int, sent);
        QFETCH(int, stored);
        SimTransport t{SimProfile()};
        QVERIFY(t.open(nullptr));
        const Bytes calib = calibrationRecord(sent);
        QVERIFY(storeRecord(t, calib));
        const Bytes r = storedRecord(t);
        QCOMPARE(le::i32(r.data(), 116), stored);
        const auto pairsEnd = r.begin() + 120 + 8 * stored;
        QVERIFY(std::equal(r.begin() + 120, pairsEnd, calib.begin() + 116));
        QVERIFY(std::all_of(pairsEnd, r.begin() + 320, [](uint8_t b) { return b == 0; }));
        QCOMPARE(Bytes(r.begin() + 320, r.begin() + 324), Bytes({0x80, 0x07, 0x38, 0x04}));
    }

    void recordAndMaskSurviveInTheStoreFile() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        SimProfile profile;
        profile.exposureMs = 0;
        profile.storeFile = dir.filePath("module.store");
        const Bytes mask = patternMask();
        Bytes record;
        {
            SimTransport t(profile);
            QVERIFY(t.open(nullptr));
            QVERIFY(storeRecord(t, calibrationRecord(25)));
            QVERIFY(uploadMask(t, mask));
            Packet a{};
            QVERIFY(exchange(t, command(CMD_SET_FINGER_TOUCH_MODE, u32Payload(1)), &a));
            record = storedRecord(t);
        }
        QCOMPARE(QFileInfo(profile.storeFile).size(), qint64(8 + 400 + 28801));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"module.store"});

        SimTransport t(profile);
        QVERIFY(t.open(nullptr));
        QCOMPARE(storedRecord(t), record);
        QCOMPARE(int(record[114]), 1);
        QCOMPARE(downloadMask(t), mask);
        Packet a{};
        QVERIFY(exchange(t, command(CMD_SEND_OPTION), &a));
        QCOMPARE(Bytes(a.begin() + 8, a.begin() + 12), Bytes({1, 0, 1, 3}));
    }

    void storeFileFromTheProfile() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString ini = dir.filePath("module.ini");
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Module]\nStoreFile=kept.store\n");
        file.close();
        SimProfile profile;
        QString error;
        QVERIFY2(SimProfile::load(ini, &profile, &error), qPrintable(error));
        QCOMPARE(profile.storeFile, dir.filePath("kept.store"));
        QVERIFY(!QFileInfo::exists(profile.storeFile)); // made by the first write

        // A store that is not whole makes the profile unusable rather than being overwritten.
        QFile broken(profile.storeFile);
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write(QByteArray("TVSIMNV1") + QByteArray(400, '\0'));
        broken.close();
        QVERIFY(!SimProfile::load(ini, &profile, &error));
        QVERIFY(error.contains("kept.store"));
    }

    void lostMaskPartStopsOneDownload() {
        SimProfile profile;
        profile.mask = QByteArray(28801, '\x5A');
        profile.loseMaskPart = 3;
        SimTransport t(profile);
        QVERIFY(t.open(nullptr));
        for (int part = 0; part < 3; ++part) {
            Packet a{};
            QVERIFY(exchange(t, command(CMD_GET_MASK, {uint8_t(part)}), &a));
            QCOMPARE(int(a[8]), part);
        }
        QCOMPARE(t.write(command(CMD_GET_MASK, {3}).data()), kPacketSize);
        QVERIFY(commandQueueEmpty(t));
        QVERIFY(t.module().state().faults.maskPartLost);

        // The fault happens once: the next download, even after a power cycle, is whole.
        t.module().powerUp();
        QCOMPARE(downloadMask(t), Bytes(28801, 0x5A));
    }

    void refusedCodesAnswerNak() {
        SimProfile profile;
        profile.refuseCodes = {CMD_SENDVERSION, CMD_SENDIMG, 0x1123};
        SimTransport t(profile);
        QVERIFY(t.open(nullptr));
        for (const Packet& request : {command(CMD_SENDVERSION), command(CMD_SENDIMG),
                                      command(CMD_SET_CALIB_PARAMETER, calibrationRecord(0))}) {
            Packet a{};
            QVERIFY(exchange(t, request, &a));
            QCOMPARE(codeOf(a), uint32_t(RES_NAK));
            QCOMPARE(le::u32(payloadOf(a), 0), codeOf(request));
        }
        Packet a{};
        QCOMPARE(t.read(kEpImage, a.data(), 0), SimTransport::kTimedOut);
        QVERIFY(exchange(t, command(CMD_SEND_OPTION), &a));
        QCOMPARE(codeOf(a), uint32_t(DAT_OPTION));
        QCOMPARE(le::i16(storedRecord(t).data(), 320), int16_t(0)); // the refused record unstored
    }
};

QTEST_GUILESS_MAIN(SimRecordTest)
#include "test_simrecord.moc"
