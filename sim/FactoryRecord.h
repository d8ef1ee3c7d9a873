#pragma once

#include "sim/ModuleState.h"

#include <array>
#include <cstdint>

struct SimProfile;

// The 400-byte stored record of a module that was never calibrated: the neutral projection
// model, no window size, no tweak table, the profile's options and the factory sensor
// settings for pen and finger. Layout and values are listed in sim/readme.md.
std::array<uint8_t, kRecordBytes> makeFactoryRecord(const SimProfile& profile);
