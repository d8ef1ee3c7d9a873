#pragma once

#include "app/ToolkitLanguage.h"
#include "app/panel/Lens.h"
#include "calib/ScreenFinder.h"
#include "device/Transport.h"
#include "display/KqUtils.h"
#include "language/LanguageTable.h"

#include <QDialog>
#include <QImage>
#include <memory>

class AlignmentDlg;
class MainDlg;
class TvMainCtrl;
class UpdateLoader;

// The hidden hub window: owns the language table, the controller, the main panel and the
// alignment view, routes their signals to each other, and reads and writes the settings.
class TvSetupDlg : public QDialog {
    Q_OBJECT

public:
    TvSetupDlg(QWidget* parent, bool autoUpdate, std::unique_ptr<Transport> transport);
    ~TvSetupDlg() override;

    LanguageTable* language() const { return m_pLanguage; }
    TvMainCtrl* controller() const { return m_pMainCtrl; }
    MainDlg* mainPanel() const { return m_psMainDlg; }
    AlignmentDlg* alignmentView() const { return m_psAlignDlg; }
    ScreenFinder* screenFinder() const { return m_pScreenFinder; }

    // Called once, after the window has been hidden and before the event loop runs.
    void start();

    // How long the calibration window says "succeeded" before the program ends; 0 skips it.
    int successPause() const { return m_nSuccessPauseMs; }
    void setSuccessPause(int ms) { m_nSuccessPauseMs = ms; }
    // After a successful calibration the interactive program offers the accuracy check;
    // scripted runs (TIVORA_UNATTENDED=1, --calibrate) end at once as they always did.
    void setOfferCheck(bool offer) { m_bOfferCheck = offer; }
    // The one file every accuracy check writes its figures to (--report FILE); empty: a file
    // of its own per check in the user's state folder.
    void setReportPath(const QString& path) { m_sReportPath = path; }
    QString reportPath() const { return m_sReportPath; }
    // The last check's report, and why it could not be written (empty when it was).
    QString lastReportPath() const { return m_sLastReport; }
    QString reportError() const { return m_sReportError; }

    // The monitor to calibrate for this run only (--screen), over the stored one.
    void useScreenForThisRun(const QString& name);
    // Looks for the projector's monitor with the camera; the outcome is stored and shown.
    void findScreen();

signals:
    void sigStartAlignmentDisplay();
    void sigStartMCalibration();
    void sigStartACalibration();
    void sigStartSCalibration();
    void sigChangeUIState(bool bEnable);
    void sigClose(int code);

public slots:
    void slotSetFWVersion(QString sVersion);
    void slotSetFWOption(unsigned char ceiling, unsigned char rear, unsigned char finger,
                         unsigned char lens);
    void slotReceiveMask(unsigned char* mask, int len);
    void slotStartAlignmentDisplay();
    void slotStopAlignmentDisplay(bool bMask);
    void slotStartACalibration();
    void slotStartMCalibration();
    void slotStartSCalibration();
    void slotStartAccuracyCheck();
    // A later start of the program: the window the user works in comes to the front.
    void bringToFront();
    void slotAccuracyChecked();
    void slotAccuracyCheckLeft(bool completed);
    void slotUpdateAlignImage(QImage sImage);
    void slotCloseDlg(int code);
    // The controller's close: after a successful calibration (code 0) the success screen.
    void slotCalibrationClosed(int code);
    void slotChangeUIState(bool bEnable);
    void slotCamParamSend(int addr, int value);
    void slotCamParamSendWait(unsigned short gain, unsigned int expo);
    void slotSetCeiling(bool bcheck);
    void slotSetRear(bool bcheck);
    void slotSetBin(int bSetbin);
    void slotSetLens(eLens lens);
    void slotSetFingerMode(bool bcheck);
    void slotSetPenSelect(bool bcheck);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Pending { None, Auto, Manual, SemiAuto };

    void leaveAlignmentForCalibration();
    // Before the first calibration of a run with several monitors and no usable choice, the
    // screen search comes first and the calibration follows it.
    bool searchScreenFirst(Pending calibration);
    void startPending(Pending calibration);
    // "Calibration succeeded", and the touch mapping hint with several monitors (logged too).
    QString successText() const;
    void onScreenSearched(const ScreenFinder::Result& result);

    TvMainCtrl* m_pMainCtrl = nullptr;
    LanguageTable* m_pLanguage = nullptr;
    ToolkitLanguage m_toolkitLanguage; // outlives the table, which is deleted in the destructor
    MainDlg* m_psMainDlg = nullptr;
    AlignmentDlg* m_psAlignDlg = nullptr;
    UpdateLoader* m_pUpdateLoader = nullptr;
    ScreenFinder* m_pScreenFinder = nullptr;
    int m_nSuccessPauseMs;
    bool m_bOfferCheck;
    QString m_sReportPath;
    QString m_sLastReport;
    QString m_sReportError;
    QString m_sInputDevice; // the module's touch input device as last reported; empty: unknown
    // The check runs in place of the success screen, so leaving it ends the program.
    bool m_bCheckEndsProgram = false;
    ScreenChoice m_storedScreen;  // what config.ini keeps: the last screen found or stored
    bool m_bScreenChosen = false; // --screen, or a search already made in this run
    Pending m_ePending = Pending::None;
};
