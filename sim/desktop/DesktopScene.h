#pragma once

#include "sim/SceneSource.h"
#include "sim/SimProfile.h"
#include "sim/camera/SyntheticCamera.h"

#include <QImage>
#include <mutex>

// What the module's camera sees of the calibration monitor: the latest picture of the
// monitor, photographed through the profile's true model (made for the picture's size).
// Pictures come from the user-interface thread, frames are asked for on the module's
// thread; neither waits for the other.
class DesktopScene : public SceneSource {
public:
    explicit DesktopScene(const SimProfile& profile);

    // The monitor as painted now, in monitor pixels; any thread.
    void setMonitor(QImage picture);
    QImage monitor();

    // 1280 x 720: the capture; any other size: the live picture at half resolution, scaled.
    QImage frame(int width, int height) override;

private:
    const SimProfile m_profile;
    const CameraLight m_light;
    std::mutex m_mutex;
    QImage m_monitor;
};
