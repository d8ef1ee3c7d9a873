#include "compute/CurrentEstimators.h"

namespace {
CurrentEstimators* g_current = nullptr;
}

CurrentEstimators::CurrentEstimators(int lensType, int fwLower) {
    ProjectionParams tp{};
    getLensPreset(lensType, fwLower, tp);
    m_fit.setParams(tp);
    g_current = this;
}

CurrentEstimators::~CurrentEstimators() {
    if (g_current == this)
        g_current = nullptr;
}

CurrentEstimators* CurrentEstimators::current() {
    return g_current;
}

cv::Point2d mapCamToScreen(const cv::Point2d& cam) {
    if (!g_current)
        return cam;
    const cv::Point2d u = g_current->fit().undistortPoint(cam.x, cam.y);
    return g_current->calibration().CalcNewPoint(u.x, u.y);
}
