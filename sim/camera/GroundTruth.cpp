#include "sim/camera/GroundTruth.h"

#include <cmath>
#include <opencv2/core/matx.hpp>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace {

constexpr double kDegree = 3.141592653589793 / 180.0;
constexpr int kNewtonSteps = 60;

// Distorted radius whose corrected radius is ru: solves r * f(r) = ru.
double distortedRadius(const ProjectionParams& p, double ru) {
    double r = ru;
    for (int i = 0; i < kNewtonSteps; ++i) {
        const double r2 = r * r;
        const double g = r * (1.0 + p[10] * r2 + p[11] * r2 * r2 + p[12] * r2 * r2 * r2) - ru;
        const double dg =
            1.0 + 3.0 * p[10] * r2 + 5.0 * p[11] * r2 * r2 + 7.0 * p[12] * r2 * r2 * r2;
        const double step = g / dg;
        r -= step;
        if (std::fabs(step) < 1e-12)
            break;
    }
    return r;
}

} // namespace

ScreenQuad screenQuad(int windowWidth, int windowHeight, const cv::Point2d& centre,
                      double widthFraction, double roll, double keystone) {
    const double w = 1280.0 * widthFraction;
    const double h = w * windowHeight / windowWidth;
    // Half-widths of the top and bottom edges; their mean full width is w.
    const double top = w * (1.0 + keystone) / (2.0 + keystone);
    const double bottom = w / (2.0 + keystone);
    const cv::Point2d local[4] = {{-top, -h / 2}, {top, -h / 2}, {bottom, h / 2}, {-bottom, h / 2}};
    const double c = std::cos(roll * kDegree);
    const double s = std::sin(roll * kDegree);
    ScreenQuad quad;
    for (int i = 0; i < 4; ++i)
        quad[i] = {centre.x + c * local[i].x - s * local[i].y,
                   centre.y + s * local[i].x + c * local[i].y};
    return quad;
}

ProjectionParams groundTruthModel(const ProjectionParams& lens, const ScreenQuad& quad,
                                  int windowWidth, int windowHeight) {
    ProjectionParams tp = neutralProjection();
    for (int i = 8; i < kProjectionParamCount; ++i)
        tp[i] = lens[i];
    std::vector<cv::Point2f> undistorted;
    for (const cv::Point2d& c : quad)
        undistorted.emplace_back(undistortPoint(tp, c.x, c.y));
    const float w = static_cast<float>(windowWidth);
    const float h = static_cast<float>(windowHeight);
    const std::vector<cv::Point2f> corners = {{0, 0}, {w, 0}, {w, h}, {0, h}};
    const cv::Mat hom = cv::getPerspectiveTransform(undistorted, corners);
    for (int j = 0; j < 8; ++j)
        tp[j] = hom.at<double>(j / 3, j % 3) / hom.at<double>(2, 2);
    return tp;
}

cv::Point2d cameraPointOf(const ProjectionParams& p, const cv::Point2d& window) {
    const cv::Matx22d a(p[0] - window.x * p[6], p[1] - window.x * p[7], p[3] - window.y * p[6],
                        p[4] - window.y * p[7]);
    const cv::Vec2d b(window.x - p[2], window.y - p[5]);
    const cv::Vec2d u = a.solve(b, cv::DECOMP_LU);
    const double dxu = u[0] - p[8];
    const double dyu = u[1] - p[9];
    const double ru = std::hypot(dxu, dyu);
    if (ru == 0.0)
        return {p[8], p[9]};
    const double scale = distortedRadius(p, ru) / ru;
    return {p[8] + dxu * scale, p[9] + dyu * scale};
}
