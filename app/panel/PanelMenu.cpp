#include "MainDlg.h"
#include "MainDlgForm.h"
#include "app/language/LanguageTable.h"

#include <QMenu>
#include <QPushButton>

namespace {

constexpr int kTextCheckAccuracy = 7;

} // namespace

void MainDlg::fillContextMenu(QMenu& menu) {
    QAction* check = menu.addAction(m_pLanguage->textAK(kTextCheckAccuracy), this,
                                    &MainDlg::sigStartAccuracyCheck);
    check->setObjectName(QStringLiteral("actionCheckAccuracy"));
    // Whenever a calibration could start, the stored one can be checked.
    check->setEnabled(m_pUi->pushAutoCalib->isEnabled());
    menu.addAction(m_pFindScreen);
}
