#include "sim/desktop/DesktopScene.h"

#include "sim/desktop/DeskWorld.h"

#include <QPainter>

DesktopScene::DesktopScene(const SimProfile& profile)
    : m_profile(profile), m_light(deskLight(profile)) {}

void DesktopScene::setMonitor(QImage picture) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_monitor = std::move(picture);
}

QImage DesktopScene::monitor() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_monitor;
}

QImage DesktopScene::frame(int width, int height) {
    QImage screen = monitor();
    if (screen.isNull())
        return QImage();
    const auto& o = m_profile.obstacle;
    if (o[2] > 0 && o[3] > 0) {
        QPainter painter(&screen);
        painter.fillRect(QRectF(o[0] * screen.width(), o[1] * screen.height(),
                                o[2] * screen.width(), o[3] * screen.height()),
                         Qt::black);
    }
    const ProjectionParams truth = deskGroundTruth(m_profile, screen.width(), screen.height());
    QImage picture = width == kCaptureWidth && height == kCaptureHeight
                         ? renderCapture(screen, truth, m_light)
                         : renderLive(screen, truth, m_light);
    if (sensorMirrored(m_profile))
        picture = picture.mirrored(true, false);
    if (picture.width() != width || picture.height() != height)
        picture = picture.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return picture;
}
