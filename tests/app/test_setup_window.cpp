#include "align/AlignmentDlg.h"
#include "app/Settings.h"
#include "app/TvSetupDlg.h"
#include "app/panel/MainDlg.h"
#include "calib/CalibDlg.h"
#include "calib/TvMainCtrl.h"
#include "calib/display/UserMessage.h"
#include "sim/SimTransport.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
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
    user_message::setHandler([this](user_message::Kind, const QString& text) {
        m_messages << text;
        return QMessageBox::Ok;
    });
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

void SetupWindowTest::successOffersTheCheck() {
    QFETCH(bool, interactive);
    auto dlg =
        std::make_unique<TvSetupDlg>(nullptr, false, std::make_unique<SimTransport>(SimProfile()));
    dlg->setSuccessPause(interactive ? 1500 : 0);
    dlg->setOfferCheck(interactive);
    TvMainCtrl* ctrl = dlg->controller();
    ctrl->startCheckThread();
    QTRY_VERIFY_WITH_TIMEOUT(ctrl->fwSupported(), 15000);

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
    QVERIFY(!QFile::exists(dlg->reportPath()));
}

// The panel's context menu starts the check whenever a calibration could start.
void SetupWindowTest::panelMenuOffersTheCheck_data() {
    QTest::addColumn<bool>("connected");
    QTest::newRow("module connected") << true;
    QTest::newRow("no module") << false;
}

void SetupWindowTest::panelMenuOffersTheCheck() {
    QFETCH(bool, connected);
    auto dlg = make();
    MainDlg* panel = dlg->mainPanel();
    panel->show();
    panel->SetLanguageText();
    panel->InitLayout();
    if (connected) {
        panel->SetUIState(true);
        panel->SetFWOption(0, 0, 0, 1);
    }
    QSignalSpy started(panel, &MainDlg::sigStartAccuracyCheck);
    int enabled = -1; // stays so when the menu did not come up with the entry
    QTimer::singleShot(0, panel, [&enabled] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QAction* action =
            menu ? menu->findChild<QAction*>(QStringLiteral("actionCheckAccuracy")) : nullptr;
        if (action) {
            enabled = action->isEnabled();
            if (enabled)
                action->trigger();
        }
        if (menu)
            menu->close();
    });
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(10, 10), panel->mapToGlobal({10, 10}));
    QCoreApplication::sendEvent(panel, &menu);
    QCOMPARE(enabled, connected ? 1 : 0);
    QCOMPARE(started.count(), connected ? 1 : 0);
}

QTEST_MAIN(SetupWindowTest)
#include "test_setup_window.moc"
