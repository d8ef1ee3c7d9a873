#pragma once

#include "device/RecordLayout.h"

#include <atomic>
#include <cstdint>

// Process-wide buffers that the receive thread fills and hands out by pointer with queued
// signals, so the pointer stays valid after the link's own buffers move on, and the two
// calibration point counts that the link sets and the calibration code reads.
namespace link {

constexpr int kEepromSize = int(record_layout::kStoredBytes);
constexpr int kInputPointBytes = 200;

extern std::atomic<int> g_nAC; // pattern positions of an automatic calibration
extern std::atomic<int> g_nMC; // targets of a manual calibration

extern uint8_t g_eeprom[kEepromSize];
extern int g_mcPatternEnd;
alignas(4) extern uint8_t g_inputPoints[kInputPointBytes];

} // namespace link
