#pragma once

#include "compute/ProjectionModel.h"
#include "sim/ModuleState.h"

#include <cstdint>

// Takes the 370-byte calibration record the utility uploads into the stored record, as the
// module keeps it: the projection model, the window size, ceiling, rear, lens and image
// reverse in both groups (and in the options the module reports), the tweak table with its
// count held to 0..25 and the unused pairs zeroed, and the pen and finger settings blocks
// (the finger block with its padding byte). Length, version, finger mode and fix_coord stay.
void storeCalibrationRecord(const uint8_t* calib, StoredState& stored);

// The calibration the module holds: its model and the window size it was made for (0 x 0
// when it holds none).
struct HeldCalibration {
    ProjectionParams model{};
    int windowWidth = 0;
    int windowHeight = 0;
};
HeldCalibration heldCalibration(const StoredState& stored);
