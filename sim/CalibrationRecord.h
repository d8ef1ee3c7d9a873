#pragma once

#include "sim/ModuleState.h"

#include <cstdint>

// Takes the 370-byte calibration record the utility uploads into the stored record, as the
// module keeps it: the projection model, the window size, ceiling, rear, lens and image
// reverse in both groups (and in the options the module reports), the tweak table with its
// count held to 0..25 and the unused pairs zeroed, and the pen and finger settings blocks
// (the finger block with its padding byte). Length, version, finger mode and fix_coord stay.
void storeCalibrationRecord(const uint8_t* calib, StoredState& stored);
