// Loading the virtual module's profile and choosing it through makeSimTransport.
#include "SimPackets.h"
#include "sim/SimFactory.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

using namespace simtest;
using namespace pkt;

class SimProfileTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString writeFile(const QString& name, const QByteArray& content) {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return QString();
        file.write(content);
        return path;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void emptyPathGivesTheBuiltInModule() {
        QString error;
        std::unique_ptr<Transport> t = makeSimTransport(QString(), &error);
        QVERIFY(t);
        QVERIFY(t->isPresent(true));
        QString serial;
        QVERIFY(t->open(&serial));
        QCOMPARE(serial, QStringLiteral("SIM0000001"));
        for (uint32_t code : {CMD_SENDVERSION, CMD_SEND_OPTION})
            QCOMPARE(t->write(command(code).data()), kPacketSize);
        Packet version{}, option{};
        QCOMPARE(t->read(kEpCommand, version.data(), 5000), kPacketSize);
        QCOMPARE(t->read(kEpCommand, option.data(), 5000), kPacketSize);
        QCOMPARE(Bytes(version.begin() + 8, version.begin() + 10), Bytes({51, 12}));
        QCOMPARE(Bytes(option.begin() + 8, option.begin() + 12), Bytes({0, 0, 0, 1}));
    }

    void everyKeyIsRead() {
        QByteArray mask(28801, '\0');
        mask[0] = '\x80';
        mask[28800] = 1;
        QVERIFY(!writeFile("wall.mask", mask).isEmpty());
        const QString path =
            writeFile("full.ini", "[Firmware]\nMajor=50\nMinor=9\n"
                                  "[Options]\nCeiling=1\nRear=1\nFinger=1\nLens=4\n"
                                  "[Module]\nSerialNumber=ABC-42\n"
                                  "HidReadyDelayMs=700\nMaskFile=wall.mask\n"
                                  "ExposureMs=0\n"
                                  "[Plug]\nPlugAfterMs=10\nUnplugAfterMs=20\n"
                                  "ReplugAfterMs=30\n"
                                  "[Faults]\nDropFraction=0.05\nDropSeed=42\n"
                                  "DropParts=5, 6,1919\nLoseMaskPart=57\n"
                                  "RefuseCodes=0x1123,4108\n");
        SimProfile p;
        QString error;
        QVERIFY2(SimProfile::load(path, &p, &error), qPrintable(error));
        QCOMPARE(int(p.fwMajor), 50);
        QCOMPARE(int(p.fwMinor), 9);
        QCOMPARE(int(p.ceiling), 1);
        QCOMPARE(int(p.rear), 1);
        QCOMPARE(int(p.finger), 1);
        QCOMPARE(int(p.lens), 4);
        QCOMPARE(p.serialNumber, QStringLiteral("ABC-42"));
        QCOMPARE(p.hidReadyDelayMs, 700);
        QCOMPARE(p.plugAfterMs, 10);
        QCOMPARE(p.unplugAfterMs, 20);
        QCOMPARE(p.replugAfterMs, 30);
        QCOMPARE(p.mask, mask);
        QCOMPARE(p.exposureMs, 0);
        QCOMPARE(p.dropFraction, 0.05);
        QCOMPARE(p.dropSeed, 42);
        QCOMPARE(p.dropParts, std::set<int>({5, 6, 1919}));
        QCOMPARE(p.loseMaskPart, 57);
        QCOMPARE(p.refuseCodes, std::set<uint32_t>({0x1123, 0x100C}));
    }

    void missingKeysKeepTheirDefaults() {
        const QString path = writeFile("partial.ini", "[Options]\nLens=2\n");
        SimProfile p;
        QString error;
        QVERIFY2(SimProfile::load(path, &p, &error), qPrintable(error));
        QCOMPARE(int(p.lens), 2);
        QCOMPARE(int(p.fwMajor), 51);
        QCOMPARE(int(p.fwMinor), 12);
        QCOMPARE(p.unplugAfterMs, -1);
        QVERIFY(p.mask.isEmpty());
        QCOMPARE(p.exposureMs, 150);
        QVERIFY(p.storeFile.isEmpty());
        QCOMPARE(p.dropFraction, 0.0);
        QVERIFY(p.dropParts.empty());
        QCOMPARE(p.loseMaskPart, -1);
        QVERIFY(p.refuseCodes.empty());
    }

    void unusableProfilesAreRefused_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("unknown key") << QByteArray("[Options]\nLense=1\n");
        QTest::newRow("byte too large") << QByteArray("[Firmware]\nMajor=256\n");
        QTest::newRow("not a number") << QByteArray("[Options]\nLens=short\n");
        QTest::newRow("negative delay") << QByteArray("[Module]\nHidReadyDelayMs=-1\n");
        QTest::newRow("list value") << QByteArray("[Options]\nLens=1,2\n");
        QTest::newRow("serial with a space") << QByteArray("[Module]\nSerialNumber=A B\n");
        QTest::newRow("serial too long")
            << QByteArray("[Module]\nSerialNumber=" + QByteArray(101, 'X') + "\n");
        QTest::newRow("mask file missing") << QByteArray("[Module]\nMaskFile=none.mask\n");
        QTest::newRow("mask file short") << QByteArray("[Module]\nMaskFile=short.mask\n");
        // Opening either would block start-up until some writer came along.
        QTest::newRow("mask file a FIFO") << QByteArray("[Module]\nMaskFile=module.fifo\n");
        QTest::newRow("store file a FIFO") << QByteArray("[Module]\nStoreFile=module.fifo\n");
        QTest::newRow("mask file a folder") << QByteArray("[Module]\nMaskFile=.\n");
        QTest::newRow("negative exposure") << QByteArray("[Module]\nExposureMs=-1\n");
        QTest::newRow("fraction above 1") << QByteArray("[Faults]\nDropFraction=1.5\n");
        QTest::newRow("fraction not a number") << QByteArray("[Faults]\nDropFraction=nan\n");
        QTest::newRow("part past the picture") << QByteArray("[Faults]\nDropParts=3,1920\n");
        QTest::newRow("negative part") << QByteArray("[Faults]\nDropParts=-1\n");
        QTest::newRow("mask part past the end") << QByteArray("[Faults]\nLoseMaskPart=58\n");
        QTest::newRow("code not a number") << QByteArray("[Faults]\nRefuseCodes=0x11G3\n");
        QTest::newRow("code too large") << QByteArray("[Faults]\nRefuseCodes=0x100000000\n");
    }

    void unusableProfilesAreRefused() {
        QFETCH(QByteArray, content);
        QVERIFY(!writeFile("short.mask", QByteArray(28800, '\0')).isEmpty());
        const QByteArray fifo = QFile::encodeName(m_dir.filePath("module.fifo"));
        QVERIFY(QFileInfo::exists(fifo) || ::mkfifo(fifo.constData(), 0600) == 0);
        const QString path = writeFile("bad.ini", content);
        QString error;
        QVERIFY(!makeSimTransport(path, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY2(!error.contains('\n'), qPrintable(error));
    }

    void missingProfileIsRefused() {
        QString error;
        QVERIFY(!makeSimTransport(m_dir.filePath("absent.ini"), &error));
        QVERIFY(error.contains("absent.ini"));
    }
};

QTEST_GUILESS_MAIN(SimProfileTest)
#include "test_simprofile.moc"
