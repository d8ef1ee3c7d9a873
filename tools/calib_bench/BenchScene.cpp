#include "BenchScene.h"

#include <opencv2/core.hpp>

namespace {

constexpr int kLensTypes = 3;

// The whole window border, not only its corners: lens distortion bows the edges outwards.
bool insideCapture(const ProjectionParams& truth, int w, int h) {
    constexpr double kEdge = 8.0;
    constexpr int kSteps = 32;
    for (int i = 0; i <= kSteps; ++i) {
        const double fx = w * static_cast<double>(i) / kSteps;
        const double fy = h * static_cast<double>(i) / kSteps;
        for (const cv::Point2d& wp :
             {cv::Point2d(fx, 0), cv::Point2d(fx, h), cv::Point2d(0, fy), cv::Point2d(w, fy)}) {
            const cv::Point2d c = cameraPointOf(truth, wp);
            if (!(c.x >= kEdge && c.y >= kEdge && c.x <= kCaptureWidth - kEdge &&
                  c.y <= kCaptureHeight - kEdge))
                return false;
        }
    }
    return true;
}

} // namespace

QString BenchScene::describe() const {
    return QStringLiteral("%1x%2 lens %3 roll %4 keystone %5 light %6/%7 blur %8 noise %9")
        .arg(windowWidth)
        .arg(windowHeight)
        .arg(lens)
        .arg(roll, 0, 'f', 1)
        .arg(keystone, 0, 'f', 2)
        .arg(light.projectorBlack, 0, 'f', 0)
        .arg(light.projectorWhite, 0, 'f', 0)
        .arg(light.blurSigma, 0, 'f', 2)
        .arg(light.noiseSigma, 0, 'f', 2);
}

BenchScene makeBenchScene(int windowWidth, int windowHeight, int index, uint32_t seed) {
    cv::RNG rng(static_cast<uint64_t>(seed) * 1000003u +
                static_cast<uint64_t>(windowWidth) * 7919u +
                static_cast<uint64_t>(windowHeight) * 104729u + static_cast<uint64_t>(index));
    BenchScene s;
    s.windowWidth = windowWidth;
    s.windowHeight = windowHeight;
    s.lens = 1 + index % kLensTypes;
    s.fwLower = s.lens == 3 && rng.uniform(0, 2) == 0 ? 8 : 12;

    ProjectionParams lens = neutralProjection();
    getLensPreset(s.lens, s.fwLower, lens);
    lens[8] += rng.uniform(-15.0, 15.0);
    lens[9] += rng.uniform(-15.0, 15.0);
    for (int k = 10; k <= 12; ++k)
        lens[k] *= rng.uniform(0.9, 1.1);

    double width = rng.uniform(0.74, 0.86);
    const cv::Point2d centre(640.0 + rng.uniform(-25.0, 25.0), 360.0 + rng.uniform(-15.0, 15.0));
    s.roll = rng.uniform(-4.0, 4.0);
    s.keystone = rng.uniform(-0.08, 0.08);
    do {
        const ScreenQuad quad =
            screenQuad(windowWidth, windowHeight, centre, width, s.roll, s.keystone);
        s.truth = groundTruthModel(lens, quad, windowWidth, windowHeight);
        width -= 0.01;
    } while (!insideCapture(s.truth, windowWidth, windowHeight));

    s.light.ambient = rng.uniform(4.0, 30.0);
    s.light.projectorBlack = rng.uniform(8.0, 30.0);
    s.light.projectorWhite = rng.uniform(110.0, 230.0);
    s.light.vignetting = rng.uniform(0.1, 0.35);
    s.light.blurSigma = rng.uniform(0.4, 1.2);
    s.light.noiseSigma = rng.uniform(0.5, 2.5);
    s.light.seed = rng.next();
    return s;
}
