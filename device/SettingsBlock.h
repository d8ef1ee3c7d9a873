#pragma once

#include <cstdint>

// The 27-byte camera-sensor settings block of the stored record and the calibration record.
//   0 setting (0: not in use)   1 num_reg   2 u16 register 1   4 u16 register 2
//   6 value 1   7 value 2   8 gain[2]   10 o1..o6   16 u16 o7   18 o8   19 u16 o9 (unaligned)
//   21 o10..o15
namespace settings_block {

constexpr int kSize = 27;

// The sensor settings the utility uploads with a calibration.
void fillPen(uint8_t* block, int lensType, int fwMinor);
void fillFinger(uint8_t* block, int lensType, int fwMinor, int rowLimitA, int rowLimitB);

} // namespace settings_block
