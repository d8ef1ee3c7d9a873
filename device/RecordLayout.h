#pragma once

#include <cstddef>

// The byte layouts the module and the utility exchange: the module's stored record (400
// bytes), the calibration record the utility uploads (370 bytes, packed without padding), the
// mask and the captured picture. Records are little-endian and read and written field by field
// with ByteOrder.h at these offsets.
namespace record_layout {

// The stored record: a first group of calibration values, the tweak table, then a second group
// (the values the tuning was made with) and the two camera-sensor settings blocks.
constexpr size_t kStoredBytes = 400;
constexpr size_t kLength = 0;
constexpr size_t kVersion = 2;
constexpr size_t kWindowWidth = 4;
constexpr size_t kWindowHeight = 6;
constexpr size_t kProjection = 8; // kProjectionValues doubles
constexpr size_t kCeiling = 112;
constexpr size_t kRear = 113;
constexpr size_t kModeFT = 114;
constexpr size_t kLens = 115;
constexpr size_t kTweakNum = 116;
constexpr size_t kTweakPairs = 120; // x, y floats per pair
constexpr size_t kWindowWidth2 = 320;
constexpr size_t kWindowHeight2 = 322;
constexpr size_t kCeiling2 = 324;
constexpr size_t kRear2 = 325;
constexpr size_t kLens2 = 327;
constexpr size_t kImageReverse = 328;
constexpr size_t kImageReverse2 = 329;
constexpr size_t kPenSetting = 330;
// The finger block is stored with a padding byte after its first two bytes.
constexpr size_t kFingerSetting = 357;
constexpr size_t kFixCoordMode = 385;
constexpr size_t kFixCoordRatio = 392;

constexpr int kProjectionValues = 13;
constexpr int kMaxTweakPairs = 25;

// The calibration record of CMD_SET_CALIB_PARAMETER.
namespace upload {
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
} // namespace upload

// The mask: 360 rows of 80 bytes, then a flag byte. It downloads in 57 slices of 503 bytes and
// a last part of 130.
constexpr int kMaskBytes = 28801;
constexpr int kMaskSlice = 503;
constexpr int kMaskLastPart = 57;
constexpr int kMaskLastBytes = kMaskBytes - kMaskLastPart * kMaskSlice;
static_assert(kMaskLastBytes == 130, "the mask's last part carries 130 bytes");

// A captured picture: 8-bit grey, row by row.
constexpr int kCaptureWidth = 1280;
constexpr int kCaptureHeight = 720;
constexpr int kCaptureBytes = kCaptureWidth * kCaptureHeight;

} // namespace record_layout
