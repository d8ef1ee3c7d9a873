#include "app/language/LanguageTable.h"
#include "calib/CalibDlg.h"
#include "calib/TvMainCtrl.h"
#include "calib/display/UserMessage.h"
#include "sim/desktop/SimDesktop.h"
#include "tests/support/LogCapture.h"
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
    void tuningOffsetsServeLaterCalibrationsOfTheSameLens();
    void escapeLeavesTheAccuracyCheck();

private:
    LanguageTable m_language;
    TvMainCtrl* m_ctrl = nullptr;
    QStringList m_messages;
};

void ControllerSequencesTest::initTestCase() {
    m_language.loadLanguage(7);
    user_message::setHandler([this](user_message::Kind, const QString& text) {
        m_messages << text;
        return QMessageBox::Ok;
    });
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
    QVERIFY(m_ctrl->StartAccuracyCheck(false));
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
