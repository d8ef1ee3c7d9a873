#include "sim/desktop/DeskWorld.h"

#include "sim/SimProfile.h"
#include "sim/camera/GroundTruth.h"

namespace {

// A camera turned away keeps only this share of the monitor's width in the capture, at its
// right edge.
constexpr double kTurnedAwayVisible = 0.12;

} // namespace

ProjectionParams deskGroundTruth(const SimProfile& p, int w, int h) {
    ProjectionParams lens = neutralProjection();
    const int fwLower = p.fwMinor < 10 ? 0 : p.fwMinor;
    getLensPreset(p.lens, fwLower, lens);
    lens[8] += p.lensShiftX;
    lens[9] += p.lensShiftY;
    for (int i = 10; i <= 12; ++i)
        lens[size_t(i)] *= p.lensDistortionScale;

    cv::Point2d centre(p.screenCentreX, p.screenCentreY);
    if (p.turnedAway) {
        const double width = kCaptureWidth * p.screenWidthFraction;
        centre.x = kCaptureWidth + width * (0.5 - kTurnedAwayVisible);
    }
    const ScreenQuad quad =
        screenQuad(w, h, centre, p.screenWidthFraction, p.screenRoll, p.screenKeystone);
    return groundTruthModel(lens, quad, w, h);
}

CameraLight deskLight(const SimProfile& p) {
    CameraLight light;
    light.ambient = p.ambient;
    light.projectorBlack = p.projectorBlack;
    light.projectorWhite = p.projectorWhite;
    light.vignetting = p.vignetting;
    light.blurSigma = p.blurSigma;
    light.noiseSigma = p.noiseSigma;
    light.seed = uint32_t(p.lightSeed);
    light.supersampling = p.supersampling;
    return light;
}

bool sensorMirrored(const SimProfile& p) {
    return p.lens >= 1 && p.lens <= 4;
}
