#pragma once

#include "compute/ProjectionModel.h"
#include "sim/camera/SyntheticCamera.h"

struct SimProfile;

// The physical set-up a profile describes, for a calibration monitor of w x h pixels: the
// true camera-to-monitor model (screen placement, and the lens preset of the module's lens
// option and firmware, perturbed) and the light the camera sees it in.
ProjectionParams deskGroundTruth(const SimProfile& profile, int w, int h);
CameraLight deskLight(const SimProfile& profile);

// Does the sensor read out mirrored, so that the module's image reverse makes it upright?
// The lenses 1 to 4 are mounted that way, which is why the utility turns reverse on for them.
bool sensorMirrored(const SimProfile& profile);
