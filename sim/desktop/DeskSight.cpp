#include "sim/desktop/DeskSight.h"

#include "sim/camera/GroundTruth.h"
#include "sim/desktop/DeskWorld.h"
#include "sim/desktop/DesktopDesk.h"

DeskSight::DeskSight(const SimProfile& profile) : m_profile(profile) {}

SymbolSighting DeskSight::targetSymbol() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_sighting;
}

std::array<double, 2> DeskSight::cameraPointOf(double x, double y) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    const cv::Point2d p = ::cameraPointOf(m_truth, {x, y});
    return {p.x, p.y};
}

// The lock keeps the DesktopDesk from going away while the call is posted to it.
void DeskSight::touch(double fx, double fy) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (DesktopDesk* desk = m_desk)
        QMetaObject::invokeMethod(
            desk, [desk, fx, fy] { desk->touchAt(fx, fy); }, Qt::QueuedConnection);
}

void DeskSight::pressBack() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (DesktopDesk* desk = m_desk)
        QMetaObject::invokeMethod(
            desk, [desk] { desk->pressBack(); }, Qt::QueuedConnection);
}

void DeskSight::setSighting(const SymbolSighting& sighting) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_sighting = sighting;
}

void DeskSight::setMonitorSize(int w, int h) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (w == m_width && h == m_height)
        return;
    m_width = w;
    m_height = h;
    m_truth = deskGroundTruth(m_profile, w, h);
}

void DeskSight::attach(DesktopDesk* desk) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_desk = desk;
}
