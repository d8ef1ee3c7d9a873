#include "calib/CalibDlg.h"
#include "calib/TvMainCtrl.h"
#include "compute/AutoCalibration.h"
#include "device/CamDevCtrl.h"
#include "device/LinkStorage.h"
#include "language/LanguageTable.h"
#include "log/LogCategories.h"
#include "log/Pause.h"

#include <QDebug>
#include <QThread>

namespace {

constexpr int kBlackImage = 101;
constexpr int kWhiteImage = 102;
constexpr int kPatternImage = 103;
constexpr int kOneBytePerPixel = 1280 * 720;
constexpr int kTwoBytesPerPixel = 2 * 1280 * 720;

} // namespace

void TvMainCtrl::StartAutoCalibration() {
    if (startPreamble("StartAutoCalibration()", false))
        startCaptureChain();
}

void TvMainCtrl::StartSemiAutoCalibration() {
    if (startPreamble("StartSemiAutoCalibration()", true))
        startCaptureChain();
}

void TvMainCtrl::startCaptureChain() {
    m_psCalibDlg->prepareWindow(CalibDlg::Black);
    m_psCalibDlg->prepareAutoTargets();
    if (!m_psCalibDlg->showAndWait()) {
        failOffMonitor();
        return;
    }
    m_pDevice->SetImageReverse(imageReverseFlag());
    pause::sleepMs(200);
    m_nState = BlackCapture;
    m_pDevice->send_ac_black_start(m_psCalibDlg->m_nLens, m_nFWLower);
}

void TvMainCtrl::slotNewACImageReceived(unsigned char* data, int size) {
    if (size != kOneBytePerPixel && size != kTwoBytesPerPixel)
        return;
    cv::Mat* target = m_nACImageId == kBlackImage     ? &m_pImgBlack
                      : m_nACImageId == kWhiteImage   ? &m_pImgWhite
                      : m_nACImageId == kPatternImage ? &m_pImgPattern
                                                      : nullptr;
    if (target) {
        const int step = size == kOneBytePerPixel ? 1 : 2;
        uchar* out = target->ptr<uchar>(0);
        for (int i = 0; i < kOneBytePerPixel; ++i)
            out[i] = data[i * step];
    }
    slotACNextStep();
}

// The link gave up on a capture: the calibration ends as a failed computation would.
void TvMainCtrl::slotACImageFailed() {
    if (m_nState != BlackImageRequested && m_nState != WhiteImageRequested &&
        m_nState != PatternImageRequested)
        return;
    m_nState = Idle;
    m_psCalibDlg->hide();
    slotSetCalibResult(0);
}

void TvMainCtrl::advanceAutoChain() {
    switch (m_nState) {
    case BlackCapture:
        m_psCalibDlg->setPaintMode(CalibDlg::White);
        m_tPhaseStart = QDateTime::currentDateTime();
        m_nACImageId = kBlackImage;
        m_pDevice->RequestACImage(kBlackImage, 0);
        m_nState = BlackImageRequested;
        break;
    case BlackImageRequested:
        m_nState = WhiteCapture;
        m_pDevice->SendACWhiteStart(int(m_tPhaseStart.msecsTo(QDateTime::currentDateTime())));
        break;
    case WhiteCapture:
        m_psCalibDlg->setPaintMode(CalibDlg::Pattern);
        m_tPhaseStart = QDateTime::currentDateTime();
        m_nACImageId = kWhiteImage;
        m_pDevice->RequestACImage(kWhiteImage, 0);
        m_nState = WhiteImageRequested;
        break;
    case WhiteImageRequested:
        m_nState = PatternCapture;
        m_pDevice->SendACPatternStart(int(m_tPhaseStart.msecsTo(QDateTime::currentDateTime())));
        break;
    case PatternCapture:
        pause::sleepMs(100);
        m_nACImageId = kPatternImage;
        m_nState = PatternImageRequested;
        m_pDevice->RequestACImage(kPatternImage, 0);
        break;
    case PatternImageRequested:
        if (m_nACImageId == kPatternImage) {
            // The module holds its pattern picture: the status may cover the screen now, and
            // is painted at once because the computation keeps this thread busy.
            m_psCalibDlg->showStatus(m_pText->textCS(kTextComputing));
            m_psCalibDlg->repaint();
            runAutoComputation();
        }
        break;
    default:
        break;
    }
}

void TvMainCtrl::runAutoComputation() {
    const CalibDlg& dlg = *m_psCalibDlg;
    AutoCalibrationInput input = calibrationInput();
    for (size_t i = 0; i < input.windowPoints.size(); ++i)
        input.windowPoints[i] = cv::Point2f(dlg.targetPoints()[i].x, dlg.targetPoints()[i].y);
    input.semi = m_bSemiAutoCalib;
    const bool useStoredTuning = dlg.m_nLens >= 1 && dlg.m_nLens <= 3 &&
                                 m_sPrevTweak.tweakCount > 0 && m_sPrevTweak.lens == dlg.m_nLens;
    if (useStoredTuning) {
        for (int i = 0; i < m_sPrevTweak.tweakCount; ++i)
            input.tweaks.emplace_back(m_sPrevTweak.tweaks[size_t(2 * i)],
                                      m_sPrevTweak.tweaks[size_t(2 * i + 1)]);
    } else {
        qCDebug(lcCalib) << "SlotACNextStep... no SemiAutoCalib";
    }

    m_params.fill(0.0);
    const AutoCalibrationResult result = runAutoCalibration(
        calibWorkspace(), m_pImgBlack, m_pImgWhite, m_pImgPattern, m_pImgNorm, input);
    m_lastFailure = result.failure;
    m_lastMarksFound = result.marksFound;
    qCDebug(lcCalib) << "m_bSemiAutoCalib1 :" << int(m_bSemiAutoCalib);
    if (m_bSemiAutoCalib && (result.semiFellBack || !result.success)) {
        qCDebug(lcCalib) << "SemiAutoCalib Failed. Retry AutoCalib.";
        m_bSemiAutoCalib = false;
        m_bTuningFallback = result.semiFellBack;
    }
    const ProjectionParams& tp = result.tp;
    std::copy(tp.begin(), tp.end(), m_params.begin());
    logComputation(true, link::g_nAC);

    if (!result.success) {
        m_nState = Idle;
        m_psCalibDlg->hide();
        slotSetCalibResult(0);
        return;
    }
    qCDebug(lcCalib) << "m_bSemiAutoCalib2 :" << int(m_bSemiAutoCalib);
    if (m_bSemiAutoCalib) {
        qCDebug(lcCalib) << "before StopSemiAutoCalibration";
        startTuningStage();
        return;
    }
    upload(false, 0, nullptr);
}
