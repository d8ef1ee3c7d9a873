#pragma once

#include "AlignmentForm.h"
#include "MaskBitmap.h"
#include "display/KqUtils.h"

#include <QDialog>

class LanguageTable;
class QLabel;
class maskDlg;

// Sensor gain for each step of the brightness slider.
inline constexpr unsigned short alignGainTable[10] = {16,  32,  64,  128, 192,
                                                      256, 384, 512, 768, 1023};

// The full-screen view in which the user aims the camera module at the projected picture: the
// live picture in the middle, a thick frame and two arrow marks along the display's edges for
// the camera to see, the brightness control and, for firmware that supports it, the mask
// editor. It holds the module's mask bitmap in both directions. It never talks to the device:
// its requests leave as signals that the setup window routes.
class AlignmentDlg : public QDialog {
    Q_OBJECT

public:
    // Firmware lower numbers from this one on accept a mask.
    static constexpr int kMaskFirmwareLower = 14;

    explicit AlignmentDlg(const LanguageTable* pLanguage, QWidget* parent = nullptr);

    void SetAlignmentDisplay(bool on);
    // Shows the view over the monitor SetAlignmentDisplay(true) chose, and tells the user when
    // the desktop keeps it elsewhere: aiming the camera needs the view on the projector.
    void showOnMonitor();
    // Takes the firmware lower number from the last two characters of the version text.
    void SetFWVersion(const QString& version);
    // Moves the slider to step and sends its gain.
    void SetGainStep(int step);

    // The setup window puts every live picture (640 x 360) into this label while the view is
    // in display mode and visible.
    QLabel* imageLabel() const { return m_ui.label; }
    bool isDisplayOn() const { return m_bDisplay; }
    bool isMaskMode() const { return m_bMaskMode; }
    int fwLower() const { return m_nFWLower; }
    int binMode() const { return m_nBinMode; }
    double dpiRatio() const { return m_dpiRatio; }
    maskDlg* maskEditor() const { return m_pMaskDlg; }
    // The pause after the gain write when display mode starts, so that the sensor has settled
    // before the first picture is asked for.
    void setOpeningPause(int ms) { m_nOpeningPauseMs = ms; }

    // The mask bitmap (MaskBitmap.h): received from the device, rebuilt from the editor, sent
    // back by the setup window when sigStopAlignmentDisplay carries true.
    unsigned char m_pMaskBufBit[MaskBitmap::kBytes];

signals:
    void sigCamParamSend(int addr, int value);
    void sigCamParamSendWait(unsigned short gain, unsigned int expo);
    // bMask: the mask bitmap holds a mask worth uploading.
    void sigStopAlignmentDisplay(bool bMask);
    void sigSetBin(int bin);
    void sigDraw();
    void sigEraserAll();
    void sigEraserFree();

public slots:
    void onDraw();
    void onEraser();
    void onEraserAll();
    void SetReceiveMask(unsigned char* mask, int length);
    void on_pushButton_clicked();
    void on_pushB_clicked();
    void valueAlignmentGain();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void applyTexts();
    void applyMaskToggleHint();
    void openMaskEditor();
    void closeMaskEditor();
    void sendGain();

    AlignmentForm m_ui;
    maskDlg* m_pMaskDlg = nullptr;
    const LanguageTable* m_pLanguage;
    bool m_bMaskMode = false;
    bool m_bMaskReceived = false;
    // The bitmap was rebuilt from the editor at least once since start.
    bool m_bMaskEdited = false;
    ScreenDesc m_monitor;
    int m_nWidth = 0;
    int m_nHeight = 0;
    bool m_bDisplay = false;
    int m_nBinMode = 0;
    int m_nGainStep = 5;
    int m_nFWLower = 0;
    double m_dpiRatio = 1.0;
    int m_nOpeningPauseMs = 500;
};
