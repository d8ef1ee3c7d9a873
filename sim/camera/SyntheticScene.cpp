#include "sim/camera/SyntheticScene.h"

SyntheticScene::SyntheticScene(QImage screen, const ProjectionParams& truth,
                               const CameraLight& light)
    : m_screen(std::move(screen)), m_truth(truth), m_light(light) {}

void SyntheticScene::setScreen(QImage screen) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_screen = std::move(screen);
}

QImage SyntheticScene::frame(int width, int height) {
    QImage screen;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        screen = m_screen;
    }
    if (width == kCaptureWidth && height == kCaptureHeight)
        return renderCapture(screen, m_truth, m_light);
    const QImage live = renderLive(screen, m_truth, m_light);
    if (width == kLiveWidth && height == kLiveHeight)
        return live;
    return live.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
