// The accuracy check: the module tracks the pen with the calibration it holds and reports
// each touch to the desktop; the calibration window measures how far it landed from the
// target shown.
#include "calib/CalibDlg.h"
#include "calib/TvMainCtrl.h"
#include "device/CamDevCtrl.h"
#include "display/KqUtils.h"
#include "log/LogCategories.h"
#include "log/Pause.h"

#include <QDebug>
#include <QTimer>

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

TvMainCtrl::CheckStart TvMainCtrl::StartAccuracyCheck(bool afterCalibration) {
    qCDebug(lcCalib) << "StartAccuracyCheck()";
    if (m_bFWSupported == 0)
        return CheckStart::Unsupported;
    // Without a calibration the module reports no touch a check could measure.
    if (!m_bCalibrationHeld) {
        qCDebug(lcCalib) << "StartAccuracyCheck: the module holds no calibration";
        return CheckStart::NoCalibration;
    }
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
        return CheckStart::OffMonitor;
    }
    m_nState = CheckTargets;
    g_bTouchCapture = true;
    // Stopped while the program runs; the module reports touches only while it tracks.
    m_pDevice->SetTracking(true);
    if (!m_pCheckWait) {
        m_pCheckWait = new QTimer(this);
        m_pCheckWait->setSingleShot(true);
        connect(m_pCheckWait, &QTimer::timeout, this, &TvMainCtrl::onCheckTargetWaited);
    }
    m_pCheckWait->start(pause::scaledMs(kCheckTargetWaitMs));
    return CheckStart::Started;
}

void TvMainCtrl::onCheckTouch(int x, int y) {
    const int index = m_psCalibDlg->getCount();
    if (index < 0 || index >= kCheckPoints)
        return;
    const TargetPoint& target = m_psCalibDlg->targetPoints()[size_t(index)];
    const QPoint touch = m_psCalibDlg->mapFromGlobal(QPoint(x, y));
    const bool pen = m_psCalibDlg->lastCatchByPen();
    m_check.add(QPointF(double(target.x), double(target.y)), QPointF(touch), pen);
    qCDebug(lcCalib).noquote() << QStringLiteral("check target %1 at (%2, %3): %4 (%5, %6)")
                                      .arg(index + 1)
                                      .arg(double(target.x))
                                      .arg(double(target.y))
                                      .arg(pen ? QStringLiteral("touch")
                                               : QStringLiteral("mouse click"))
                                      .arg(touch.x())
                                      .arg(touch.y());
    m_psCalibDlg->incIndex();
    m_psCalibDlg->animateToNext();
    if (index + 1 < kCheckPoints) {
        g_bTouchCapture = true;
        m_pCheckWait->start(pause::scaledMs(kCheckTargetWaitMs));
        return;
    }
    endAccuracyCheck();
}

// Nobody touched the target in time (a window on another monitor than the projector, a
// module that reports nothing): an unattended check must not wait for ever.
void TvMainCtrl::onCheckTargetWaited() {
    if (m_nState != CheckTargets)
        return;
    const int target = m_psCalibDlg->getCount() + 1;
    qCWarning(lcCalib) << "accuracy check: target" << target << "was not touched within"
                       << kCheckTargetWaitMs / 1000 << "s";
    m_check.markUntouched(target, kCheckPoints, kCheckTargetWaitMs / 1000);
    endAccuracyCheck();
}

void TvMainCtrl::endAccuracyCheck() {
    m_pCheckWait->stop();
    g_bTouchCapture = false;
    m_pDevice->SetTracking(false);
    m_nState = CheckSummary;
    qCDebug(lcCalib).noquote() << "accuracy check:" << m_check.summaryLine();
    m_psCalibDlg->showCheckSummary(m_check);
    emit sigAccuracyChecked();
}

void TvMainCtrl::leaveAccuracyCheck() {
    const bool completed = m_nState == CheckSummary;
    if (m_pCheckWait)
        m_pCheckWait->stop();
    g_bTouchCapture = false;
    if (!completed)
        m_pDevice->SetTracking(false);
    m_nState = Idle;
    m_psCalibDlg->hide();
    emit sigAccuracyCheckLeft(completed);
}
