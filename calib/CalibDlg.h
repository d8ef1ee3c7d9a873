#pragma once

#include "calib/AccuracyCheck.h"
#include "calib/ScreenCanvas.h"
#include "compute/TargetLayout.h"
#include "display/KqUtils.h"

#include <QDialog>
#include <QImage>
#include <QMutex>
#include <QPixmap>
#include <QRect>

class LanguageTable;
class QLabel;
class QPropertyAnimation;
class QPushButton;
class QTimer;

// Armed by the controller before each touch probe; cleared by the calibration window at the
// first released touch, or by the controller when the probe times out. User-interface thread.
extern bool g_bTouchCapture;

// The frameless, always-on-top window that covers the leftmost monitor during a calibration:
// black, white or pattern screens for the camera, the target screen for the pen, and the
// catcher of the touches the module injects. User-interface thread only, except the
// pointer-moved flag, which has its own lock.
class CalibDlg : public QDialog {
    Q_OBJECT

public:
    enum PaintMode {
        Black = 0,
        White = 1,
        Targets = 2,
        Pattern = 3,
        KeepMode = 4,
        Outcome = 5,
        Check = 6,        // the accuracy check's targets, touched one by one
        CheckSummary = 7, // its figures, with every target's error and the worst one marked
    };

    // What the window shows, for peers that must not depend on its widgets (the virtual
    // module's desk).
    struct View {
        int paintMode = Black;
        QRect monitor;          // where the window really is on the desktop
        TargetPoints targets{}; // unused slots are (0, 0)
        int count = 0;          // targets of the running calibration
        int index = 0;          // the current target
        bool symbolShown = false;
        QRect symbol; // the target symbol, in window coordinates
        bool symbolGliding = false;
    };

    explicit CalibDlg(const LanguageTable* pText);

    // Written by the setup window, read by the controller and the computation.
    int m_nCeiling = 0;
    int m_nRear = 0;
    int m_nLens = 0;
    int m_nPenSelect = 0;

    void prepareWindow(int mode);
    void prepareAutoTargets();
    void prepareManualTargets();
    void prepareTuningTargets();
    // The accuracy check's 9 targets; afterCalibration puts the calibration's success above
    // the instruction.
    void prepareCheckTargets(bool afterCalibration);
    void InitialCalibration(bool bAuto);

    void setCurrentIndex(int index) { m_nIndex = index; }
    void setCount(int count) { m_nCount = count; }
    // The current target index (the name is the one the controller has always used).
    int getCount() const { return m_nIndex; }
    void incIndex() { ++m_nIndex; }
    void decIndex() { --m_nIndex; }
    const TargetPoints& targetPoints() const { return m_ptTarget; }
    void getWindowSize(int& w, int& h) const;

    void setPointerMoved(bool moved);
    bool isPointerMoved();

    void setArcAnimation(bool on);
    void animateToNext();
    void animateToPrev();

    // Both return once the window has painted (or after about 31 ms), so that a screen is on
    // the display before the module is told to photograph it. showAndWait puts the window on
    // the calibration monitor and is false when the desktop kept it elsewhere: nothing the
    // camera sees or the pen touches then belongs to this window.
    [[nodiscard]] bool showAndWait();
    void setPaintMode(int mode);

    // A black screen with the text in its centre, e.g. a calibration's success.
    void showOutcome(const QString& text);
    // The accuracy check's result over the targets it was measured at.
    void showCheckSummary(const AccuracyCheck& check);
    // A line under the summary's verdict, e.g. that its report could not be written.
    void setCheckNote(const QString& text);
    // Whether the touch caught last was the pen's (a touch, or a click made from one) rather
    // than a plain mouse click.
    bool lastCatchByPen() const { return m_bLastCatchByPen; }

    int paintMode() const { return m_nPaintMode; }
    View view() const;
    // The status line as drawn now: the target's number and the Esc hint on the target
    // screen, else what showStatus set.
    QString statusText() const;
    double dpiRatio() const { return m_dpiRatio; }
    // The monitor the last prepareWindow chose.
    const ScreenDesc& monitor() const { return m_monitor; }
    bool isArcRunning() const { return m_bArcRunning; }

signals:
    void sigCaliDlgWorkingDone(bool bDone);
    void sigMCNextStepPointer();
    void sigMCPrevStepPointer();
    void sigTouchEvent(int x, int y);

public slots:
    void OnTimer();
    // A status line drawn over the current screen until the next prepareWindow; callers show
    // it only once the module has photographed that screen. The target screen shows the
    // target's number and the Esc hint on its own.
    void showStatus(const QString& text);

private slots:
    void on_pushButton_clicked();
    void on_pushButtonLeft_clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setupUi();
    void putSymbolOnFirstTarget();
    void cancelByUser();
    void backByUser();
    void glide(int from, int to);
    void showRings(int sweepDegrees, const QColor& color);
    void waitWhile(const bool& flag);
    void paintStatus(QPainter& painter);
    ScreenCanvas canvas() const;
    void catchTouchRelease(const QPointF& localPos, const QPointF& screenPos);

    QLabel* label = nullptr;
    QPushButton* pushButton = nullptr;
    QPushButton* pushButtonLeft = nullptr;
    const LanguageTable* m_pText = nullptr;

    TargetPoints m_ptTarget{};
    int m_nIndex = 0;
    int m_nCount = 0;
    int m_nPaintMode = Black;
    ScreenDesc m_monitor;
    int m_nWidth = 0;
    int m_nHeight = 0;
    bool m_bPainting = false;
    bool m_bBusy = false;
    bool m_bArcRunning = false;
    QPropertyAnimation* m_pAnim = nullptr;
    QTimer* m_pArcTimer = nullptr;
    int m_nArcAngle = 0;
    QMutex m_mutex;
    bool m_bPointerMoved = false;
    QImage m_imgBackground;
    QPixmap m_pixSymbol;
    double m_dpiRatio = 1.0;
    QString m_sStatus;
    bool m_bCheckAfterCalibration = false;
    AccuracyCheck m_check;
    QString m_sCheckNote;
    bool m_bLastCatchByPen = true;
};
