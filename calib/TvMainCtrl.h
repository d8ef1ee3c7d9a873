#pragma once

#include "calib/AccuracyCheck.h"
#include "calib/ConnectionStatus.h"
#include "compute/AutoCalibration.h"
#include "device/Transport.h"
#include "device/TuningRecord.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <array>
#include <atomic>
#include <memory>
#include <opencv2/core/mat.hpp>

class CalibDlg;
class CamDevCtrl;
class LanguageTable;
class QThread;
class QTimer;

// Joins the windows to the camera module: watches the module's connection, forwards its
// reports, feeds the live view, and runs the automatic, manual and semi-automatic calibration
// as one state machine with their common tail (upload, touch probes, ratio correction).
// Everything runs on the user-interface thread except the connection watch.
class TvMainCtrl : public QObject {
    Q_OBJECT

public:
    // Calibration steps (m_nState).
    enum State {
        Idle = 0,
        ManualTargets = 3,
        InputPointsRequested = 4,
        BlackCapture = 6,
        BlackImageRequested = 7,
        WhiteCapture = 8,
        WhiteImageRequested = 9,
        PatternCapture = 10,
        PatternImageRequested = 11,
        Uploaded = 15,
        RatioCheck = 16,
        CheckTargets = 20, // the accuracy check's targets shown, one at a time
        CheckSummary = 21, // its figures shown until Esc
    };
    // The message a failed calibration shows: "M14", entry 13 of the message table.
    static constexpr int kMsgCalibrationFailed = 13;
    // Entries of the calibration status texts the controller shows.
    static constexpr int kTextComputing = 0;
    static constexpr int kTextChecking = 1;
    static constexpr int kTextSucceeded = 4;
    static constexpr int kTextNoScreen = 5;
    static constexpr int kTextTooFewMarks = 6;
    static constexpr int kTextFitFailed = 7;
    static constexpr int kTextSeeAlignment = 8;
    // Entry of the screen choice texts: the window is not on its monitor.
    static constexpr int kTextOffMonitor = 6;

    TvMainCtrl(QObject* parent, const LanguageTable* text, std::unique_ptr<Transport> transport);
    ~TvMainCtrl() override;

    void startCheckThread();
    void StartAutoCalibration();
    void StartManualCalibration();
    void StartSemiAutoCalibration();
    // Whether StartAccuracyCheck began a check, and why not.
    // OffMonitor: the desktop kept the window off its monitor; the user has been told.
    enum class CheckStart { Started, Unsupported, NoCalibration, OffMonitor };
    // Each check target waits this long for its touch; then the check has failed.
    static constexpr int kCheckTargetWaitMs = 20000;
    // The accuracy check of the module's stored calibration: 9 targets the user touches with
    // the pen, reported as the module's normal touch input. Only on firmware that allows
    // calibration and a module that holds one. afterCalibration: the window says first that
    // a calibration succeeded.
    CheckStart StartAccuracyCheck(bool afterCalibration);
    // The module holds a calibration: its stored record has one, or it took one this run.
    bool holdsCalibration() const { return m_bCalibrationHeld; }
    const AccuracyCheck& accuracyCheck() const { return m_check; }
    void startLiveImage();
    void stopLiveImage();
    void sendMask(unsigned char* mask, int size);
    void sendCamParam(unsigned short address, unsigned char value);
    void sendCamGain(unsigned short gain, unsigned int exposure);

    CalibDlg* calibDlg() const { return m_psCalibDlg; }
    void releaseCalibDlg();
    CamDevCtrl* device() const { return m_pDevice; }
    bool isCamConnected() const { return m_bCamConnected; }
    int state() const { return m_nState; }
    int fwLower() const { return m_nFWLower; }
    bool fwSupported() const { return m_bFWSupported != 0; }
    const TuningRecord& prevTweak() const { return m_sPrevTweak; }
    int lastMarksFound() const { return m_lastMarksFound; }
    // The pen type the calibration window holds; set by the setup window.
    void setPenType(int penType);

signals:
    void sigSetFWVersion(QString sVersion);
    void sigSetFWOption(unsigned char ceiling, unsigned char rear, unsigned char finger,
                        unsigned char lens);
    void sigReceiveMask(unsigned char* mask, int size);
    void sigUpdateAlignImage(QImage sImage);
    void sigChangeUIState(bool bEnable);
    // After each look of the connection watch; serial and the name of the module's touch input
    // device (empty when unknown) only with Connected.
    void sigConnectionStatus(ConnectionStatus status, QString serial, QString inputDevice);
    void sigClose(int code);
    // The module's stored record arrived (prevTweak() holds its calibration's window size).
    void sigStoredRecord();
    // Whether the module holds a calibration changed or was learnt (holdsCalibration()).
    void sigCalibrationHeld(bool held);
    // Every check target was touched; accuracyCheck() holds the figures.
    void sigAccuracyChecked();
    // The check's window was left with Esc; completed when its figures were shown.
    void sigAccuracyCheckLeft(bool completed);
    // The check could not run; reason is what the user was shown.
    void sigAccuracyCheckFailed(QString reason);

public slots:
    void slotSetFWVersion(QString sVersion);
    void slotSetFWOption(unsigned char c, unsigned char r, unsigned char f, unsigned char l);
    void slotSetPrevTweak(unsigned char* pEEPROM);
    void slotReceiveMask(unsigned char* mask, int size);
    void slotNewFrameReceived(unsigned char* data, int size);
    void slotNewACImageReceived(unsigned char* data, int size);
    void slotACNextStep();
    void slotACImageFailed();
    void slotMCNextStep(int* data, int size);
    void slotMCDone();
    void slotMCNextStepPointer();
    void slotMCPrevStepPointer();
    void slotCaliDlgWorkingDone(bool bDone);
    void slotSetCalibResult(int result);
    void slotTouchEvent(int x, int y);
    void OnTimerTouchEvent();

private:
    void CheckCamConnectProc();
    // Watch thread: why the open link must be opened again; empty while it serves.
    QString linkTrouble();
    ConnectionStatus searchingStatus();
    void showLinkHealth();
    void showStatus(ConnectionStatus status);
    bool startPreamble(const char* name, bool semiAuto);
    int imageReverseFlag() const;
    void startCaptureChain();
    void advanceAutoChain();
    void runAutoComputation();
    void startTuningStage();
    void startTargets(int count);
    void onInputPoints(const uint8_t* points);
    // The window's and the module's settings as the computation takes them: window size,
    // point counts, lens, firmware, pen, ceiling and rear; no window points or tweaks yet.
    AutoCalibrationInput calibrationInput() const;
    // Hands the fit the window points with those settings and the predefined tweak table.
    void setCalibInformation(const cv::Point2f* windowPoints, int count);
    void upload(bool tweakPresent, int tweakCount, const float* tweaks);
    void onCheckTouch(int x, int y);
    void onCheckTargetWaited();
    void endAccuracyCheck();
    void leaveAccuracyCheck();
    void setCalibrationHeld(bool held);
    void startProbe(int index);
    void stopProbeTimer();
    void finishCalibration();
    // M14, after an automatic computation followed by what it saw and where to look.
    QString failureMessage() const;
    // The desktop kept the calibration window off its monitor: nothing is measured there.
    void failOffMonitor();
    QString offMonitorText() const;
    void logComputation(bool withOrg, int n) const;

    CalibDlg* m_psCalibDlg = nullptr;
    CamDevCtrl* m_pDevice = nullptr;
    QThread* m_pThreadCheckCam = nullptr;
    std::atomic<bool> m_bStopCheck{false};
    std::atomic<bool> m_bCamConnected{false};
    // Watch thread only: since when the link is open, and the status last shown for it.
    QElapsedTimer m_openedAt;
    // On the watch thread: since when no module has been found; invalid while one is there.
    QElapsedTimer m_notFoundSince;
    ConnectionStatus m_eShownStatus = ConnectionStatus::Searching;
    const LanguageTable* m_pText;
    int m_nState = Idle;
    bool m_bSemiAutoCalib = false;
    // A target's repaint after a report runs (see slotMCNextStep).
    bool m_bRepaintingTarget = false;
    bool m_bTuningFallback = false;
    std::atomic<int> m_bFWSupported{0};
    int m_nFWLower = 10;
    int m_nACImageId = 0;
    QDateTime m_tPhaseStart;
    cv::Mat m_pImgBlack, m_pImgWhite, m_pImgPattern, m_pImgNorm;
    TuningRecord m_sPrevTweak;
    std::array<QPoint, 2> m_ptProbe{QPoint(1000, 1000), QPoint(3800, 2000)};
    int m_nProbeIndex = 0;
    std::array<QPoint, 2> m_ptTouched{};
    QTimer* m_pTouchTimer = nullptr;
    std::array<double, 32> m_params{};
    // What the last automatic computation saw, for the failure message.
    CalibrationFailure m_lastFailure = CalibrationFailure::None;
    int m_lastMarksFound = 0;
    bool m_bWindowOffMonitor = false;
    AccuracyCheck m_check;
    QTimer* m_pCheckWait = nullptr;
    bool m_bCalibrationHeld = false;
};
