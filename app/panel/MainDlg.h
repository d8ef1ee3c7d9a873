#pragma once

#include "Lens.h"
#include "calib/ConnectionStatus.h"

#include <QDialog>
#include <QPoint>
#include <memory>

class LanguageTable;
class QContextMenuEvent;
class QMenu;
class QAction;
struct MainDlgForm;

// The options panel the user sees while no calibration or alignment runs. It never talks to
// the device: every user action becomes one of its signals, and the device's reports come
// back through SetFWOption, SetFWVersion and SetUIState. All its texts come from the
// language table, whose language it also switches.
class MainDlg : public QDialog {
    Q_OBJECT

public:
    MainDlg(QWidget* parent, LanguageTable* pLanguage);
    ~MainDlg() override;

    // Four bytes from the device: non-zero flags and the lens type it reports.
    void SetFWOption(unsigned char ceiling, unsigned char rear, unsigned char finger,
                     unsigned char lens);
    void SetFWVersion(const QString& version);
    void SetUIState(bool enable);
    // The one-line status below the panel; serial comes from the module with Connected.
    void SetConnectionStatus(ConnectionStatus status, const QString& serial);
    // 0 normal pen, 1 plus pen; other values change nothing.
    void SetPenType(int penType);
    void SetLanguageText();
    // Once, when the panel is first shown.
    void InitLayout();
    // Lens 1 to 3 shows Auto, the tuning box and Manual; any other lens only Auto and Manual.
    void ShowCalibButton(int lens);
    // Whether the module holds a calibration, which the context menu's check needs.
    void SetCalibrationHeld(bool held) { m_bCalibrationHeld = held; }

    // The widgets, for the setup window's start-up and for tests.
    const MainDlgForm& form() const { return *m_pUi; }
    double dpiRatio() const { return m_dpiRatio; }

signals:
    void sigStartAlignmentDisplay();
    void sigStartMCalibration();
    void sigStartACalibration();
    void sigStartSCalibration();
    void sigSetCeiling(bool bcheck);
    void sigSetRear(bool bcheck);
    void sigSetFingerMode(bool bcheck);
    void sigSetPenSelect(bool bcheck);
    void sigSetLens(eLens lens);
    void sigClose(int code);
    // From the panel's context menu: measure the stored calibration's accuracy.
    void sigStartAccuracyCheck();
    // The panel's context menu: look for the projector's screen with the camera.
    void sigFindScreen();
    // "Open the mask editor": the alignment view with its editor open.
    void sigOpenMaskEditor();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void on_comboLanguage_currentIndexChanged(int index);
    void on_pushView_clicked();
    void on_pushAutoCalib_clicked();
    void on_pushManualCalib_clicked();
    void on_checkCeiling_clicked();
    void on_checkRear_clicked();
    void on_pushClose_clicked();
    void on_radioPen_clicked();
    void on_radioFinger_clicked();
    void on_radioNormalPen_clicked();
    void on_radioPlusPen_clicked();
    void on_comboLens_currentIndexChanged(int index);

private:
    // The window's own children and the children of each group box.
    QList<QWidget*> panelWidgets() const;
    void ScaleWidgets();
    void fitToScreen();
    void StoreCalibButtonPos();
    void setCalibControlsEnabled(bool enable);
    void fillLensBox();
    void fillLanguageBox();
    void fillInfoTexts();
    void applyDirection();
    Qt::LayoutDirection textDirection() const;
    void showConnectionStatus();
    // The panel's further functions (PanelMenu.cpp), in its context menu and behind the
    // menu button below the designed layout.
    void fillContextMenu(QMenu& menu);
    void explainDisabledControls();

    std::unique_ptr<MainDlgForm> m_pUi;
    // In the panel's menus, so that the panel's designed layout stays as it is.
    QAction* m_pFindScreen = nullptr;
    QMenu* m_pMoreMenu = nullptr;
    bool m_bRefreshing = true;
    LanguageTable* m_pLanguage;
    int m_nLangComboIndex = 0;
    int m_nLensIndex = 0;
    eLens m_eLens = LensNone;
    QPoint m_ptAuto;
    QPoint m_ptSemiAuto;
    QPoint m_ptManual;
    QPoint m_ptAutoAlt;
    QPoint m_ptManualAlt;
    double m_dpiRatio = 1.0;
    ConnectionStatus m_eStatus = ConnectionStatus::Searching;
    QString m_sSerial;
    QString m_sFirmware;
    bool m_bCalibrationHeld = false;
};
