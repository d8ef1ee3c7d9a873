#pragma once

#include "compute/ProjectionModel.h"

#include <QString>

struct SimProfile;
struct StoredState;

// How far a calibration's model is from the truth, in window pixels, over a grid of window
// points: for each, the camera point where the pen shows when it touches there (the true
// model's inverse plus the pen's offset) is mapped through the model and compared with the
// touched point. Points whose camera point lies outside the capture are left out.
struct CalibrationError {
    int points = 0; // compared points; 0 when none could be
    double rms = 0.0;
    double worst = 0.0;
};

CalibrationError compareWithGroundTruth(const ProjectionParams& model, const SimProfile& profile,
                                        int lens, int fwMinor, int w, int h);

// One line about the module's stored calibration ("m_tp" and window size of its record)
// against the profile's truth.
QString storedCalibrationReport(const StoredState& stored, const SimProfile& profile);
