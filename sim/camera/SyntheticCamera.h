#pragma once

#include "compute/ProjectionModel.h"

#include <QImage>
#include <cstdint>
#include <opencv2/core/mat.hpp>

// Photographs a screen picture the way the module's camera would. For each camera pixel the
// true model (GroundTruth.h) says which window point it sees; window pixel (i, j) of the screen
// covers [i - 0.5, i + 0.5) x [j - 0.5, j + 0.5). Each camera pixel averages a grid of
// sub-samples; then the light levels, vignetting, optical blur and sensor noise are applied.
struct CameraLight {
    double ambient = 12.0;         // grey level of everything the projector does not light
    double projectorBlack = 18.0;  // added on the screen where the projector shows black
    double projectorWhite = 190.0; // added on the screen where it shows white
    double vignetting = 0.25;      // fraction of the light lost in the capture's corners
    double blurSigma = 0.7;        // optical blur, camera pixels (0: none)
    double noiseSigma = 1.5;       // sensor noise, grey levels (0: none)
    uint32_t seed = 1;             // noise of one picture; the same seed, the same noise
    int supersampling = 3;         // sub-samples per camera pixel and axis
};

constexpr int kCaptureWidth = 1280;
constexpr int kCaptureHeight = 720;
constexpr int kLiveWidth = 640;
constexpr int kLiveHeight = 360;

// The 1280 x 720 capture of the screen (any format; read as grey).
cv::Mat renderCaptureMat(const QImage& screen, const ProjectionParams& truth,
                         const CameraLight& light);
QImage renderCapture(const QImage& screen, const ProjectionParams& truth, const CameraLight& light);

// The 640 x 360 live picture: the same scene at half resolution, each live pixel covering two
// by two capture pixels.
QImage renderLive(const QImage& screen, const ProjectionParams& truth, const CameraLight& light);
