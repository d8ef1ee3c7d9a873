#include "compute/ProjectionModel.h"

namespace {

struct LensPreset {
    double cx, cy, k1, k2, k3;
};

constexpr LensPreset kNormalThrow{682.6771, 325.4162, 2.945825e-07, 2.667841e-13, -1.078467e-19};
constexpr LensPreset kShortThrow{619.8648, 330.0687, 1.12361e-08, 1.89171e-12, -4.075417e-19};
constexpr LensPreset kUltraShortThrow{617.2931, 351.1378, 1.330351e-06, -7.278473e-13,
                                      9.205437e-18};
constexpr LensPreset kUltraShortThrowOldFirmware{612.0396, 325.86, 1.357969e-06, -1.929077e-13,
                                                 1.002503e-17};
constexpr LensPreset kNoLens{kCameraCentreX, kCameraCentreY, 0.0, 0.0, 0.0};

const LensPreset& lensPresetFor(int lensType, int fwLower) {
    switch (lensType) {
    case 1:
        return kNormalThrow;
    case 2:
    case 4:
        return kShortThrow;
    case 3:
        return fwLower >= kNewUltraShortFirmware ? kUltraShortThrow : kUltraShortThrowOldFirmware;
    default:
        return kNoLens;
    }
}

} // namespace

ProjectionParams neutralProjection() {
    return {1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, kCameraCentreX, kCameraCentreY, 0.0, 0.0, 0.0};
}

void getLensPreset(int lensType, int fwLower, ProjectionParams& tp) {
    const LensPreset& preset = lensPresetFor(lensType, fwLower);
    tp[8] = preset.cx;
    tp[9] = preset.cy;
    tp[10] = preset.k1;
    tp[11] = preset.k2;
    tp[12] = preset.k3;
}
