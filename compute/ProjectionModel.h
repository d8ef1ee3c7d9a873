#pragma once

#include <array>
#include <opencv2/core/types.hpp>

// Camera-to-window projection model.
//
// Conventions used throughout compute/:
// - Camera points are pixels of the 1280 x 720 capture, pixel centres at integer positions,
//   x to the right, y downwards.
// - Window points are pixels of the calibration window, origin at its top-left corner, x to the
//   right, y downwards.
// - The model is a radial distortion correction about (cx, cy) followed by a plane perspective
//   transform. Its 13 parameters (m_tp):
//     p0 p1 p2   numerator of X:   p0*xu + p1*yu + p2
//     p3 p4 p5   numerator of Y:   p3*xu + p4*yu + p5
//     p6 p7      denominator:      p6*xu + p7*yu + 1
//     p8 p9      distortion centre cx, cy (camera pixels)
//     p10..p12   k1, k2, k3 of r^2, r^4, r^6 (r in camera pixels)

constexpr int kProjectionParamCount = 13;
using ProjectionParams = std::array<double, kProjectionParamCount>;

// From this firmware lower version on, lens type 3 uses its newer lens preset and tweak tables.
constexpr int kNewUltraShortFirmware = 10;

constexpr double kCameraCentreX = 640.0;
constexpr double kCameraCentreY = 360.0;

// Identity perspective, distortion centre in the middle of the capture, no distortion.
ProjectionParams neutralProjection();

// Writes the lens preset of the given lens type into p8..p12 only. Lens type 3 has two presets;
// firmware lower versions of 10 and above use the newer one.
void getLensPreset(int lensType, int fwLower, ProjectionParams& tp);

// Steps 1 to 3 of the model: the undistorted camera point, in double precision.
inline cv::Point2d undistortPoint(const ProjectionParams& p, double x, double y) {
    const double dx = x - p[8];
    const double dy = y - p[9];
    const double r2 = dx * dx + dy * dy;
    const double r4 = r2 * r2;
    const double r6 = r4 * r2;
    const double f = 1.0 + p[10] * r2 + p[11] * r4 + p[12] * r6;
    return {p[8] + f * dx, p[9] + f * dy};
}

// Steps 4 and 5: the perspective part applied to an undistorted point.
inline cv::Point2d applyPerspective(const ProjectionParams& p, double xu, double yu) {
    const double w = p[6] * xu + p[7] * yu + 1.0;
    return {(p[0] * xu + p[1] * yu + p[2]) / w, (p[3] * xu + p[4] * yu + p[5]) / w};
}

// The full model, camera point to window point, in double precision.
inline cv::Point2d mapPoint(const ProjectionParams& p, double x, double y) {
    const cv::Point2d u = undistortPoint(p, x, y);
    return applyPerspective(p, u.x, u.y);
}
