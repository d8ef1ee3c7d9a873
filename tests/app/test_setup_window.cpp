#include "align/AlignmentDlg.h"
#include "align/maskDlg.h"
#include "app/Settings.h"
#include "app/TvSetupDlg.h"
#include "app/panel/MainDlg.h"
#include "calib/CalibDlg.h"
#include "calib/TvMainCtrl.h"
#include "device/ByteOrder.h"
#include "device/CamDevCtrl.h"
#include "device/RecordLayout.h"
#include "display/UserMessage.h"
#include "log/Pause.h"
#include "sim/SimTransport.h"
#include "sim/desktop/SimDesktop.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/Slowed.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

// The hub window with the real panels and controller, on a virtual module that is never
// plugged in, so nothing but the window's own wiring is exercised.
class SetupWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void firstStartWritesSettings();
    void settingsAreReadBack_data();
    void settingsAreReadBack();
    void panelChoicesReachTheCalibrationWindow();
    void hiddenViewDropsPictures();
    void successOffersTheCheck_data();
    void successOffersTheCheck();
    // Its menu runs an event loop: before the program is told to end.
    void panelMenuOffersTheCheck_data();
    void panelMenuOffersTheCheck();
    void reportsGoToTheUsersStateFolder_data();
    void reportsGoToTheUsersStateFolder();
    void liveViewUnderTouchesAndTeardown();
    // Before closeCodes: once the program has been told to end, Qt starts no event loop again
    // in this process.
    void closingThePanelEndsTheProgram();
    void closeCodes_data();
    void closeCodes();

private:
    std::unique_ptr<TvSetupDlg> make();
    void writeConfig(const QString& languageId, const QString& pen);

    QTemporaryDir m_dir;
    QStringList m_messages;
};

void SetupWindowTest::init() {
    QVERIFY(m_dir.isValid());
    qputenv("TIVORA_CONFIG_DIR", m_dir.path().toLocal8Bit());
    QFile::remove(settings::configFilePath());
    m_messages.clear();
    recordMessages(&m_messages);
}

void SetupWindowTest::cleanup() {
    user_message::setHandler(nullptr);
}

namespace {

// Counts the setup window's close requests and keeps them from ending the test's event loop.
class CloseWatch : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::Close)
            return false;
        ++count;
        return true;
    }
};

} // namespace

std::unique_ptr<TvSetupDlg> SetupWindowTest::make() {
    SimProfile unplugged;
    unplugged.plugAfterMs = 24 * 3600 * 1000;
    return std::make_unique<TvSetupDlg>(nullptr, false, std::make_unique<SimTransport>(unplugged));
}

void SetupWindowTest::writeConfig(const QString& languageId, const QString& pen) {
    QDir().mkpath(QFileInfo(settings::configFilePath()).absolutePath());
    QFile file(settings::configFilePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("[Configuration]\r\nLanguageID=%1\r\npenSelection=%2\r\n")
                   .arg(languageId, pen)
                   .toUtf8());
}

void SetupWindowTest::firstStartWritesSettings() {
    QVERIFY(!QFile::exists(settings::configFilePath()));
    int index = -1;
    {
        auto dlg = make();
        index = dlg->language()->languageIndex();
        QCOMPARE(dlg->controller()->calibDlg()->m_nPenSelect, 0);
    }
    QSettings ini(settings::configFilePath(), QSettings::IniFormat);
    QCOMPARE(ini.value("Configuration/LanguageID").toInt(), index + 1);
    QCOMPARE(ini.value("Configuration/penSelection").toInt(), 0);
}

void SetupWindowTest::settingsAreReadBack_data() {
    QTest::addColumn<QString>("languageId");
    QTest::addColumn<QString>("pen");
    QTest::addColumn<int>("languageIndex"); // -1: whatever the system locale gives
    QTest::addColumn<int>("penType");
    QTest::newRow("plus pen, German") << "11"
                                      << "1" << 10 << 1;
    QTest::newRow("Hebrew") << "24"
                            << "0" << 23 << 0;
    QTest::newRow("language id 0 is no choice") << "0"
                                                << "0" << -1 << 0;
    QTest::newRow("not a number") << "abc"
                                  << "1" << -1 << 1;
}

void SetupWindowTest::settingsAreReadBack() {
    QFETCH(QString, languageId);
    QFETCH(QString, pen);
    QFETCH(int, languageIndex);
    QFETCH(int, penType);
    writeConfig(languageId, pen);
    LanguageTable byLocale;
    byLocale.loadLanguage(-1);
    auto dlg = make();
    QCOMPARE(dlg->language()->languageIndex(),
             languageIndex < 0 ? byLocale.languageIndex() : languageIndex);
    QCOMPARE(dlg->controller()->calibDlg()->m_nPenSelect, penType);
    // The language read at start reaches the toolkit too: new dialogs take its direction.
    QCOMPARE(QGuiApplication::layoutDirection(),
             dlg->language()->isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
}

void SetupWindowTest::panelChoicesReachTheCalibrationWindow() {
    auto dlg = make();
    CalibDlg* calib = dlg->controller()->calibDlg();
    dlg->mainPanel()->SetLanguageText();
    dlg->mainPanel()->SetFWOption(1, 1, 0, 3);
    QCOMPARE(calib->m_nCeiling, 1);
    QCOMPARE(calib->m_nRear, 1);
    QCOMPARE(calib->m_nLens, 3);
    dlg->slotSetPenSelect(true);
    QCOMPARE(calib->m_nPenSelect, 1);
    dlg.reset();
    QSettings ini(settings::configFilePath(), QSettings::IniFormat);
    QCOMPARE(ini.value("Configuration/penSelection").toInt(), 1);
}

void SetupWindowTest::hiddenViewDropsPictures() {
    auto dlg = make();
    QImage picture(640, 360, QImage::Format_RGB888);
    picture.fill(Qt::red);
    dlg->slotUpdateAlignImage(picture);
    QVERIFY(dlg->alignmentView()->imageLabel()->pixmap(Qt::ReturnByValue).isNull());
}

void SetupWindowTest::closeCodes_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("messages");
    QTest::newRow("normal end") << 0 << 0;
    QTest::newRow("cannot connect") << 1 << 1;
    QTest::newRow("other code") << 7 << 0;
}

void SetupWindowTest::closeCodes() {
    QFETCH(int, code);
    QFETCH(int, messages);
    auto dlg = make();
    dlg->slotCloseDlg(code);
    QCOMPARE(m_messages.size(), messages);
    if (messages)
        QCOMPARE(m_messages.first(), dlg->language()->textM(0));
}

void SetupWindowTest::closingThePanelEndsTheProgram() {
    auto dlg = make();
    dlg->mainPanel()->show();
    // The program's event loop stands in for this one: closing must end it with code 0.
    QEventLoop loop;
    QTimer::singleShot(0, dlg->mainPanel(), &QWidget::close);
    QTimer::singleShot(10000, &loop, [&loop] { loop.exit(99); });
    QCOMPARE(loop.exec(), 0);
    QVERIFY(m_messages.isEmpty());
    dlg->controller()->calibDlg()->m_nPenSelect = 1;
    dlg.reset();
    QSettings ini(settings::configFilePath(), QSettings::IniFormat);
    QCOMPARE(ini.value("Configuration/penSelection").toInt(), 1);
}

// The interactive program turns the success screen into the accuracy check, and leaving it
// ends the program as the success screen did; scripted runs end at once.
void SetupWindowTest::successOffersTheCheck_data() {
    QTest::addColumn<bool>("interactive");
    QTest::newRow("interactive: the check, then the end") << true;
    QTest::newRow("scripted: the end at once") << false;
}

namespace {

// The stored record of a module calibrated for a 1920 x 1080 window.
void reportCalibrationHeld(TvMainCtrl* ctrl) {
    std::array<uint8_t, record_layout::kStoredBytes> record{};
    le::put16(record.data(), record_layout::kWindowWidth2, 1920);
    le::put16(record.data(), record_layout::kWindowHeight2, 1080);
    ctrl->slotSetPrevTweak(record.data());
}

} // namespace

void SetupWindowTest::successOffersTheCheck() {
    QFETCH(bool, interactive);
    auto dlg =
        std::make_unique<TvSetupDlg>(nullptr, false, std::make_unique<SimTransport>(SimProfile()));
    dlg->setSuccessPause(interactive ? 1500 : 0);
    dlg->setOfferCheck(interactive);
    TvMainCtrl* ctrl = dlg->controller();
    QSignalSpy record(ctrl, &TvMainCtrl::sigStoredRecord);
    ctrl->startCheckThread();
    QTRY_VERIFY_WITH_TIMEOUT(ctrl->fwSupported() && record.count() > 0, 15000);
    // The calibration that just succeeded.
    reportCalibrationHeld(ctrl);

    CloseWatch closes;
    dlg->installEventFilter(&closes);
    dlg->slotCalibrationClosed(0);
    QCOMPARE(ctrl->state(), interactive ? int(TvMainCtrl::CheckTargets) : 0);
    QCOMPARE(closes.count, interactive ? 0 : 1);
    if (interactive) {
        QVERIFY(ctrl->calibDlg()->isVisible());
        QTest::keyClick(ctrl->calibDlg(), Qt::Key_Escape);
        QCOMPARE(ctrl->state(), 0);
        QCOMPARE(closes.count, 1);
    }
    QVERIFY(dlg->lastReportPath().isEmpty());
}

// The panel's context menu starts the check when a calibration could start and the module
// holds one; otherwise its entry says why not.
void SetupWindowTest::panelMenuOffersTheCheck_data() {
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("held");
    QTest::addColumn<int>("why"); // the entry's tool tip; -1: none
    QTest::newRow("module connected, calibration held") << true << true << -1;
    QTest::newRow("module connected, nothing held") << true << false << 8;
    QTest::newRow("no module") << false << true << 12;
}

void SetupWindowTest::panelMenuOffersTheCheck() {
    QFETCH(bool, connected);
    QFETCH(bool, held);
    QFETCH(int, why);
    auto dlg = make();
    MainDlg* panel = dlg->mainPanel();
    panel->show();
    panel->SetLanguageText();
    panel->InitLayout();
    if (connected) {
        panel->SetUIState(true);
        panel->SetFWOption(0, 0, 0, 1);
    }
    if (held)
        reportCalibrationHeld(dlg->controller());
    QSignalSpy started(panel, &MainDlg::sigStartAccuracyCheck);
    int enabled = -1; // stays so when the menu did not come up with the entry
    QString tip;
    QTimer::singleShot(0, panel, [&enabled, &tip] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QAction* action =
            menu ? menu->findChild<QAction*>(QStringLiteral("actionCheckAccuracy")) : nullptr;
        if (action) {
            enabled = action->isEnabled();
            tip = action->toolTip();
            if (enabled)
                action->trigger();
        }
        if (menu)
            menu->close();
    });
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(10, 10), panel->mapToGlobal({10, 10}));
    QCoreApplication::sendEvent(panel, &menu);
    const bool offered = connected && held;
    QCOMPARE(enabled, offered ? 1 : 0);
    QCOMPARE(started.count(), offered ? 1 : 0);
    if (why >= 0)
        QCOMPARE(tip, dlg->language()->textAK(why));
}

// Each check writes a report of its own in the user's state folder, named by its time and
// monitor; one that cannot be written is said on the summary and kept for the command line.
void SetupWindowTest::reportsGoToTheUsersStateFolder_data() {
    QTest::addColumn<QString>("state"); // XDG_STATE_HOME below the test's folder
    QTest::addColumn<bool>("written");
    QTest::newRow("state folder") << QStringLiteral("state") << true;
    QTest::newRow("state folder is a file") << QStringLiteral("blocked") << false;
}

void SetupWindowTest::reportsGoToTheUsersStateFolder() {
    QFETCH(QString, state);
    QFETCH(bool, written);
    const QString home = m_dir.filePath(state);
    QFile blocker(m_dir.filePath(QStringLiteral("blocked")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QByteArray saved = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", home.toLocal8Bit());
    auto dlg = make();
    dlg->slotAccuracyChecked();
    qputenv("XDG_STATE_HOME", saved);
    const QString report = dlg->lastReportPath();
    QVERIFY2(
        QRegularExpression(QRegularExpression::escape(home) +
                           QStringLiteral("/tivora/accuracy-check-"
                                          "\\d{4}-\\d\\d-\\d\\d-\\d{6}-[A-Za-z0-9._-]+\\.json"))
            .match(report)
            .hasMatch(),
        qPrintable(report));
    QCOMPARE(QFile::exists(report), written);
    QCOMPARE(dlg->reportError().isEmpty(), written);
}

// The live picture at full speed while the module's pen is tracked and its touch reports
// arrive, the mask editor opened, hovered and drawn on, the view opened and closed again and
// again, and the whole program torn down while pictures and reports are still on their way.
// Under the sanitizers this is where a buffer overrun or a lock outliving its owner shows.
void SetupWindowTest::liveViewUnderTouchesAndTeardown() {
    const QString profile = m_dir.filePath(QStringLiteral("stress.ini"));
    QFile file(profile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Firmware]\nMinor=14\n[Pen]\nHoldMs=60000\n");
    file.close();
    QString error;
    SimDesktop desktop = makeSimDesktop(profile, &error);
    QVERIFY2(desktop.transport, qPrintable(error));
    auto dlg = std::make_unique<TvSetupDlg>(nullptr, false, std::move(desktop.transport));
    TvMainCtrl* ctrl = dlg->controller();
    AlignmentDlg* view = dlg->alignmentView();
    view->setOpeningPause(0);
    QSignalSpy options(ctrl, &TvMainCtrl::sigSetFWOption);
    ctrl->startCheckThread();
    QVERIFY(options.wait(slowed(15000)));
    ctrl->calibDlg()->m_nLens = options.first().at(3).toInt();
    QTRY_VERIFY(ctrl->fwSupported());
    // As the user did: a manual calibration left with Esc while the pen holds its first
    // target, so that the module's hold ends while the live picture runs.
    QSignalSpy pressed(ctrl->calibDlg(), &CalibDlg::sigMCNextStepPointer);
    dlg->slotStartMCalibration();
    QVERIFY(pressed.wait(slowed(15000)));
    QTest::keyClick(ctrl->calibDlg(), Qt::Key_Escape);
    QElapsedTimer sinceHold;
    sinceHold.start();
    QSignalSpy frames(ctrl, &TvMainCtrl::sigUpdateAlignImage);
    for (int round = 0; round < 6 || sinceHold.elapsed() < pause::scaledMs(60000) + 500; ++round) {
        dlg->slotStartAlignmentDisplay();
        QVERIFY(view->isVisible());
        ctrl->device()->SetTracking(true);
        for (int touch = 0; touch < 8; ++touch)
            ctrl->device()->SendCoord(1, 600 * touch, 375 * touch);
        frames.clear();
        QVERIFY(frames.wait(slowed(10000)));
        view->on_pushB_clicked();
        QVERIFY(view->isMaskMode());
        maskDlg* editor = view->maskEditor();
        // The mouse rests on the editor's toggle until its tool tip shows.
        auto* toggle = view->findChild<QPushButton*>(QStringLiteral("pushB"));
        QVERIFY(toggle);
        QTest::mouseMove(toggle);
        QHelpEvent hover(QEvent::ToolTip, QPoint(2, 2), toggle->mapToGlobal(QPoint(2, 2)));
        QCoreApplication::sendEvent(toggle, &hover);
        QTest::mousePress(editor, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        QTest::mouseMove(editor, QPoint(60, 40));
        QTest::mouseRelease(editor, Qt::LeftButton, Qt::NoModifier, QPoint(90, 70));
        frames.clear();
        QVERIFY(frames.wait(slowed(10000)));
        view->on_pushButton_clicked();
        QVERIFY(!view->isVisible());
    }
    // Gone in the middle of it all.
    dlg->slotStartAlignmentDisplay();
    for (int touch = 0; touch < 8; ++touch)
        ctrl->device()->SendCoord(1, 4800 - 600 * touch, 375 * touch);
    frames.clear();
    QVERIFY(frames.wait(slowed(10000)));
    dlg.reset();
}

QTEST_MAIN(SetupWindowTest)
#include "test_setup_window.moc"
