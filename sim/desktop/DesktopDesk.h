#pragma once

#include <QObject>
#include <QRect>
#include <QTimer>
#include <memory>

class DeskSight;
class DesktopScene;
class QTouchDevice;
class QWidget;

// The desktop as the virtual module meets it, on the user-interface thread: it photographs
// the projector's monitor (the calibration screen unless the profile names another) for the
// module's camera whenever anything is painted, shown or hidden, and at least every 100 ms; it
// tells the module's pen where the calibration window's target symbol rests; and it carries out the
// module's touches and the virtual user's key presses.
class DesktopDesk : public QObject {
    Q_OBJECT

public:
    DesktopDesk(std::shared_ptr<DesktopScene> scene, std::shared_ptr<DeskSight> sight,
                QObject* parent = nullptr);
    ~DesktopDesk() override;

    // The calibration screen, where the calibration window goes and touches land.
    static QRect calibrationMonitor();
    // The projector: monitor number (1 = leftmost) or 0 for the calibration screen. A number
    // past the last monitor leaves the projector dark.
    void setProjectorMonitor(int number) { m_nProjectorMonitor = number; }

    // Takes the monitor's picture and the symbol's place now.
    void refresh();
    // A touch pressed and released at fractions (fx, fy) of the calibration monitor, given to
    // the window under that point as the operating system gives a touch screen's touches.
    void touchAt(double fx, double fy);
    // Backspace in the visible calibration window.
    void pressBack();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void scheduleRefresh();
    QRect projectorMonitor() const;

    std::shared_ptr<DesktopScene> m_scene;
    std::shared_ptr<DeskSight> m_sight;
    QTimer m_refreshTimer;
    QTouchDevice* m_touchDevice = nullptr;
    bool m_refreshPending = false;
    bool m_grabbing = false;
    int m_nProjectorMonitor = 0;
};
