#include "calib/CalibDlg.h"
#include "calib/TvMainCtrl.h"
#include "compute/CalibWorkspace.h"
#include "compute/InputOrder.h"
#include "device/ByteOrder.h"
#include "device/CamDevCtrl.h"
#include "device/LinkStorage.h"
#include "display/UserMessage.h"
#include "language/LanguageTable.h"
#include "log/LogCategories.h"
#include "log/LogThrottle.h"
#include "log/Pause.h"

#include <QDebug>
#include <QScopedValueRollback>
#include <QThread>
#include <cmath>

void TvMainCtrl::StartManualCalibration() {
    if (!startPreamble("StartManualCalibration()", false))
        return;
    m_psCalibDlg->prepareWindow(CalibDlg::Targets);
    m_psCalibDlg->prepareManualTargets();
    startTargets(link::g_nMC);
}

void TvMainCtrl::startTuningStage() {
    m_nState = Idle;
    m_psCalibDlg->hide();
    m_psCalibDlg->prepareWindow(CalibDlg::Targets);
    m_psCalibDlg->prepareTuningTargets();
    startTargets(link::g_nAC);
}

void TvMainCtrl::startTargets(int count) {
    m_psCalibDlg->setCurrentIndex(0);
    m_psCalibDlg->setCount(count);
    m_psCalibDlg->setArcAnimation(false);
    if (!m_psCalibDlg->showAndWait()) {
        failOffMonitor();
        return;
    }
    m_nState = ManualTargets;
    m_pDevice->SendMCStart();
    pause::sleepMs(200);
    m_pDevice->SetImageReverse(imageReverseFlag());
    pause::sleepMs(200);
    m_pDevice->SendMCPatternStart(0);
}

void TvMainCtrl::slotMCDone() {
    m_psCalibDlg->setPointerMoved(false);
    m_psCalibDlg->setArcAnimation(true);
}

void TvMainCtrl::slotMCNextStepPointer() {
    m_psCalibDlg->setPointerMoved(true);
    m_psCalibDlg->setArcAnimation(false);
    m_psCalibDlg->incIndex();
    m_psCalibDlg->animateToNext();
}

void TvMainCtrl::slotMCPrevStepPointer() {
    if (m_nState != ManualTargets || m_psCalibDlg->getCount() == 0)
        return;
    m_psCalibDlg->setPointerMoved(true);
    m_psCalibDlg->setArcAnimation(false);
    m_psCalibDlg->decIndex();
    m_psCalibDlg->animateToPrev();
    int index = m_psCalibDlg->getCount();
    slotMCNextStep(&index, 4);
}

void TvMainCtrl::slotMCNextStep(int* data, int size) {
    switch (m_nState) {
    case ManualTargets: {
        const int n = m_bSemiAutoCalib ? link::g_nAC : link::g_nMC;
        if (m_psCalibDlg->isPointerMoved()) {
            const int i = m_psCalibDlg->getCount();
            if (i == n) {
                m_nState = InputPointsRequested;
                m_pDevice->AnswerMCGetInputPoint();
            } else {
                m_psCalibDlg->setPointerMoved(false);
                m_pDevice->AnswerMCPatternStart(i);
            }
        } else {
            // The repaint waits in a nested event loop; a report arriving meanwhile would nest
            // another, and a module repeating the report would nest them until the stack ends.
            if (m_bRepaintingTarget)
                break;
            const QScopedValueRollback<bool> repainting(m_bRepaintingTarget, true);
            const int reported = size >= 4 ? *data : 0;
            m_psCalibDlg->setArcAnimation(false);
            m_psCalibDlg->setPaintMode(CalibDlg::KeepMode);
            static LogThrottle repeats;
            int heldBack = 0;
            if (repeats.admit(&heldBack)) {
                QString line =
                    QString::asprintf("slotMCNextStep: curidx = %d, m_psCalibDlg->getCount() = %d",
                                      reported, m_psCalibDlg->getCount());
                if (heldBack > 0)
                    line += QString::asprintf(" (%d lines like it left out)", heldBack);
                qCDebug(lcCalib).noquote() << line;
            }
            m_pDevice->AnswerMCPatternStart(reported);
        }
        break;
    }
    case InputPointsRequested:
        if (size == link::kInputPointBytes)
            onInputPoints(reinterpret_cast<const uint8_t*>(data));
        break;
    case Uploaded:
        setCalibrationHeld(true);
        finishCalibration();
        break;
    default:
        break;
    }
}

void TvMainCtrl::onInputPoints(const uint8_t* points) {
    CalibWorkspace& ws = calibWorkspace();
    ws.clearManualResults();
    const CalibDlg& dlg = *m_psCalibDlg;
    const int n = m_bSemiAutoCalib ? link::g_nAC : link::g_nMC;
    const int* order = inputOrder(m_bSemiAutoCalib, dlg.m_nCeiling, dlg.m_nRear);
    const int tableSize = m_bSemiAutoCalib ? 20 : 16;
    if (!order || n != tableSize)
        return;
    const int* rowOrder = inputOrder(m_bSemiAutoCalib, 0, 0);

    std::array<cv::Point2f, kCalibPointCapacity> screen{};
    for (int i = 0; i < n; ++i) {
        const int slot = order[i];
        float x = le::f32(points, size_t(8 * slot));
        float y = le::f32(points, size_t(8 * slot + 4));
        // A point the module could not measure must never reach the fit.
        if (!std::isfinite(x) || !std::isfinite(y))
            x = y = 0.f;
        ws.ac_pattern_center_twk[size_t(i)] = cv::Point2f(x, y);
        const auto& target = dlg.targetPoints()[size_t(rowOrder[i])];
        screen[size_t(i)] = cv::Point2f(target.x, target.y);
    }
    setCalibInformation(screen.data(), n);

    m_params.fill(0.0);
    ProjectionParams tp{};
    if (m_bSemiAutoCalib)
        ws.SC_CallCalcCalibParameter(false, tp);
    else
        ws.MC_CallCalcCalibParameter(tp);
    std::copy(tp.begin(), tp.end(), m_params.begin());
    logComputation(false, n);

    if (!ws.calib_success) {
        m_pDevice->SendMCCancel();
        m_nState = Idle;
        m_psCalibDlg->hide();
        user_message::critical(nullptr, m_pText->textM(kMsgCalibrationFailed));
        return;
    }
    if (!m_bSemiAutoCalib) {
        upload(false, 0, nullptr);
        return;
    }

    std::array<float, 2 * TuningRecord::kMaxTweaks> tweaks{};
    qCDebug(lcCalib).noquote() << "-- ac_tweak --";
    for (int i = 0; i < n; ++i) {
        const cv::Point2f d =
            ws.ac_pattern_center_twk[size_t(i)] - ws.ac_pattern_center_org[size_t(i)];
        tweaks[size_t(2 * i)] = d.x;
        tweaks[size_t(2 * i + 1)] = d.y;
        qCDebug(lcCalib).noquote()
            << QString::asprintf("%2d: %.2f, %.2f", i, double(d.x), double(d.y));
    }
    upload(true, n, tweaks.data());
    int w = 0, h = 0;
    dlg.getWindowSize(w, h);
    m_sPrevTweak = TuningRecord{};
    m_sPrevTweak.windowWidth = int16_t(w);
    m_sPrevTweak.windowHeight = int16_t(h);
    m_sPrevTweak.lens = uint8_t(dlg.m_nLens);
    m_sPrevTweak.ceiling = uint8_t(dlg.m_nCeiling);
    m_sPrevTweak.rear = uint8_t(dlg.m_nRear);
    m_sPrevTweak.imageReverse = uint8_t(imageReverseFlag());
    m_sPrevTweak.tweakCount = n;
    m_sPrevTweak.tweaks = tweaks;
}

void TvMainCtrl::slotCaliDlgWorkingDone(bool bDone) {
    if (m_nState == CheckTargets || m_nState == CheckSummary) {
        leaveAccuracyCheck();
        return;
    }
    if (m_nState == ManualTargets) {
        if (bDone)
            m_pDevice->SendMCEnd();
        else
            m_pDevice->SendMCCancel();
    }
    m_nState = Idle;
    m_psCalibDlg->hide();
    if (calibWorkspace().calib_success)
        emit sigClose(0);
    m_pDevice->SetTracking(false);
}
