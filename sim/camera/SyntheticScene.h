#pragma once

#include "sim/SceneSource.h"
#include "sim/camera/SyntheticCamera.h"

#include <mutex>

// A screen picture seen through a true model, as a scene the virtual module can photograph:
// 1280 x 720 requests get the capture, every other size the live picture scaled to it.
class SyntheticScene : public SceneSource {
public:
    SyntheticScene(QImage screen, const ProjectionParams& truth, const CameraLight& light);

    // Shown from the next picture on; safe from any thread.
    void setScreen(QImage screen);

    QImage frame(int width, int height) override;

private:
    std::mutex m_mutex;
    QImage m_screen;
    const ProjectionParams m_truth;
    const CameraLight m_light;
};
