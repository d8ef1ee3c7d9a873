#include "sim/camera/SyntheticCamera.h"

#include <algorithm>
#include <cmath>
#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>

namespace {

// Light reaching each pixel of a width x height picture whose pixel (u, v) spans capture
// pixels [scale u, scale (u + 1)) in both axes, before blur and noise.
cv::Mat exposure(const QImage& screen, const ProjectionParams& truth, const CameraLight& light,
                 int width, int height, int scale) {
    const QImage grey = screen.convertToFormat(QImage::Format_Grayscale8);
    const int sw = grey.width();
    const int sh = grey.height();
    const int n = std::max(1, light.supersampling) * scale;
    const double step = static_cast<double>(scale) / n;
    const double gain = (light.projectorWhite - light.projectorBlack) / 255.0;
    const double cornerR2 = kCameraCentreX * kCameraCentreX + kCameraCentreY * kCameraCentreY;

    cv::Mat out(height, width, CV_32F);
    cv::parallel_for_(cv::Range(0, height), [&](const cv::Range& rows) {
        for (int v = rows.start; v < rows.end; ++v) {
            float* row = out.ptr<float>(v);
            for (int u = 0; u < width; ++u) {
                double sum = 0.0;
                for (int sy = 0; sy < n; ++sy) {
                    // Capture pixel centres sit at integers, so pixel k spans [k - 0.5, k + 0.5).
                    const double y = scale * v - 0.5 + (sy + 0.5) * step;
                    for (int sx = 0; sx < n; ++sx) {
                        const double x = scale * u - 0.5 + (sx + 0.5) * step;
                        const cv::Point2d w = mapPoint(truth, x, y);
                        const double fx = std::floor(w.x + 0.5);
                        const double fy = std::floor(w.y + 0.5);
                        double value = light.ambient;
                        if (fx >= 0 && fy >= 0 && fx < sw && fy < sh) {
                            const int pixel =
                                grey.constScanLine(static_cast<int>(fy))[static_cast<int>(fx)];
                            value += light.projectorBlack + gain * pixel;
                        }
                        sum += value;
                    }
                }
                const double cx = scale * (u + 0.5) - 0.5 - kCameraCentreX;
                const double cy = scale * (v + 0.5) - 0.5 - kCameraCentreY;
                const double fall = 1.0 - light.vignetting * (cx * cx + cy * cy) / cornerR2;
                row[u] = static_cast<float>(sum / (n * n) * fall);
            }
        }
    });
    return out;
}

cv::Mat develop(cv::Mat exposed, const CameraLight& light, int scale) {
    if (light.blurSigma > 0.0)
        cv::GaussianBlur(exposed, exposed, cv::Size(), light.blurSigma / scale, 0.0,
                         cv::BORDER_REPLICATE);
    if (light.noiseSigma > 0.0) {
        cv::Mat noise(exposed.size(), CV_32F);
        cv::RNG rng(light.seed);
        rng.fill(noise, cv::RNG::NORMAL, 0.0, light.noiseSigma / scale);
        exposed += noise;
    }
    cv::Mat grey;
    exposed.convertTo(grey, CV_8U); // rounds to nearest and saturates
    return grey;
}

QImage toQImage(const cv::Mat& grey) {
    QImage img(grey.cols, grey.rows, QImage::Format_Grayscale8);
    for (int y = 0; y < grey.rows; ++y)
        std::copy_n(grey.ptr<uint8_t>(y), grey.cols, img.scanLine(y));
    return img;
}

} // namespace

cv::Mat renderCaptureMat(const QImage& screen, const ProjectionParams& truth,
                         const CameraLight& light) {
    return develop(exposure(screen, truth, light, kCaptureWidth, kCaptureHeight, 1), light, 1);
}

QImage renderCapture(const QImage& screen, const ProjectionParams& truth,
                     const CameraLight& light) {
    return toQImage(renderCaptureMat(screen, truth, light));
}

QImage renderLive(const QImage& screen, const ProjectionParams& truth, const CameraLight& light) {
    return toQImage(develop(exposure(screen, truth, light, kLiveWidth, kLiveHeight, 2), light, 2));
}
