#include "calib/TvMainCtrl.h"

#include "calib/CalibDlg.h"
#include "calib/RatioCorrection.h"
#include "compute/CalibWorkspace.h"
#include "compute/YThreshold.h"
#include "device/CamDevCtrl.h"
#include "device/LinkStorage.h"
#include "device/RecordLayout.h"
#include "display/KqUtils.h"
#include "display/UserMessage.h"
#include "language/LanguageTable.h"
#include "log/LogCategories.h"
#include "log/Pause.h"

#include <QDebug>
#include <QThread>
#include <QTimer>
#include <cstring>

namespace {

constexpr int kProbeTimeoutMs = 1000;
// "M25", entry 24 of the message table.
constexpr int kMsgTuningFallback = 24;

} // namespace

TvMainCtrl::TvMainCtrl(QObject* parent, const LanguageTable* text,
                       std::unique_ptr<Transport> transport)
    : QObject(parent), m_pText(text) {
    qRegisterMetaType<ConnectionStatus>("ConnectionStatus");
    m_tPhaseStart = QDateTime::currentDateTime();
    m_pDevice = new CamDevCtrl(std::move(transport));
    connect(m_pDevice, &CamDevCtrl::sigSetFWVersion, this, &TvMainCtrl::slotSetFWVersion);
    connect(m_pDevice, &CamDevCtrl::sigSetFWOption, this, &TvMainCtrl::slotSetFWOption);
    connect(m_pDevice, &CamDevCtrl::sigSetPrevTweak, this, &TvMainCtrl::slotSetPrevTweak);
    connect(m_pDevice, &CamDevCtrl::sigReceiveMask, this, &TvMainCtrl::slotReceiveMask);
    connect(m_pDevice, &CamDevCtrl::sigNewFrame, this, &TvMainCtrl::slotNewFrameReceived);
    connect(m_pDevice, &CamDevCtrl::sigACNewFrame, this, &TvMainCtrl::slotNewACImageReceived);
    connect(m_pDevice, &CamDevCtrl::sigACNextStep, this, &TvMainCtrl::slotACNextStep);
    connect(m_pDevice, &CamDevCtrl::sigACImageFailed, this, &TvMainCtrl::slotACImageFailed);
    connect(m_pDevice, &CamDevCtrl::sigMCNextStep, this, &TvMainCtrl::slotMCNextStep);
    connect(m_pDevice, &CamDevCtrl::sigMCDone, this, &TvMainCtrl::slotMCDone);

    m_psCalibDlg = new CalibDlg(text);
    connect(m_psCalibDlg, &CalibDlg::sigCaliDlgWorkingDone, this,
            &TvMainCtrl::slotCaliDlgWorkingDone);
    connect(m_psCalibDlg, &CalibDlg::sigMCNextStepPointer, this,
            &TvMainCtrl::slotMCNextStepPointer);
    connect(m_psCalibDlg, &CalibDlg::sigMCPrevStepPointer, this,
            &TvMainCtrl::slotMCPrevStepPointer);
    connect(m_psCalibDlg, &CalibDlg::sigTouchEvent, this, &TvMainCtrl::slotTouchEvent);

    m_pImgBlack =
        cv::Mat::zeros(record_layout::kCaptureHeight, record_layout::kCaptureWidth, CV_8UC1);
    m_pImgWhite =
        cv::Mat::zeros(record_layout::kCaptureHeight, record_layout::kCaptureWidth, CV_8UC1);
    m_pImgPattern =
        cv::Mat::zeros(record_layout::kCaptureHeight, record_layout::kCaptureWidth, CV_8UC1);
    m_pImgNorm =
        cv::Mat::zeros(record_layout::kCaptureHeight, record_layout::kCaptureWidth, CV_8UC1);
    m_sPrevTweak = TuningRecord{};
    qCDebug(lcCalib) << "sizeof(tEEPROM) =" << link::kEepromSize;
}

TvMainCtrl::~TvMainCtrl() {
    m_pImgBlack.release();
    m_pImgWhite.release();
    m_pImgPattern.release();
    m_pImgNorm.release();
    m_bStopCheck = true;
    m_pDevice->StopOpening();
    if (m_pThreadCheckCam) {
        if (!m_pThreadCheckCam->wait(5000))
            qCDebug(lcCalib) << "m_pThreadCheckCam is still running";
        // The link goes away below, so a watch that is still inside it must be waited for.
        m_pThreadCheckCam->wait();
        delete m_pThreadCheckCam;
    }
    m_pDevice->disconnect(this);
    delete m_pDevice;
    releaseCalibDlg();
}

void TvMainCtrl::releaseCalibDlg() {
    if (!m_psCalibDlg)
        return;
    m_psCalibDlg->disconnect(this);
    m_psCalibDlg->hide();
    delete m_psCalibDlg;
    m_psCalibDlg = nullptr;
}

void TvMainCtrl::setPenType(int penType) {
    m_psCalibDlg->m_nPenSelect = penType;
}

void TvMainCtrl::slotSetFWVersion(QString sVersion) {
    m_bFWSupported = 0;
    if (sVersion.startsWith(QLatin1String("50.")))
        m_bFWSupported = 1;
    if (sVersion.startsWith(QLatin1String("51."))) {
        m_bFWSupported = 1;
        bool ok = false;
        const int lower = sVersion.right(2).toInt(&ok);
        m_nFWLower = ok && lower >= 10 ? lower : 0;
        qCDebug(lcCalib) << "m_nFWLower ==> " << m_nFWLower;
    }
    emit sigSetFWVersion(sVersion);
}

void TvMainCtrl::slotSetFWOption(unsigned char c, unsigned char r, unsigned char f,
                                 unsigned char l) {
    emit sigSetFWOption(c, r, f, l);
}

void TvMainCtrl::slotSetPrevTweak(unsigned char* pEEPROM) {
    m_sPrevTweak = TuningRecord::fromDeviceRecord(pEEPROM);
    // A record that names no window was never written by a calibration.
    setCalibrationHeld(m_sPrevTweak.windowWidth > 0 && m_sPrevTweak.windowHeight > 0);
    emit sigStoredRecord();
}

void TvMainCtrl::setCalibrationHeld(bool held) {
    m_bCalibrationHeld = held;
    emit sigCalibrationHeld(held);
}

void TvMainCtrl::slotReceiveMask(unsigned char* mask, int size) {
    qCDebug(lcCalib) << "TvMainCtrl::slotReceiveMask ==>" << size;
    emit sigReceiveMask(mask, size);
}

AutoCalibrationInput TvMainCtrl::calibrationInput() const {
    const CalibDlg& dlg = *m_psCalibDlg;
    AutoCalibrationInput input;
    dlg.getWindowSize(input.windowWidth, input.windowHeight);
    input.patternCount = link::g_nAC;
    input.manualCount = link::g_nMC;
    input.lens = dlg.m_nLens;
    input.fwLower = m_nFWLower;
    input.pen = dlg.m_nPenSelect;
    input.ceiling = dlg.m_nCeiling;
    input.rear = dlg.m_nRear;
    return input;
}

void TvMainCtrl::setCalibInformation(const cv::Point2f* windowPoints, int count) {
    calibWorkspace().setCalibInformation(
        calibInformationFor(calibrationInput(), windowPoints, count));
}

int TvMainCtrl::imageReverseFlag() const {
    const int lens = m_psCalibDlg->m_nLens;
    return lens >= 1 && lens <= 4 ? 1 : 0;
}

void TvMainCtrl::startLiveImage() {
    m_pDevice->DeleteThread();
    m_pDevice->SetRecvEndpoint(1);
    m_pDevice->CreateRecvPacketThread();
    m_pDevice->SetImageReverse(imageReverseFlag());
    pause::sleepMs(200);
    m_pDevice->RequestLiveImage();
    m_pDevice->SetLiveViewStop(false);
}

void TvMainCtrl::stopLiveImage() {
    m_pDevice->SetLiveViewStop(true);
    m_pDevice->DeleteThread();
    m_pDevice->SetRecvEndpoint(0);
    m_pDevice->CreateRecvPacketThread();
}

void TvMainCtrl::slotNewFrameReceived(unsigned char* data, int size) {
    if (size != CamDevCtrl::kLiveImageSize)
        return;
    // The picture owns its pixels: the link's buffer is refilled by the next frame while a
    // receiver may still hold this one.
    QImage picture(640, 360, QImage::Format_RGB888);
    for (int y = 0; y < 360; ++y) {
        uchar* line = picture.scanLine(y);
        const unsigned char* grey = data + y * 640;
        for (int x = 0; x < 640; ++x)
            line[3 * x] = line[3 * x + 1] = line[3 * x + 2] = grey[x];
    }
    emit sigUpdateAlignImage(picture);
    if (!m_pDevice->IsLiveViewStopped())
        m_pDevice->RequestLiveImage();
}

void TvMainCtrl::sendMask(unsigned char* mask, int size) {
    m_pDevice->SetMask(mask, size);
}

void TvMainCtrl::sendCamParam(unsigned short address, unsigned char value) {
    m_pDevice->QueueRegisterWrite(address, value);
}

void TvMainCtrl::sendCamGain(unsigned short gain, unsigned int exposure) {
    m_pDevice->QueueGainWrite(gain, exposure);
}

bool TvMainCtrl::startPreamble(const char* name, bool semiAuto) {
    qCDebug(lcCalib) << name;
    if (m_bFWSupported == 0)
        return false;
    m_psCalibDlg->hide();
    m_pDevice->SetCalibMode(m_bFWSupported, m_psCalibDlg->m_nLens);
    calibWorkspace().setPointCounts(link::g_nAC, link::g_nMC);
    m_bSemiAutoCalib = semiAuto;
    m_bTuningFallback = false;
    m_lastFailure = CalibrationFailure::None;
    m_bWindowOffMonitor = false;
    // A calibration left with Esc must not be taken for an earlier one that succeeded.
    calibWorkspace().calib_success = 0;
    return true;
}

void TvMainCtrl::upload(bool tweakPresent, int tweakCount, const float* tweaks) {
    int w = 0, h = 0;
    m_psCalibDlg->getWindowSize(w, h);
    ProjectionParams tp{};
    std::copy_n(m_params.begin(), tp.size(), tp.begin());
    const int yThreshold = calcYThreshold(tp, w, h);
    m_pDevice->send_set_calib_parameter(
        m_params.data(), uint8_t(m_psCalibDlg->m_nCeiling), uint8_t(m_psCalibDlg->m_nRear),
        int16_t(w), int16_t(h), m_psCalibDlg->m_nLens, uint8_t(imageReverseFlag()), tweakPresent,
        tweakCount, tweaks, true, yThreshold, yThreshold, m_nFWLower);
    m_nState = Uploaded;
}

void TvMainCtrl::startProbe(int index) {
    if (index < 0 || index > 1)
        return;
    g_bTouchCapture = true;
    m_psCalibDlg->showStatus(m_pText->textCS(kTextChecking));
    stopProbeTimer();
    m_pTouchTimer = new QTimer(this);
    m_pTouchTimer->setSingleShot(true);
    connect(m_pTouchTimer, &QTimer::timeout, this, &TvMainCtrl::OnTimerTouchEvent);
    m_pTouchTimer->start(kProbeTimeoutMs);
    m_pDevice->SendCoord(1, m_ptProbe[size_t(index)].x(), m_ptProbe[size_t(index)].y());
}

void TvMainCtrl::stopProbeTimer() {
    if (!m_pTouchTimer)
        return;
    m_pTouchTimer->disconnect(this);
    m_pTouchTimer->stop();
    m_pTouchTimer->deleteLater();
    m_pTouchTimer = nullptr;
}

void TvMainCtrl::slotTouchEvent(int x, int y) {
    if (m_nState == CheckTargets) {
        onCheckTouch(x, y);
        return;
    }
    stopProbeTimer();
    if (m_nProbeIndex == 0 || m_nProbeIndex == 1) {
        m_ptTouched[size_t(m_nProbeIndex)] = QPoint(x, y);
        if (m_nState == RatioCheck)
            slotACNextStep();
    }
}

void TvMainCtrl::OnTimerTouchEvent() {
    qCDebug(lcCalib) << "OnTimerTouchEvent()";
    stopProbeTimer();
    g_bTouchCapture = false;
    m_pDevice->SetFixCoordRatio(0, 0.0);
    finishCalibration();
}

void TvMainCtrl::slotSetCalibResult(int result) {
    if (result == 0)
        user_message::critical(nullptr, failureMessage());
}

QString TvMainCtrl::failureMessage() const {
    const QString failed = m_pText->textM(kMsgCalibrationFailed);
    if (m_bWindowOffMonitor)
        return failed + QLatin1Char(' ') + offMonitorText();
    QString cause;
    switch (m_lastFailure) {
    case CalibrationFailure::NoScreen:
        cause = m_pText->textCS(kTextNoScreen);
        break;
    case CalibrationFailure::TooFewMarks:
        cause = m_pText->textCS(kTextTooFewMarks).arg(m_lastMarksFound);
        break;
    case CalibrationFailure::FitFailed:
        cause = m_pText->textCS(kTextFitFailed);
        break;
    case CalibrationFailure::None:
        return failed;
    }
    return failed + QLatin1Char(' ') + cause + QLatin1Char(' ') +
           m_pText->textCS(kTextSeeAlignment);
}

QString TvMainCtrl::offMonitorText() const {
    const ScreenDesc& monitor = m_psCalibDlg->monitor();
    return m_pText->textSC(kTextOffMonitor).arg(KqUtils::numberOf(monitor)).arg(monitor.name);
}

void TvMainCtrl::failOffMonitor() {
    m_nState = Idle;
    m_psCalibDlg->hide();
    if (m_psCalibDlg->paintMode() == CalibDlg::Check) {
        const QString text = offMonitorText();
        user_message::critical(nullptr, text);
        emit sigAccuracyCheckFailed(text);
        return;
    }
    m_bWindowOffMonitor = true;
    slotSetCalibResult(0);
}

void TvMainCtrl::finishCalibration() {
    m_nState = Idle;
    m_psCalibDlg->hide();
    const int success = calibWorkspace().calib_success;
    if (success)
        emit sigClose(0);
    slotSetCalibResult(success);
    if (m_bTuningFallback)
        user_message::information(nullptr, m_pText->textM(kMsgTuningFallback));
}

void TvMainCtrl::slotACNextStep() {
    switch (m_nState) {
    case Uploaded:
        // The module answered the upload: it holds the calibration now.
        setCalibrationHeld(true);
        m_nState = RatioCheck;
        m_nProbeIndex = 0;
        startProbe(0);
        return;
    case RatioCheck:
        ++m_nProbeIndex;
        if (m_nProbeIndex < 2) {
            startProbe(m_nProbeIndex);
            return;
        }
        {
            int w = 0, h = 0;
            m_psCalibDlg->getWindowSize(w, h);
            const RatioCorrection correction = computeRatioCorrection(m_ptTouched.data(), w, h);
            m_pDevice->SetFixCoordRatio(correction.mode, correction.value);
        }
        finishCalibration();
        return;
    default:
        break;
    }
    switch (m_nState) {
    case BlackCapture:
    case BlackImageRequested:
    case WhiteCapture:
    case WhiteImageRequested:
    case PatternCapture:
    case PatternImageRequested:
        advanceAutoChain();
        break;
    default:
        break;
    }
}

void TvMainCtrl::logComputation(bool withOrg, int n) const {
    const CalibWorkspace& ws = calibWorkspace();
    qCDebug(lcCalib).noquote() << QString::asprintf("calib_success = %d", ws.calib_success);
    qCDebug(lcCalib).noquote() << "-- tp --";
    for (int i = 0; i < 13; ++i)
        qCDebug(lcCalib).noquote() << QString::asprintf("m_tp[%2d] = %e;", i, m_params[size_t(i)]);
    qCDebug(lcCalib).noquote() << QString::asprintf("ac_loop = %d", ws.ac_loop);
    qCDebug(lcCalib).noquote() << QString::asprintf("ac_sse  = %f", ws.ac_sse);
    auto table = [n](const char* title, const auto& points) {
        qCDebug(lcCalib).noquote() << title;
        for (int i = 0; i < n && i < int(points.size()); ++i)
            qCDebug(lcCalib).noquote() << QString::asprintf(
                "%2d: %.2f, %.2f", i, double(points[i].x), double(points[i].y));
    };
    if (withOrg)
        table("-- ac_pattern_center_org --", ws.ac_pattern_center_org);
    table("-- ac_pattern_center_twk --", ws.ac_pattern_center_twk);
}
