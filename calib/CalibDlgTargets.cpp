// The calibration window's targets: where they are for each kind of screen, and the target
// symbol that glides from one to the next and fills its rings while the pen holds it.
#include "calib/CalibDlg.h"
#include "calib/TargetSymbol.h"
#include "log/LogCategories.h"
#include "log/Pause.h"

#include <QDebug>
#include <QLabel>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

namespace {

constexpr int kArcTickMs = 20;
constexpr int kArcStepDegrees = 36;
constexpr int kArcDoneAbove = 361;

} // namespace

void CalibDlg::prepareAutoTargets() {
    label->hide();
    InitialCalibration(true);
    pushButton->hide();
    pushButtonLeft->hide();
}

void CalibDlg::prepareManualTargets() {
    label->show();
    InitialCalibration(false);
    pushButton->hide();
    pushButtonLeft->hide();
    putSymbolOnFirstTarget();
}

void CalibDlg::prepareTuningTargets() {
    label->show();
    InitialCalibration(true);
    m_ptTarget = tuningOrder(m_ptTarget);
    pushButton->hide();
    pushButtonLeft->hide();
    putSymbolOnFirstTarget();
}

void CalibDlg::prepareCheckTargets(bool afterCalibration) {
    m_bCheckAfterCalibration = afterCalibration;
    m_ptTarget = TargetPoints{};
    const auto check = checkPoints(m_nWidth, m_nHeight);
    std::copy(check.begin(), check.end(), m_ptTarget.begin());
    m_sCheckNote.clear();
    label->show();
    pushButton->hide();
    pushButtonLeft->hide();
    putSymbolOnFirstTarget();
}

// The last target of a calibration sends the symbol gliding past the end of its targets, to
// an unused slot at (0, 0); a screen prepared while that glide runs would see the symbol
// carried off its first target.
void CalibDlg::putSymbolOnFirstTarget() {
    m_pAnim->stop();
    label->setGeometry(targetRect(m_ptTarget[0]));
}

void CalibDlg::InitialCalibration(bool bAuto) {
    qCDebug(lcCalib) << "CalibDlg::InitialCalibration():" << bAuto
                     << targetMargin(m_nWidth, m_nHeight) << m_nWidth << m_nHeight;
    m_ptTarget = ::targetPoints(m_nWidth, m_nHeight, bAuto);
}

void CalibDlg::showRings(int sweepDegrees, const QColor& color) {
    label->setPixmap(targetSymbolWithRings(m_pixSymbol, sweepDegrees, color));
}

void CalibDlg::setArcAnimation(bool on) {
    if (on) {
        m_bArcRunning = true;
        m_nArcAngle = 0;
        m_pArcTimer->start(pause::scaledMs(kArcTickMs));
    } else {
        m_bArcRunning = false;
        showRings(360, Qt::white);
        m_pArcTimer->stop();
        m_nArcAngle = 0;
    }
    update();
}

void CalibDlg::OnTimer() {
    // Ten ticks fill the rings; one more shows them full before the target counts as done.
    if (m_nArcAngle < kArcDoneAbove) {
        m_nArcAngle += kArcStepDegrees;
        showRings(m_nArcAngle, QColor(255, 0, 0));
        return;
    }
    showRings(360, Qt::white);
    if (m_nIndex < m_nCount)
        emit sigMCNextStepPointer();
}

void CalibDlg::glide(int from, int to) {
    if (from < 0 || from >= kTargetSlots || to < 0 || to >= kTargetSlots)
        return;
    m_pAnim->stop();
    m_pAnim->setStartValue(targetRect(m_ptTarget[from]));
    m_pAnim->setEndValue(targetRect(m_ptTarget[to]));
    m_pAnim->start();
}

void CalibDlg::animateToNext() {
    // The status line names the new target.
    update();
    if (m_nIndex == m_nCount)
        label->hide();
    glide(m_nIndex - 1, m_nIndex);
}

void CalibDlg::animateToPrev() {
    update();
    // Back from past the last target: the symbol was hidden there and must come back.
    if (m_nIndex >= 0 && m_nIndex < m_nCount)
        label->show();
    glide(m_nIndex + 1, m_nIndex);
}
