#include "MainDlg.h"
#include "MainDlgForm.h"
#include "app/language/LanguageTable.h"

#include <QMenu>
#include <QPushButton>

namespace {

constexpr int kTextCheckAccuracy = 7;
constexpr int kTextNoCalibration = 8;
constexpr int kTextNotReady = 12;

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
}
