#include "DeskFixture.h"
#include "calib/CalibDlg.h"
#include "sim/camera/GroundTruth.h"
#include "sim/desktop/DeskWorld.h"
#include "sim/desktop/SimDesktop.h"

#include <QSignalSpy>
#include <QtTest>
#include <cmath>

namespace {

SimProfile penProfile(int ceiling, int rear) {
    SimProfile p;
    p.ceiling = uint8_t(ceiling);
    p.rear = uint8_t(rear);
    p.penHoldMs = 0;
    p.penTweakTable = -1; // the pen exactly on the touched point
    return p;
}

// The symbol's centre when it rests on target i.
cv::Point2d symbolCentre(const CalibDlg& dlg, int i) {
    const QRect r = targetRect(dlg.targetPoints()[size_t(i)]);
    return {r.x() + (r.width() - 1) / 2.0, r.y() + (r.height() - 1) / 2.0};
}

} // namespace

class TestDesktopPen : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_dlg = std::make_unique<CalibDlg>(nullptr);
        m_dlg->prepareWindow(CalibDlg::Targets);
        g_bTouchCapture = false;
    }
    void cleanup() { m_dlg.reset(); }

    // The pen is sent while the symbol still glides onto the target: it waits, touches the
    // resting symbol, holds until the window moves on and leaves the point in the slot the
    // utility's order tables read for that target.
    void touchLandsInTheExpectedSlot_data() {
        QTest::addColumn<int>("ceiling");
        QTest::addColumn<int>("rear");
        QTest::addColumn<bool>("tuning");
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("slot");
        QTest::newRow("manual, upright") << 0 << 0 << false << 5 << 5;
        QTest::newRow("manual, rear") << 0 << 1 << false << 5 << 9;
        QTest::newRow("manual, ceiling") << 1 << 0 << false << 5 << 10;
        QTest::newRow("manual, ceiling and rear") << 1 << 1 << false << 5 << 6;
        QTest::newRow("manual, ceiling, first target") << 1 << 0 << false << 0 << 15;
        QTest::newRow("tuning, upright") << 0 << 0 << true << 7 << 7;
        QTest::newRow("tuning, ceiling") << 1 << 0 << true << 7 << 12;
    }
    void touchLandsInTheExpectedSlot() {
        QFETCH(int, ceiling);
        QFETCH(int, rear);
        QFETCH(bool, tuning);
        QFETCH(int, target);
        QFETCH(int, slot);
        DeskFixture f(penProfile(ceiling, rear));
        const int count = tuning ? 20 : 16;
        tuning ? m_dlg->prepareTuningTargets() : m_dlg->prepareManualTargets();
        m_dlg->setCount(count);
        m_dlg->setCurrentIndex(target);
        QVERIFY(m_dlg->showAndWait());
        if (target > 0)
            m_dlg->animateToNext();

        QVERIFY(f.send(pkt::CMD_MC_START));
        QVERIFY(f.send(pkt::CMD_MC_PATTERN_START, {uint32_t(target)}));
        Packet answer{};
        QCOMPARE(f.nextCode(&answer), uint32_t(pkt::RES_MC_PATTERN_DONE));
        m_dlg->incIndex();
        f.desk.refresh();
        QCOMPARE(f.nextCode(&answer), uint32_t(pkt::RES_MC_PATTERN_END));
        QCOMPARE(le::u32(answer.data(), pkt::kHeaderSize), uint32_t(target));

        QVERIFY(f.send(pkt::CMD_MC_GET_INPUT_POINT));
        QCOMPARE(f.nextCode(&answer), uint32_t(pkt::DAT_MC_INPUT_POINT));
        QCOMPARE(le::u32(answer.data(), 4), 200u);
        const ProjectionParams truth = deskGroundTruth(f.profile, m_dlg->width(), m_dlg->height());
        const cv::Point2d expected = cameraPointOf(truth, symbolCentre(*m_dlg, target));
        const uint8_t* points = answer.data() + pkt::kHeaderSize;
        for (int s = 0; s < 25; ++s) {
            const double x = le::f32(points, 8 * size_t(s));
            const double y = le::f32(points, 8 * size_t(s) + 4);
            if (s == slot) {
                QVERIFY2(std::fabs(x - expected.x) < 0.01 && std::fabs(y - expected.y) < 0.01,
                         qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
            } else {
                QCOMPARE(x, 0.0);
                QCOMPARE(y, 0.0);
            }
        }
    }

    // Lifted early once: the end comes before the window moved on; the target started again
    // is held properly.
    void earlyLiftHappensOnce() {
        SimProfile p = penProfile(0, 0);
        p.liftEarlyOn = 0;
        DeskFixture f(p);
        m_dlg->prepareManualTargets();
        m_dlg->setCount(16);
        QVERIFY(m_dlg->showAndWait());
        f.desk.refresh();
        Packet answer{};
        QVERIFY(f.send(pkt::CMD_MC_PATTERN_START, {0}));
        QCOMPARE(f.nextCode(&answer), uint32_t(pkt::RES_MC_PATTERN_DONE));
        QCOMPARE(f.nextCode(&answer), uint32_t(pkt::RES_MC_PATTERN_END));
        QVERIFY(f.send(pkt::CMD_MC_PATTERN_START, {0}));
        QCOMPARE(f.nextCode(&answer), uint32_t(pkt::RES_MC_PATTERN_DONE));
        QCOMPARE(f.nextCode(&answer, 300), 0u);
    }

    // Once target 0 is done and the next one started, the user presses Backspace; the
    // second time round nobody does.
    void goingBackPressesBackspaceOnce() {
        SimProfile p = penProfile(0, 0);
        p.goBackAfter = 0;
        DeskFixture f(p);
        m_dlg->prepareManualTargets();
        m_dlg->setCount(16);
        QVERIFY(m_dlg->showAndWait());
        f.desk.refresh();
        QSignalSpy back(m_dlg.get(), &CalibDlg::sigMCPrevStepPointer);
        Packet answer{};
        for (int round = 0; round < 2; ++round) {
            m_dlg->setCurrentIndex(0);
            f.desk.refresh();
            QVERIFY(f.send(pkt::CMD_MC_PATTERN_START, {0}));
            QCOMPARE(f.nextCode(&answer), uint32_t(pkt::RES_MC_PATTERN_DONE));
            m_dlg->incIndex();
            f.desk.refresh();
            QCOMPARE(f.nextCode(&answer), uint32_t(pkt::RES_MC_PATTERN_END));
            QCOMPARE(back.count(), round);
            QVERIFY(f.send(pkt::CMD_MC_PATTERN_START, {1}));
            if (round == 0)
                QVERIFY(back.wait());
        }
        // A key press would be on its way by now: posted to the desk, then to the window.
        f.transport.module().state();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents();
        QCOMPARE(back.count(), 1);
    }

    // A touch injected at device coordinates reaches the calibration window's touch capture
    // at the matching global point, stretched by the ratio error.
    void injectedTouchReachesTheWindow_data() {
        QTest::addColumn<double>("ratioX");
        QTest::addColumn<double>("ratioY");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::newRow("exact, first probe") << 1.0 << 1.0 << 1000 << 1000;
        QTest::newRow("exact, second probe") << 1.0 << 1.0 << 3800 << 2000;
        QTest::newRow("3% wide") << 1.03 << 1.0 << 3800 << 2000;
        QTest::newRow("2% tall") << 1.0 << 0.98 << 1000 << 1000;
    }
    void injectedTouchReachesTheWindow() {
        QFETCH(double, ratioX);
        QFETCH(double, ratioY);
        QFETCH(int, x);
        QFETCH(int, y);
        SimProfile p;
        p.ratioErrorX = ratioX;
        p.ratioErrorY = ratioY;
        DeskFixture f(p);
        m_dlg->prepareAutoTargets();
        QVERIFY(m_dlg->showAndWait());
        QSignalSpy touched(m_dlg.get(), &CalibDlg::sigTouchEvent);
        g_bTouchCapture = true;
        QVERIFY(f.send(pkt::CMD_SEND_COORD, {1, uint32_t(x), uint32_t(y)}));
        QVERIFY(touched.wait());
        const QRect monitor = DesktopDesk::calibrationMonitor();
        const double gx = monitor.x() + x / 4800.0 * ratioX * monitor.width();
        const double gy = monitor.y() + y / 3000.0 * ratioY * monitor.height();
        QVERIFY2(std::fabs(touched.at(0).at(0).toInt() - gx) <= 1.0,
                 qPrintable(touched.at(0).at(0).toString()));
        QVERIFY2(std::fabs(touched.at(0).at(1).toInt() - gy) <= 1.0,
                 qPrintable(touched.at(0).at(1).toString()));
        QVERIFY(!g_bTouchCapture);
    }

    // A desk left behind by an earlier transport would go on grabbing the windows, and two
    // desks set each other off without end.
    void theDeskGoesWithItsTransport() {
        QString error;
        SimDesktop first = makeSimDesktop(QString(), &error);
        QVERIFY2(first.transport, qPrintable(error));
        first.transport.reset();
        SimDesktop second = makeSimDesktop(QString(), &error);
        QCOMPARE(qApp->findChildren<DesktopDesk*>().size(), 1);
        second.transport.reset();
        QVERIFY(qApp->findChildren<DesktopDesk*>().isEmpty());
    }

private:
    std::unique_ptr<CalibDlg> m_dlg;
};

QTEST_MAIN(TestDesktopPen)
#include "test_desktoppen.moc"
