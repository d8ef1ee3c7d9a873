#include "PanelFixture.h"
#include "app/panel/PanelPlacement.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

Q_DECLARE_METATYPE(QVector<ScreenDesc>)

namespace {

const QPoint kAutoDesigned(50, 125);
const QPoint kSemiAutoDesigned(190, 125);
const QPoint kManualDesigned(340, 125);
const QPoint kAutoAlternative(110, 125);
const QPoint kManualAlternative(280, 125);

int lastLens(const QSignalSpy& spy) {
    return spy.isEmpty() ? -1 : spy.last().at(0).value<eLens>();
}

} // namespace

class MainPanelTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QCoreApplication::setApplicationVersion(QStringLiteral("1.0.1.7")); }

    void startsDisabledWithPlaceholderLens() {
        PanelFixture p;
        const MainDlgForm& ui = p.ui();
        QCOMPARE(p.dlg->objectName(), QStringLiteral("MainDlg"));
        QVERIFY(!(p.dlg->windowFlags() & Qt::WindowContextHelpButtonHint));
        QCOMPARE(p.dlg->size(), QSize(560, 762));
        QCOMPARE(ui.comboLens->currentIndex(), 0);
        QVERIFY(!ui.comboLens->isEnabled());
        QVERIFY(!ui.pushAutoCalib->isEnabled());
        QVERIFY(!ui.pushManualCalib->isEnabled());
        QVERIFY(ui.pushClose->isEnabled());
        QVERIFY(!ui.labelUseL->isEnabled());
        QVERIFY(ui.groupPen->isVisibleTo(p.dlg.get()));
        QCOMPARE(ui.labelFWVersion->text(), QStringLiteral("Firmware Version : "));
        QCOMPARE(ui.labelSWVersion->text(), QStringLiteral("Software Version : 1.0.1.7"));
    }

    void startUpLayoutMatchesGroupSizes() {
        PanelFixture p;
        const MainDlgForm& ui = p.ui();
        QCOMPARE(ui.groupLens->geometry(), QRect(QPoint(20, 258), ui.groupMode->size()));
        QCOMPARE(ui.groupPen->geometry(), QRect(QPoint(320, 258), ui.groupLanguage->size()));
        QCOMPARE(ui.comboLens->x() * 2 + ui.comboLens->width(), ui.groupLens->width());
        QCOMPARE(ui.comboLens->y(), ui.comboLanguage->y());
    }

    void tabOrderFollowsTheForm() {
        PanelFixture p;
        const MainDlgForm& ui = p.ui();
        const QList<QWidget*> expected = {
            ui.radioPen,           ui.radioFinger,     ui.comboLanguage, ui.checkCeiling,
            ui.checkRear,          ui.comboLens,       ui.pushView,      ui.pushAutoCalib,
            ui.checkSemiAutoCalib, ui.pushManualCalib, ui.pushClose};
        QList<QWidget*> chain;
        QWidget* w = ui.radioPen;
        do {
            if (expected.contains(w))
                chain << w;
            w = w->nextInFocusChain();
        } while (w != ui.radioPen);
        QCOMPARE(chain, expected);
    }

    void buttonsEmitTheirSignals() {
        PanelFixture p;
        p.connectDevice(LensNormalThrow);
        const MainDlgForm& ui = p.ui();
        MainDlg* dlg = p.dlg.get();
        QSignalSpy view(dlg, &MainDlg::sigStartAlignmentDisplay);
        QSignalSpy manual(dlg, &MainDlg::sigStartMCalibration);
        QSignalSpy ceiling(dlg, &MainDlg::sigSetCeiling);
        QSignalSpy rear(dlg, &MainDlg::sigSetRear);
        QSignalSpy finger(dlg, &MainDlg::sigSetFingerMode);
        QSignalSpy pen(dlg, &MainDlg::sigSetPenSelect);

        ui.pushView->click();
        ui.pushManualCalib->click();
        QCOMPARE(view.count(), 1);
        QCOMPARE(manual.count(), 1);

        ui.checkCeiling->click();
        ui.checkCeiling->click();
        ui.checkRear->click();
        QCOMPARE(ceiling, (QList<QList<QVariant>>{{true}, {false}}));
        QCOMPARE(rear, (QList<QList<QVariant>>{{true}}));

        ui.radioFinger->click();
        ui.radioPen->click();
        QCOMPARE(finger, (QList<QList<QVariant>>{{true}, {false}}));

        ui.radioPlusPen->click();
        ui.radioNormalPen->click();
        QCOMPARE(pen, (QList<QList<QVariant>>{{true}, {false}}));

        // The screen search lives in the panel's context menu, outside its layout.
        QSignalSpy findScreen(dlg, &MainDlg::sigFindScreen);
        auto* search = dlg->findChild<QAction*>(QStringLiteral("actionFindScreen"));
        QVERIFY(search);
        QCOMPARE(search->text(), p.text.textSC(0));
        search->trigger();
        QCOMPARE(findScreen.count(), 1);
        dlg->SetUIState(false);
        QVERIFY(!search->isEnabled());
    }

    void autoWithAndWithoutTuningBox() {
        PanelFixture p;
        p.connectDevice(LensShortThrow);
        const MainDlgForm& ui = p.ui();
        QSignalSpy autoCalib(p.dlg.get(), &MainDlg::sigStartACalibration);
        QSignalSpy semiAuto(p.dlg.get(), &MainDlg::sigStartSCalibration);

        ui.checkSemiAutoCalib->click();
        ui.pushAutoCalib->click();
        QCOMPARE(semiAuto.count(), 1);
        QCOMPARE(autoCalib.count(), 0);
        QVERIFY(!ui.checkSemiAutoCalib->isChecked());

        ui.pushAutoCalib->click();
        QCOMPARE(semiAuto.count(), 1);
        QCOMPARE(autoCalib.count(), 1);
    }

    void deviceOptionsReachTheWidgets_data() {
        QTest::addColumn<int>("lens");
        QTest::addColumn<int>("lensIndex");
        QTest::addColumn<int>("emittedLens");
        QTest::addColumn<bool>("automaticLayout");
        QTest::newRow("none") << 0 << 0 << 0 << false;
        QTest::newRow("normal throw") << 1 << 1 << 1 << true;
        QTest::newRow("short throw") << 2 << 2 << 2 << true;
        QTest::newRow("ultra-short throw") << 3 << 3 << 3 << true;
        QTest::newRow("reported 4, no item") << 4 << 0 << 0 << false;
    }
    void deviceOptionsReachTheWidgets() {
        QFETCH(int, lens);
        QFETCH(int, lensIndex);
        QFETCH(int, emittedLens);
        QFETCH(bool, automaticLayout);
        PanelFixture p;
        p.dlg->SetUIState(true);
        // Start from another lens so that every row changes the selection.
        p.dlg->SetFWOption(0, 0, 0, lens == LensUltraShortThrow ? 1 : 3);
        const MainDlgForm& ui = p.ui();
        QSignalSpy ceiling(p.dlg.get(), &MainDlg::sigSetCeiling);
        QSignalSpy rear(p.dlg.get(), &MainDlg::sigSetRear);
        QSignalSpy finger(p.dlg.get(), &MainDlg::sigSetFingerMode);
        QSignalSpy lensSpy(p.dlg.get(), &MainDlg::sigSetLens);

        p.dlg->SetFWOption(1, 0, 1, static_cast<unsigned char>(lens));

        QVERIFY(ui.checkCeiling->isChecked());
        QVERIFY(!ui.checkRear->isChecked());
        QVERIFY(ui.radioFinger->isChecked());
        QCOMPARE(ceiling, (QList<QList<QVariant>>{{true}}));
        QCOMPARE(rear, (QList<QList<QVariant>>{{false}}));
        QCOMPARE(finger.count(), 0);
        QCOMPARE(ui.comboLens->currentIndex(), lensIndex);
        QCOMPARE(lastLens(lensSpy), emittedLens);
        QCOMPARE(ui.pushAutoCalib->isEnabled(), emittedLens != 0);
        QCOMPARE(ui.pushManualCalib->isEnabled(), emittedLens != 0);
        QCOMPARE(ui.checkSemiAutoCalib->isEnabled(), emittedLens != 0);
        QCOMPARE(ui.checkSemiAutoCalib->isVisibleTo(p.dlg.get()), automaticLayout);
        QCOMPARE(ui.pushAutoCalib->pos(), automaticLayout ? kAutoDesigned : kAutoAlternative);
        QCOMPARE(ui.pushManualCalib->pos(), automaticLayout ? kManualDesigned : kManualAlternative);
        if (automaticLayout)
            QCOMPARE(ui.checkSemiAutoCalib->pos(), kSemiAutoDesigned);
    }

    void unknownLensLeavesTheLensAlone() {
        PanelFixture p;
        p.connectDevice(LensShortThrow);
        const MainDlgForm& ui = p.ui();
        QSignalSpy lens(p.dlg.get(), &MainDlg::sigSetLens);
        QSignalSpy rear(p.dlg.get(), &MainDlg::sigSetRear);

        p.dlg->SetFWOption(0, 1, 1, 5);

        QVERIFY(ui.checkRear->isChecked());
        QVERIFY(ui.radioFinger->isChecked());
        QCOMPARE(rear.count(), 1);
        QCOMPARE(lens.count(), 0);
        QCOMPARE(ui.comboLens->currentIndex(), 2);
        QVERIFY(ui.pushAutoCalib->isEnabled());
        QVERIFY(ui.checkSemiAutoCalib->isVisibleTo(p.dlg.get()));
    }

    void choosingALensUpdatesTheCalibrationControls() {
        PanelFixture p;
        p.dlg->SetUIState(true);
        const MainDlgForm& ui = p.ui();
        QSignalSpy lens(p.dlg.get(), &MainDlg::sigSetLens);

        ui.comboLens->setCurrentIndex(3);
        QCOMPARE(lens.count(), 1);
        QCOMPARE(lastLens(lens), int(LensUltraShortThrow));
        QVERIFY(ui.pushAutoCalib->isEnabled());
        QCOMPARE(ui.pushAutoCalib->pos(), kAutoDesigned);
        // The refilled box keeps the choice and the refill itself emits nothing.
        QCOMPARE(ui.comboLens->currentIndex(), 3);

        ui.comboLens->setCurrentIndex(0);
        QCOMPARE(lens.count(), 2);
        QCOMPARE(lastLens(lens), int(LensNone));
        QVERIFY(!ui.pushAutoCalib->isEnabled());
        QCOMPARE(ui.pushAutoCalib->pos(), kAutoAlternative);
        QVERIFY(!ui.checkSemiAutoCalib->isVisibleTo(p.dlg.get()));
    }

    void uiStateFollowsTheDevice_data() {
        QTest::addColumn<int>("lens");
        QTest::newRow("lens chosen") << 1;
        QTest::newRow("no lens") << 0;
    }
    void uiStateFollowsTheDevice() {
        QFETCH(int, lens);
        PanelFixture p;
        p.connectDevice(static_cast<unsigned char>(lens));
        const MainDlgForm& ui = p.ui();
        const QList<QWidget*> general = {
            ui.textEditInfo1, ui.textEditInfo3, ui.comboLanguage,  ui.checkCeiling,
            ui.checkRear,     ui.labelUse,      ui.labelSel_1,     ui.labelUseL,
            ui.pushView,      ui.labelInfo3,    ui.radioPen,       ui.radioFinger,
            ui.labelSel_2,    ui.comboLens,     ui.radioNormalPen, ui.radioPlusPen};
        const QList<QWidget*> calib = {ui.pushAutoCalib, ui.pushManualCalib, ui.checkSemiAutoCalib};
        for (QWidget* w : general)
            QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
        for (QWidget* w : calib)
            QCOMPARE(w->isEnabled(), lens != 0);
        QCOMPARE(ui.labelFWVersion->text(), QStringLiteral("Firmware Version : 2.14"));

        p.dlg->SetUIState(false);
        for (QWidget* w : general + calib)
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
        QVERIFY(ui.pushClose->isEnabled());
        QCOMPARE(ui.labelFWVersion->text(), QStringLiteral("Firmware Version : "));
    }

    void connectionStatusLine_data() {
        QTest::addColumn<ConnectionStatus>("status");
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("expected");
        QTest::newRow("looking") << ConnectionStatus::Searching << QString()
                                 << "Looking for the module\u2026";
        QTest::newRow("connected") << ConnectionStatus::Connected << "SN42"
                                   << "Connected: serial SN42, firmware 2.14";
        // What the module reports is shown as plain text on one line.
        QTest::newRow("hostile serial") << ConnectionStatus::Connected << "<b>A\nB</b>"
                                        << "Connected: serial <b>AB</b>, firmware 2.14";
        QTest::newRow("permission denied")
            << ConnectionStatus::PermissionDenied << QString()
            << "The module is present but cannot be opened: permission denied (see README, udev "
               "rule)";
        QTest::newRow("busy") << ConnectionStatus::Busy << QString()
                              << "The module is busy (another program uses it)";
        QTest::newRow("nothing on USB for a while")
            << ConnectionStatus::NotFound << QString()
            << "No module on USB (16d0:0f8c): check the cable, try another port, replug the "
               "module.";
    }
    void connectionStatusLine() {
        QFETCH(ConnectionStatus, status);
        QFETCH(QString, serial);
        QFETCH(QString, expected);
        PanelFixture p;
        const QLabel* line = p.ui().labelStatus;
        // Before the watch has looked, the panel is looking.
        QCOMPARE(line->text(), QStringLiteral("Looking for the module\u2026"));
        // The version may come before or after the watch reports the open.
        p.dlg->SetFWVersion(QStringLiteral("2.14"));
        p.dlg->SetConnectionStatus(status, serial);
        const QString full = line->toolTip().isEmpty() ? line->text() : line->toolTip();
        QCOMPARE(full, expected);
        QCOMPARE(line->textFormat(), Qt::PlainText);
        QVERIFY(line->fontMetrics().horizontalAdvance(line->text()) <=
                line->contentsRect().width());
        QCOMPARE(line->geometry(), QRect(20, 738, 410, 18));

        // Pulled out: the next connection shows no stale firmware.
        p.dlg->SetUIState(false);
        p.dlg->SetConnectionStatus(ConnectionStatus::Connected, QStringLiteral("SN42"));
        QCOMPARE(line->text(), QStringLiteral("Connected: serial SN42, firmware \u2026"));
    }

    // The further functions behind the menu button, and what a grey control waits for.
    void greyControlsSayWhy_data() {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<int>("lens");
        QTest::addColumn<QString>("firmware");
        QTest::addColumn<QString>("calibrationTip"); // of the grey Auto button; empty: enabled
        QTest::addColumn<QString>("maskTip");        // of the grey mask entry; empty: enabled
        const QString needsModule = "Available when the module is connected.";
        QTest::newRow("no module")
            << false << int(LensNone) << QString() << needsModule << needsModule;
        QTest::newRow("no model chosen") << true << int(LensNone) << "51.14"
                                         << "Choose the model first." << QString();
        QTest::newRow("firmware without the mask")
            << true << int(LensShortThrow) << "51.12" << QString()
            << "The mask editor needs module firmware x.14 or later";
        QTest::newRow("all there")
            << true << int(LensShortThrow) << "51.14" << QString() << QString();
    }
    void greyControlsSayWhy() {
        QFETCH(bool, connected);
        QFETCH(int, lens);
        QFETCH(QString, firmware);
        QFETCH(QString, calibrationTip);
        QFETCH(QString, maskTip);
        PanelFixture p;
        const MainDlgForm& ui = p.ui();
        if (connected) {
            p.dlg->SetUIState(true);
            p.dlg->SetFWVersion(firmware);
            p.dlg->SetFWOption(0, 0, 0, static_cast<unsigned char>(lens));
        }
        QCOMPARE(ui.pushAutoCalib->isEnabled(), calibrationTip.isEmpty());
        QCOMPARE(ui.pushAutoCalib->toolTip(), calibrationTip);
        QMenu* more = ui.toolMore->menu();
        QVERIFY(more);
        emit more->aboutToShow();
        QStringList entries;
        for (const QAction* a : more->actions())
            entries << a->objectName();
        QCOMPARE(entries,
                 (QStringList{"actionCheckAccuracy", "actionFindScreen", "actionOpenMaskEditor"}));
        const QAction* mask = more->actions().last();
        QCOMPARE(mask->isEnabled(), maskTip.isEmpty());
        if (!maskTip.isEmpty())
            QCOMPARE(mask->toolTip(), maskTip);
    }

    void penTypeSetsTheRadiosSilently() {
        PanelFixture p;
        const MainDlgForm& ui = p.ui();
        QSignalSpy pen(p.dlg.get(), &MainDlg::sigSetPenSelect);
        p.dlg->SetPenType(1);
        QVERIFY(ui.radioPlusPen->isChecked());
        QVERIFY(!ui.radioNormalPen->isChecked());
        p.dlg->SetPenType(7);
        QVERIFY(ui.radioPlusPen->isChecked());
        p.dlg->SetPenType(0);
        QVERIFY(ui.radioNormalPen->isChecked());
        QVERIFY(!ui.radioPlusPen->isChecked());
        QCOMPARE(pen.count(), 0);
    }

    void screenOf144DpiScalesEverything() {
        PanelFixture p(144.0);
        p.connectDevice(LensNone);
        const MainDlgForm& ui = p.ui();
        QCOMPARE(p.dlg->dpiRatio(), 1.5);
        QCOMPARE(p.dlg->size(), QSize(840, 1143));
        QCOMPARE(ui.label->geometry(), QRect(0, 0, 840, 121));
        QCOMPARE(ui.groupCalib->geometry(), QRect(30, 789, 780, 249));
        QCOMPARE(ui.groupLanguage->geometry(), QRect(480, 135, 331, 136));
        QCOMPARE(ui.pushManualCalib->size(), QSize(195, 45));
        QCOMPARE(ui.checkSemiAutoCalib->geometry(), QRect(285, 187, 150, 45));
        // Alternative layout: 90 pixels right of the designed Auto position, Manual mirrored.
        QCOMPARE(ui.pushAutoCalib->pos(), QPoint(75 + 90, 187));
        QCOMPARE(ui.pushManualCalib->pos(), QPoint(780 - 165 - 195, 187));
        QCOMPARE(ui.label->pixmap(Qt::ReturnByValue).size(), QSize(840, 121));
        const QTextBlockFormat format = ui.textEditInfo1->document()->begin().blockFormat();
        QCOMPARE(format.lineHeight(), 30.0);
    }

    void placementFitsTheScreen_data() {
        QTest::addColumn<QVector<ScreenDesc>>("screens");
        QTest::addColumn<QPoint>("cursor");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<bool>("scrollsVertically");
        const QRect fullHd(0, 0, 1920, 1080);
        const ScreenDesc laptop{QRect(0, 0, 1366, 768), 96.0, QRect(0, 0, 1366, 728)};
        // Centred in the room the frame (4, 24, 4, 4) leaves.
        QTest::newRow("fits: primary, designed size")
            << QVector<ScreenDesc>{{fullHd, 96.0, QRect(0, 0, 1920, 1040)}} << QPoint(-5, -5)
            << QRect(680, 149, 560, 762) << false;
        QTest::newRow("1366 x 768 with a taskbar: scrolls, bottom visible")
            << QVector<ScreenDesc>{laptop} << QPoint(10, 10) << QRect(395, 24, 576, 700) << true;
        QTest::newRow("mouse on the second screen")
            << QVector<ScreenDesc>{laptop, {QRect(-1920, 0, 1920, 1080), 96.0, {}}}
            << QPoint(-100, 500) << QRect(-1240, 169, 560, 762) << false;
        QTest::newRow("mouse off every screen: primary")
            << QVector<ScreenDesc>{{fullHd, 96.0, {}}, laptop} << QPoint(5000, 5000)
            << QRect(680, 169, 560, 762) << false;
        // 2560 x 1440 under QT_SCALE_FACTOR=2, taskbar 40 device pixels.
        QTest::newRow("2560 x 1440 scaled by 2")
            << QVector<ScreenDesc>{{QRect(0, 0, 1280, 720), 96.0, QRect(0, 0, 1280, 700)}}
            << QPoint() << QRect(352, 24, 576, 672) << true;
    }
    void placementFitsTheScreen() {
        QFETCH(QVector<ScreenDesc>, screens);
        QFETCH(QPoint, cursor);
        QFETCH(QRect, geometry);
        QFETCH(bool, scrollsVertically);
        const QMargins frame(4, 24, 4, 4);
        const PanelPlacement place = placePanel(QSize(560, 762), screens, cursor, frame, 16);
        QCOMPARE(place.geometry, geometry);
        QCOMPARE(place.scrollsVertically, scrollsVertically);
        QVERIFY(!place.scrollsHorizontally);
    }

    // The toolkit's own screen, with or without its scaling (QT_SCALE_FACTOR,
    // QT_SCREEN_SCALE_FACTORS; CTest runs this case under both): the design is neither halved
    // nor scaled twice, and the shown panel lies wholly in what windows may cover.
    void toolkitScreenShowsThePanelWhole() {
        PanelFixture p(PanelFixture::kToolkitScreens);
        // The offscreen platform's own 100 dots per inch, never halved below the design by a
        // toolkit factor nor multiplied by one.
        const double ratio = p.dlg->dpiRatio();
        QVERIFY2(ratio >= 1.0 && ratio <= 100.0 / 96.0, qPrintable(QString::number(ratio)));
        const QSize design(int(560 * ratio), int(762 * ratio));
        QCOMPARE(p.dlg->size(), design);
        p.dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(p.dlg.get()));
        const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(room.contains(p.dlg->frameGeometry()),
                 qPrintable(QStringLiteral("%1 x %2 at %3, %4")
                                .arg(p.dlg->frameGeometry().width())
                                .arg(p.dlg->frameGeometry().height())
                                .arg(p.dlg->x())
                                .arg(p.dlg->y())));
        QCOMPARE(p.ui().panelContent->size(), design);
        // The banner as sharp as the screen: a picture pixel for every screen pixel.
        const QPixmap banner = p.ui().label->pixmap(Qt::ReturnByValue);
        QCOMPARE(banner.devicePixelRatio(), p.dlg->devicePixelRatioF());
        QVERIFY(banner.width() >= int(558 * p.dlg->devicePixelRatioF()));
        // The offscreen screen is 800 x 600: shorter than the panel, which scrolls to its
        // bottom row.
        QScrollBar* bar = p.ui().scrollPanel->verticalScrollBar();
        QVERIFY(bar->isVisible());
        bar->setValue(bar->maximum());
        QVERIFY(p.ui().scrollPanel->viewport()->rect().contains(
            p.ui().pushClose->mapTo(p.ui().scrollPanel->viewport(), QPoint(0, 29))));
    }

    void escapeClosesOnlyWhenVisible() {
        PanelFixture p;
        QSignalSpy close(p.dlg.get(), &MainDlg::sigClose);
        QTest::keyClick(p.dlg.get(), Qt::Key_Escape);
        QCOMPARE(close.count(), 0);

        p.dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(p.dlg.get()));
        p.connectDevice(LensNormalThrow);
        p.ui().pushView->setFocus();
        QTest::keyClick(p.ui().pushView, Qt::Key_Escape);
        QCOMPARE(close, (QList<QList<QVariant>>{{0}}));
        // Escape reports; ending the program is the setup window's answer.
        QVERIFY(p.dlg->isVisible());
    }

    void closeButtonHidesAndReports() {
        PanelFixture p;
        p.dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(p.dlg.get()));
        QSignalSpy close(p.dlg.get(), &MainDlg::sigClose);
        p.ui().pushClose->click();
        QCOMPARE(close, (QList<QList<QVariant>>{{0}}));
        QVERIFY(!p.dlg->isVisible());

        // The window's own close control takes the same way, also after a second show.
        p.dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(p.dlg.get()));
        QVERIFY(p.dlg->close());
        QCOMPARE(close.count(), 2);
        QVERIFY(!p.dlg->isVisible());
    }
};

QTEST_MAIN(MainPanelTest)
#include "test_main_panel.moc"
