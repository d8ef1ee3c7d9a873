#include "sim/CalibrationRecord.h"

#include "device/ByteOrder.h"
#include "sim/RecordLayout.h"

#include <algorithm>
#include <cstring>

using namespace rec;

void storeCalibrationRecord(const uint8_t* calib, StoredState& stored) {
    uint8_t* r = stored.record.data();
    std::memcpy(r + kProjection, calib + calib::kProjection, kProjectionValues * 8);

    const uint16_t width = le::u16(calib, calib::kWindowWidth);
    const uint16_t height = le::u16(calib, calib::kWindowHeight);
    le::put16(r, kWindowWidth, width);
    le::put16(r, kWindowHeight, height);
    le::put16(r, kWindowWidth2, width);
    le::put16(r, kWindowHeight2, height);
    stored.ceiling = calib[calib::kCeiling];
    stored.rear = calib[calib::kRear];
    stored.lens = calib[calib::kLens];
    r[kCeiling] = r[kCeiling2] = stored.ceiling;
    r[kRear] = r[kRear2] = stored.rear;
    r[kLens] = r[kLens2] = stored.lens;
    r[kImageReverse] = r[kImageReverse2] = calib[calib::kImageReverse];

    const int tweaks = std::clamp(le::i32(calib, calib::kTweakNum), 0, kMaxTweakPairs);
    le::put32(r, kTweakNum, uint32_t(tweaks));
    std::memset(r + kTweakPairs, 0, kMaxTweakPairs * kTweakPairBytes);
    std::memcpy(r + kTweakPairs, calib + calib::kTweakPairs, size_t(tweaks) * kTweakPairBytes);

    std::memcpy(r + kPenSetting, calib + calib::kPenSetting, kSettingsBlockBytes);
    const uint8_t* finger = calib + calib::kFingerSetting;
    r[kFingerSetting] = finger[0];
    r[kFingerNumReg] = finger[1];
    r[kFingerPadding] = 0;
    std::memcpy(r + kFingerRegister1, finger + 2, kSettingsBlockBytes - 2);
}

HeldCalibration heldCalibration(const StoredState& stored) {
    const uint8_t* r = stored.record.data();
    HeldCalibration held;
    held.windowWidth = le::u16(r, kWindowWidth2);
    held.windowHeight = le::u16(r, kWindowHeight2);
    for (int i = 0; i < kProjectionValues; ++i)
        held.model[size_t(i)] = le::f64(r, kProjection + 8 * size_t(i));
    return held;
}
