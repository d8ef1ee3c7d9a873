// The accuracy check: the module tracks the pen with the calibration it holds and reports
// each touch to the desktop; the calibration window measures how far it landed from the
// target shown.
#include "calib/CalibDlg.h"
#include "calib/TvMainCtrl.h"
#include "calib/display/KqUtils.h"
#include "device/CamDevCtrl.h"
#include "log/LogCategories.h"

#include <QDebug>

namespace {

// The size the system reports for the monitor the window covers; none when no screen has
// exactly that geometry.
QSizeF physicalSizeOf(const QRect& monitor) {
    for (const ScreenDesc& screen : KqUtils::screens()) {
        if (screen.geometry == monitor)
            return screen.physicalSize;
    }
    return QSizeF();
}

} // namespace

bool TvMainCtrl::StartAccuracyCheck(bool afterCalibration) {
    qCDebug(lcCalib) << "StartAccuracyCheck()";
    if (m_bFWSupported == 0)
        return false;
    stopProbeTimer();
    m_psCalibDlg->hide();
    m_psCalibDlg->prepareWindow(CalibDlg::Check);
    m_psCalibDlg->prepareCheckTargets(afterCalibration);
    m_psCalibDlg->setCurrentIndex(0);
    m_psCalibDlg->setCount(kCheckPoints);
    m_psCalibDlg->setArcAnimation(false);
    const QRect monitor = m_psCalibDlg->geometry();
    m_check = AccuracyCheck(monitor, physicalSizeOf(monitor));
    if (!m_psCalibDlg->showAndWait()) {
        failOffMonitor();
        return false;
    }
    m_nState = CheckTargets;
    g_bTouchCapture = true;
    // Stopped while the program runs; the module reports touches only while it tracks.
    m_pDevice->SetTracking(true);
    return true;
}

void TvMainCtrl::onCheckTouch(int x, int y) {
    const int index = m_psCalibDlg->getCount();
    if (index < 0 || index >= kCheckPoints)
        return;
    const TargetPoint& target = m_psCalibDlg->targetPoints()[size_t(index)];
    const QPoint touch = m_psCalibDlg->mapFromGlobal(QPoint(x, y));
    m_check.add(QPointF(double(target.x), double(target.y)), QPointF(touch));
    qCDebug(lcCalib).noquote() << QStringLiteral("check target %1 at (%2, %3): touch (%4, %5)")
                                      .arg(index + 1)
                                      .arg(double(target.x))
                                      .arg(double(target.y))
                                      .arg(touch.x())
                                      .arg(touch.y());
    m_psCalibDlg->incIndex();
    m_psCalibDlg->animateToNext();
    if (index + 1 < kCheckPoints) {
        g_bTouchCapture = true;
        return;
    }
    m_pDevice->SetTracking(false);
    m_nState = CheckSummary;
    qCDebug(lcCalib).noquote() << "accuracy check:" << m_check.summaryLine();
    m_psCalibDlg->showCheckSummary(m_check);
    emit sigAccuracyChecked();
}

void TvMainCtrl::leaveAccuracyCheck() {
    const bool completed = m_nState == CheckSummary;
    g_bTouchCapture = false;
    if (!completed)
        m_pDevice->SetTracking(false);
    m_nState = Idle;
    m_psCalibDlg->hide();
    emit sigAccuracyCheckLeft(completed);
}
