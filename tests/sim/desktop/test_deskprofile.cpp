#include "sim/SimProfile.h"
#include "sim/SimTransport.h"
#include "tests/sim/SimPackets.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace simtest;

class TestDeskProfile : public QObject {
    Q_OBJECT

private:
    QString write(const QByteArray& text) {
        const QString path = m_dir.filePath(QStringLiteral("p%1.ini").arg(++m_files));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return QString();
        f.write(text);
        return path;
    }

    QTemporaryDir m_dir;
    int m_files = 0;

private slots:
    void worldPenAndTouchKeysAreRead() {
        const QString path = write("[Screen]\nCentreX=600\nCentreY=380.5\nWidthFraction=0.5\n"
                                   "Roll=-2\nKeystone=0.1\nTurnedAway=1\nMonitor=3\n"
                                   "[Lens]\nShiftX=3\nShiftY=-4\nDistortionScale=1.5\n"
                                   "[Light]\nAmbient=5\nProjectorBlack=10\nProjectorWhite=200\n"
                                   "Vignetting=0\nBlur=0\nNoise=0\nSeed=9\nSupersampling=2\n"
                                   "[Pen]\nOffsets=tweak1\nJitter=0.3\nSeed=4\nHoldMs=500\n"
                                   "LiftEarlyOn=3\nGoBackAfter=5\n"
                                   "[Touch]\nRatioErrorX=1.02\nRatioErrorY=0.99\n"
                                   "[Faults]\nUnplugOnCapture=2\nUnplugForMs=3000\n");
        SimProfile p;
        QString error;
        QVERIFY2(SimProfile::load(path, &p, &error), qPrintable(error));
        QCOMPARE(p.screenCentreY, 380.5);
        QCOMPARE(p.screenRoll, -2.0);
        QVERIFY(p.turnedAway);
        QCOMPARE(p.screenMonitor, 3);
        QCOMPARE(p.lensDistortionScale, 1.5);
        QCOMPARE(p.supersampling, 2);
        QCOMPARE(p.penTweakTable, 1);
        QCOMPARE(p.penHoldMs, 500);
        QCOMPARE(p.liftEarlyOn, 3);
        QCOMPARE(p.goBackAfter, 5);
        QCOMPARE(p.ratioErrorX, 1.02);
        QCOMPARE(p.unplugOnCapture, 2);
        QCOMPARE(p.unplugForMs, 3000);
    }

    void penOffsetsAsNumbers() {
        QByteArray list;
        for (int i = 0; i < 40; ++i)
            list += (i ? "," : "") + QByteArray::number(i % 2 ? -0.5 : 1.25);
        SimProfile p;
        QString error;
        QVERIFY2(SimProfile::load(write("[Pen]\nOffsets=" + list + "\n"), &p, &error),
                 qPrintable(error));
        QCOMPARE(p.penTweakTable, -1);
        QCOMPARE(p.penOffsets[0], 1.25);
        QCOMPARE(p.penOffsets[39], -0.5);
    }

    void unusableValues_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("width fraction 0") << QByteArray("[Screen]\nWidthFraction=0\n");
        QTest::newRow("roll not a number") << QByteArray("[Screen]\nRoll=left\n");
        QTest::newRow("turned away 2") << QByteArray("[Screen]\nTurnedAway=2\n");
        QTest::newRow("monitor -1") << QByteArray("[Screen]\nMonitor=-1\n");
        QTest::newRow("infinite shift") << QByteArray("[Lens]\nShiftX=inf\n");
        QTest::newRow("supersampling 0") << QByteArray("[Light]\nSupersampling=0\n");
        QTest::newRow("three offsets") << QByteArray("[Pen]\nOffsets=1,2,3\n");
        QTest::newRow("unknown table") << QByteArray("[Pen]\nOffsets=tweak7\n");
        QTest::newRow("ratio 3") << QByteArray("[Touch]\nRatioErrorX=3\n");
        QTest::newRow("target 25") << QByteArray("[Pen]\nGoBackAfter=25\n");
    }
    void unusableValues() {
        QFETCH(QByteArray, text);
        SimProfile p;
        QString error;
        QVERIFY(!SimProfile::load(write(text), &p, &error));
        QVERIFY(!error.isEmpty());
    }

    // The second capture command pulls the plug: nothing answers, the handle goes stale and
    // the module is away until the profile plugs it in again, freshly powered.
    void unplugOnTheNthCapture() {
        SimProfile p;
        p.exposureMs = 0;
        p.unplugOnCapture = 2;
        p.unplugForMs = 1000;
        std::atomic<int64_t> now{0};
        SimTransport t(p, [&now] { return now.load(); });
        QVERIFY(t.open(nullptr));
        Packet answer{};
        QVERIFY(exchange(t, command(pkt::CMD_AC_BLACK_START, Bytes(3, 0)), &answer));
        QCOMPARE(codeOf(answer), uint32_t(pkt::RES_AC_BLACK_END));
        QVERIFY(t.write(command(pkt::CMD_AC_WHITE_START, u32Payload(0)).data()) > 0);
        QTRY_VERIFY(!t.isPresent(false));
        QCOMPARE(t.read(pkt::kEpCommand, answer.data(), 0), SimTransport::kFailed);
        QVERIFY(!t.open(nullptr));

        now = 1000;
        QVERIFY(t.isPresent(true));
        QVERIFY(t.open(nullptr));
        QVERIFY(t.module().state().session.captures.empty());
        QVERIFY(exchange(t, command(pkt::CMD_AC_PATTERN_START, u32Payload(0)), &answer));
        QCOMPARE(codeOf(answer), uint32_t(pkt::RES_AC_PATTERN_END));
    }
};

QTEST_MAIN(TestDeskProfile)
#include "test_deskprofile.moc"
