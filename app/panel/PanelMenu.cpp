#include "MainDlg.h"
#include "MainDlgForm.h"
#include "align/AlignmentDlg.h"
#include "language/LanguageTable.h"

#include <QCheckBox>
#include <QMenu>
#include <QPushButton>

namespace {

constexpr int kTextCheckAccuracy = 7;
constexpr int kTextNoCalibration = 8;
constexpr int kTextNotReady = 12;
constexpr int kTextOpenMask = 9;
constexpr int kTextNeedsModule = 10;
constexpr int kTextNeedsModel = 11;
constexpr int kTextMaskFirmware = 1;

} // namespace

void MainDlg::fillContextMenu(QMenu& menu) {
    QAction* check = menu.addAction(m_pLanguage->textAK(kTextCheckAccuracy), this,
                                    &MainDlg::sigStartAccuracyCheck);
    check->setObjectName(QStringLiteral("actionCheckAccuracy"));
    // Whenever a calibration could start and the module holds one, it can be checked; when
    // not, the entry says why.
    const bool ready = m_pUi->pushAutoCalib->isEnabled();
    check->setEnabled(ready && m_bCalibrationHeld);
    if (!ready)
        check->setToolTip(m_pLanguage->textAK(kTextNotReady));
    else if (!m_bCalibrationHeld)
        check->setToolTip(m_pLanguage->textAK(kTextNoCalibration));
    menu.setToolTipsVisible(true);
    menu.addAction(m_pFindScreen);

    QAction* mask =
        menu.addAction(m_pLanguage->textPS(kTextOpenMask), this, &MainDlg::sigOpenMaskEditor);
    mask->setObjectName(QStringLiteral("actionOpenMaskEditor"));
    const bool connected = m_pUi->pushView->isEnabled();
    const bool maskFirmware = m_sFirmware.right(2).toInt() >= AlignmentDlg::kMaskFirmwareLower;
    mask->setEnabled(connected && maskFirmware);
    if (!connected)
        mask->setToolTip(m_pLanguage->textPS(kTextNeedsModule));
    else if (!maskFirmware)
        mask->setToolTip(m_pLanguage->textAV(kTextMaskFirmware));
}

// A grey control says in its tool tip what it waits for: the module first, then the model.
void MainDlg::explainDisabledControls() {
    const MainDlgForm& ui = *m_pUi;
    const bool connected = ui.pushView->isEnabled();
    const QString needsModule = m_pLanguage->textPS(kTextNeedsModule);
    const QString calibration =
        !connected ? needsModule
                   : (m_eLens == LensNone ? m_pLanguage->textPS(kTextNeedsModel) : QString());
    for (QWidget* w : std::initializer_list<QWidget*>{ui.pushAutoCalib, ui.pushManualCalib,
                                                      ui.checkSemiAutoCalib})
        w->setToolTip(w->isEnabled() ? QString() : calibration);
    ui.pushView->setToolTip(connected ? QString() : needsModule);
    m_pFindScreen->setToolTip(m_pFindScreen->isEnabled() ? QString() : needsModule);
}
