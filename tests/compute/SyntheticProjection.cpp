#include "SyntheticProjection.h"

#include "sim/camera/GroundTruth.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

SyntheticProjection SyntheticProjection::forLens(int lensType, int fwLower) {
    SyntheticProjection s;
    s.truth = neutralProjection();
    getLensPreset(lensType, fwLower, s.truth);

    // Where the screen's corners appear in the capture: a little rotated and keystoned.
    const cv::Point2d seen[4] = {{170, 95}, {1120, 80}, {1150, 640}, {140, 615}};
    std::vector<cv::Point2f> undistorted;
    for (const cv::Point2d& c : seen) {
        const cv::Point2d u = undistortPoint(s.truth, c.x, c.y);
        undistorted.emplace_back(static_cast<float>(u.x), static_cast<float>(u.y));
    }
    const float w = static_cast<float>(s.windowWidth);
    const float h = static_cast<float>(s.windowHeight);
    const std::vector<cv::Point2f> corners = {{0, 0}, {w, 0}, {w, h}, {0, h}};
    const cv::Mat hom = cv::getPerspectiveTransform(undistorted, corners);
    for (int j = 0; j < 8; ++j)
        s.truth[j] = hom.at<double>(j / 3, j % 3) / hom.at<double>(2, 2);
    return s;
}

cv::Point2d SyntheticProjection::cameraPointOf(const cv::Point2d& window) const {
    return ::cameraPointOf(truth, window);
}

std::array<cv::Point2d, 20> SyntheticProjection::autoTargets() {
    const double xs[5] = {105, 675, 960, 1244, 1814};
    const double ys[4] = {105, 395, 684, 974};
    std::array<cv::Point2d, 20> t;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 5; ++c)
            t[5 * r + c] = {xs[c], ys[r]};
    return t;
}

std::array<cv::Point2d, 16> SyntheticProjection::manualTargets() {
    const double xs[4] = {105.333, 675.0, 1244.667, 1814.333};
    const double ys[4] = {105.333, 395.0, 684.667, 974.333};
    std::array<cv::Point2d, 16> t;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            t[4 * r + c] = {xs[c], ys[r]};
    return t;
}

double SyntheticProjection::maxDeviation(const ProjectionParams& fitted) const {
    return maxDeviation(fitted, cv::Rect2d(0, 0, windowWidth, windowHeight));
}

double SyntheticProjection::maxDeviation(const ProjectionParams& fitted,
                                         const cv::Rect2d& area) const {
    constexpr double kStep = 40.0;
    double worst = 0.0;
    for (double y = area.y; y <= area.y + area.height; y += kStep) {
        for (double x = area.x; x <= area.x + area.width; x += kStep) {
            const cv::Point2d cam = cameraPointOf({x, y});
            const cv::Point2d m = mapPoint(fitted, cam.x, cam.y);
            worst = std::max(worst, std::hypot(m.x - x, m.y - y));
        }
    }
    return worst;
}
