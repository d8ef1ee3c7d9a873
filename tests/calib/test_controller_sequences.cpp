#include "calib/CalibDlg.h"
#include "calib/TvMainCtrl.h"
#include "compute/TargetLayout.h"
#include "device/CamDevCtrl.h"
#include "display/UserMessage.h"
#include "language/LanguageTable.h"
#include "sim/desktop/SimDesktop.h"
#include "tests/support/LogCapture.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/Slowed.h"

#include <QtTest>

// The controller and its calibration window on this (offscreen) desktop, with the virtual
// module photographing the window and touching its targets.
class ControllerSequencesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void escapeCancelsManualCalibration();
    void checkFollowsEveryCalibration_data();
    void checkFollowsEveryCalibration();
    void tuningOffsetsServeLaterCalibrationsOfTheSameLens();
    void escapeLeavesTheAccuracyCheck();

private:
    LanguageTable m_language;
    TvMainCtrl* m_ctrl = nullptr;
    QStringList m_messages;
};

void ControllerSequencesTest::initTestCase() {
    m_language.loadLanguage(7);
    recordMessages(&m_messages);
    QString error;
    SimDesktop desktop = makeSimDesktop(QString(), &error);
    QVERIFY2(desktop.transport, qPrintable(error));
    m_ctrl = new TvMainCtrl(nullptr, &m_language, std::move(desktop.transport));
    QSignalSpy options(m_ctrl, &TvMainCtrl::sigSetFWOption);
    m_ctrl->startCheckThread();
    QVERIFY(options.wait(slowed(15000)));
    m_ctrl->calibDlg()->m_nLens = options.first().at(3).toInt();
    QTRY_VERIFY(m_ctrl->fwSupported());
}

void ControllerSequencesTest::cleanupTestCase() {
    delete m_ctrl;
    user_message::setHandler(nullptr);
}

void ControllerSequencesTest::escapeCancelsManualCalibration() {
    LogCapture log;
    m_ctrl->StartManualCalibration();
    QCOMPARE(m_ctrl->state(), int(TvMainCtrl::ManualTargets));
    QVERIFY(m_ctrl->calibDlg()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(log.contains(QStringLiteral("RES_MC_PATTERN_END")), 10000);
    log.clear();
    QTest::keyClick(m_ctrl->calibDlg(), Qt::Key_Escape);
    QCOMPARE(m_ctrl->state(), 0);
    QVERIFY(!m_ctrl->calibDlg()->isVisible());
    const QStringList lines = log.lines();
    const int cancel = lines.indexOf(QRegularExpression(QStringLiteral(".*CMD_MC_CANCEL.*")));
    const int stop = lines.indexOf(QRegularExpression(QStringLiteral(".*CMD_STOP_TRACKING.*")));
    QVERIFY(cancel >= 0);
    QVERIFY(stop > cancel);
    QVERIFY(m_messages.isEmpty());
}

// In order: the module comes without a calibration, then each kind of calibration stores one
// and its success is checked at once, the pen touching the check's first target where the
// window shows it; a target nobody touches ends the check as failed, naming it.
void ControllerSequencesTest::checkFollowsEveryCalibration_data() {
    QTest::addColumn<QString>("calibration"); // none: the module as it came
    QTest::addColumn<bool>("touched");
    QTest::newRow("nothing held yet") << QStringLiteral("none") << false;
    QTest::newRow("after manual") << QStringLiteral("manual") << true;
    QTest::newRow("after tuning") << QStringLiteral("tuning") << true;
    QTest::newRow("after automatic") << QStringLiteral("automatic") << true;
    QTest::newRow("pen put away") << QStringLiteral("none") << false;
}

void ControllerSequencesTest::checkFollowsEveryCalibration() {
    QFETCH(QString, calibration);
    QFETCH(bool, touched);
    QSignalSpy closed(m_ctrl, &TvMainCtrl::sigClose);
    if (calibration == QLatin1String("manual"))
        m_ctrl->StartManualCalibration();
    else if (calibration == QLatin1String("tuning"))
        m_ctrl->StartSemiAutoCalibration();
    else if (calibration == QLatin1String("automatic"))
        m_ctrl->StartAutoCalibration();
    if (calibration != QLatin1String("none")) {
        QVERIFY(closed.wait(slowed(90000)));
        QCOMPARE(closed.first().first().toInt(), 0);
    }
    const bool held = m_ctrl->holdsCalibration();
    QCOMPARE(held, QTest::currentDataTag() != QLatin1String("nothing held yet"));
    if (!held) {
        QCOMPARE(m_ctrl->StartAccuracyCheck(true), TvMainCtrl::CheckStart::NoCalibration);
        QCOMPARE(m_ctrl->state(), 0);
        return;
    }
    QSignalSpy checked(m_ctrl, &TvMainCtrl::sigAccuracyChecked);
    QCOMPARE(m_ctrl->StartAccuracyCheck(true), TvMainCtrl::CheckStart::Started);
    int w = 0, h = 0;
    m_ctrl->calibDlg()->getWindowSize(w, h);
    const QPointF first(checkPoints(w, h)[0].x, checkPoints(w, h)[0].y);
    if (touched) {
        QCOMPARE(m_ctrl->calibDlg()->view().symbol, targetRect(checkPoints(w, h)[0]));
        QTRY_COMPARE_WITH_TIMEOUT(m_ctrl->accuracyCheck().count(), 1, slowed(10000));
        QCOMPARE(m_ctrl->accuracyCheck().touches()[0].target, first);
        QVERIFY2(m_ctrl->accuracyCheck().worstPx() < 8.0,
                 qPrintable(m_ctrl->accuracyCheck().summaryLine()));
        QVERIFY(m_ctrl->accuracyCheck().isPenCheck());
    } else {
        // The module stops reporting the pen before it touches anything.
        m_ctrl->device()->SetTracking(false);
        QVERIFY(checked.wait(slowed(TvMainCtrl::kCheckTargetWaitMs)));
        QCOMPARE(m_ctrl->state(), int(TvMainCtrl::CheckSummary));
        QVERIFY(!m_ctrl->accuracyCheck().passed());
        QCOMPARE(m_ctrl->accuracyCheck().untouchedTarget(), m_ctrl->accuracyCheck().count() + 1);
        QVERIFY(!g_bTouchCapture);
    }
    QTest::keyClick(m_ctrl->calibDlg(), Qt::Key_Escape);
    QCOMPARE(m_ctrl->state(), 0);
}

void ControllerSequencesTest::tuningOffsetsServeLaterCalibrationsOfTheSameLens() {
    QSignalSpy closed(m_ctrl, &TvMainCtrl::sigClose);
    m_ctrl->StartSemiAutoCalibration();
    QVERIFY(closed.wait(slowed(90000)));
    QCOMPARE(closed.first().first().toInt(), 0);
    const TuningRecord& tuning = m_ctrl->prevTweak();
    QCOMPARE(tuning.tweakCount, 20);
    QCOMPARE(int(tuning.lens), m_ctrl->calibDlg()->m_nLens);

    LogCapture log;
    m_ctrl->StartAutoCalibration();
    QVERIFY(closed.wait(slowed(60000)));
    QVERIFY(!log.contains(QStringLiteral("SlotACNextStep... no SemiAutoCalib")));
    QVERIFY(log.contains(QStringLiteral("ac_tweak_num = 20")));

    // Another lens: the stored offsets are not handed on.
    log.clear();
    m_ctrl->calibDlg()->m_nLens = tuning.lens == 2 ? 3 : 2;
    m_ctrl->StartAutoCalibration();
    QTRY_VERIFY_WITH_TIMEOUT(log.contains(QStringLiteral("calib_success =")), slowed(60000));
    QVERIFY(log.contains(QStringLiteral("SlotACNextStep... no SemiAutoCalib")));
    QTRY_COMPARE_WITH_TIMEOUT(m_ctrl->state(), 0, slowed(30000));
}

// After the calibrations above the module holds one and reports the pen through it; Esc after
// the first touch leaves the check without figures and stops the module's tracking again.
void ControllerSequencesTest::escapeLeavesTheAccuracyCheck() {
    QSignalSpy left(m_ctrl, &TvMainCtrl::sigAccuracyCheckLeft);
    QSignalSpy checked(m_ctrl, &TvMainCtrl::sigAccuracyChecked);
    LogCapture log;
    QCOMPARE(m_ctrl->StartAccuracyCheck(false), TvMainCtrl::CheckStart::Started);
    QCOMPARE(m_ctrl->state(), int(TvMainCtrl::CheckTargets));
    QTRY_COMPARE_WITH_TIMEOUT(m_ctrl->accuracyCheck().count(), 1, 10000);
    QCOMPARE(m_ctrl->calibDlg()->getCount(), 1);
    QVERIFY2(m_ctrl->accuracyCheck().worstPx() < 8.0,
             qPrintable(m_ctrl->accuracyCheck().summaryLine()));
    log.clear();
    QTest::keyClick(m_ctrl->calibDlg(), Qt::Key_Escape);
    QCOMPARE(m_ctrl->state(), 0);
    QVERIFY(!m_ctrl->calibDlg()->isVisible());
    QCOMPARE(left.count(), 1);
    QCOMPARE(left.first().first().toBool(), false);
    QCOMPARE(checked.count(), 0);
    QVERIFY(log.contains(QStringLiteral("CMD_STOP_TRACKING")));
    QVERIFY(!g_bTouchCapture);
}

QTEST_MAIN(ControllerSequencesTest)
#include "test_controller_sequences.moc"
