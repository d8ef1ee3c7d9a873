#pragma once

#include <cstddef>

// Byte offsets of the module's stored record (400 bytes) and of the calibration record the
// utility uploads (370 bytes). Both are little-endian and read and written field by field.
namespace rec {

constexpr size_t kLength = 0;
constexpr size_t kVersion = 2;
constexpr size_t kWindowWidth = 4;
constexpr size_t kWindowHeight = 6;
constexpr size_t kProjection = 8;
constexpr size_t kCeiling = 112;
constexpr size_t kRear = 113;
constexpr size_t kModeFT = 114;
constexpr size_t kLens = 115;
constexpr size_t kTweakNum = 116;
constexpr size_t kTweakPairs = 120;
constexpr size_t kWindowWidth2 = 320;
constexpr size_t kWindowHeight2 = 322;
constexpr size_t kCeiling2 = 324;
constexpr size_t kRear2 = 325;
constexpr size_t kModeFT2 = 326;
constexpr size_t kLens2 = 327;
constexpr size_t kImageReverse = 328;
constexpr size_t kImageReverse2 = 329;
constexpr size_t kPenSetting = 330;
// The finger block is stored with a padding byte after its first two bytes.
constexpr size_t kFingerSetting = 357;
constexpr size_t kFingerNumReg = 358;
constexpr size_t kFingerPadding = 359;
constexpr size_t kFingerRegister1 = 360;
constexpr size_t kFingerRegister2 = 362;
constexpr size_t kFingerValue1 = 364;
constexpr size_t kFingerValue2 = 365;
constexpr size_t kFingerGain = 366;
constexpr size_t kFingerOptions = 368;
constexpr size_t kFixCoordMode = 385;
constexpr size_t kFixCoordRatio = 392;

constexpr int kProjectionValues = 13;
constexpr int kMaxTweakPairs = 25;
constexpr size_t kTweakPairBytes = 8;
constexpr size_t kSettingsBlockBytes = 27;

// The calibration record of CMD_SET_CALIB_PARAMETER, packed without padding.
namespace calib {
constexpr size_t kBytes = 370;
constexpr size_t kProjection = 0;
constexpr size_t kWindowWidth = 104;
constexpr size_t kWindowHeight = 106;
constexpr size_t kCeiling = 108;
constexpr size_t kRear = 109;
constexpr size_t kLens = 110;
constexpr size_t kImageReverse = 111;
constexpr size_t kTweakNum = 112;
constexpr size_t kTweakPairs = 116;
constexpr size_t kPenSetting = 316;
constexpr size_t kFingerSetting = 343;
} // namespace calib

} // namespace rec
