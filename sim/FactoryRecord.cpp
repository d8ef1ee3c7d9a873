#include "sim/FactoryRecord.h"

#include "device/ByteOrder.h"
#include "sim/RecordLayout.h"
#include "sim/SimProfile.h"

namespace {

using namespace rec;

constexpr int16_t kRecordVersion = 1;
// Identity perspective, distortion centre in the middle of the camera picture, no distortion.
constexpr double kNeutralModel[kProjectionValues] = {1, 0, 0, 0, 1, 0, 0, 0, 640, 360, 0, 0, 0};

// A camera-sensor settings block without its position-dependent header fields.
struct SensorBlock {
    uint8_t value1;
    uint8_t gain1;
    uint16_t o[16]; // o[1] to o[15]; only o[7] and o[9] use more than 8 bits
};

// Factory tuning: the normal-throw lens on current firmware, finger rows limited to 360.
constexpr SensorBlock kFactoryPen = {
    0x27, 0x18, {0, 4, 5, 50, 5, 0, 30, 0, 30, 0, 5, 1, 0, 0, 25, 0}};
constexpr SensorBlock kFactoryFinger = {
    0x27, 0x18, {0, 5, 6, 40, 5, 0, 30, 360, 30, 360, 5, 1, 0, 5, 10, 5}};

constexpr uint16_t kRegister1 = 0x5000;

// The 17 option bytes o1 to o15, shared by both block layouts.
void putOptions(uint8_t* r, size_t off, const SensorBlock& b) {
    for (int i = 1; i <= 6; ++i)
        le::put8(r, off + i - 1, uint8_t(b.o[i]));
    le::put16(r, off + 6, b.o[7]);
    le::put8(r, off + 8, uint8_t(b.o[8]));
    le::put16(r, off + 9, b.o[9]);
    for (int i = 10; i <= 15; ++i)
        le::put8(r, off + 11 + i - 10, uint8_t(b.o[i]));
}

void putPenBlock(uint8_t* r) {
    const size_t b = kPenSetting;
    le::put8(r, b + 0, 1);
    le::put8(r, b + 1, 1);
    le::put16(r, b + 2, kRegister1);
    le::put16(r, b + 4, 0);
    le::put8(r, b + 6, kFactoryPen.value1);
    le::put8(r, b + 7, 0);
    le::put8(r, b + 8, 0);
    le::put8(r, b + 9, kFactoryPen.gain1);
    putOptions(r, b + 10, kFactoryPen);
}

void putFingerBlock(uint8_t* r) {
    le::put8(r, kFingerSetting, 1);
    le::put8(r, kFingerNumReg, 1);
    le::put16(r, kFingerRegister1, kRegister1);
    le::put16(r, kFingerRegister2, 0);
    le::put8(r, kFingerValue1, kFactoryFinger.value1);
    le::put8(r, kFingerValue2, 0);
    le::put8(r, kFingerGain, 0);
    le::put8(r, kFingerGain + 1, kFactoryFinger.gain1);
    putOptions(r, kFingerOptions, kFactoryFinger);
}

} // namespace

std::array<uint8_t, kRecordBytes> makeFactoryRecord(const SimProfile& profile) {
    std::array<uint8_t, kRecordBytes> record{};
    uint8_t* r = record.data();
    le::put16(r, kLength, kRecordBytes);
    le::put16(r, kVersion, uint16_t(kRecordVersion));
    for (int i = 0; i < kProjectionValues; ++i)
        le::putf64(r, kProjection + 8 * i, kNeutralModel[i]);

    const uint8_t imageReverse = profile.lens >= 1 && profile.lens <= 4 ? 1 : 0;
    le::put8(r, kCeiling, profile.ceiling);
    le::put8(r, kRear, profile.rear);
    le::put8(r, kModeFT, profile.finger);
    le::put8(r, kLens, profile.lens);
    le::put8(r, kCeiling2, profile.ceiling);
    le::put8(r, kRear2, profile.rear);
    le::put8(r, kModeFT2, profile.finger);
    le::put8(r, kLens2, profile.lens);
    le::put8(r, kImageReverse, imageReverse);
    le::put8(r, kImageReverse2, imageReverse);

    putPenBlock(r);
    putFingerBlock(r);

    le::put8(r, kFixCoordMode, 0);
    le::putf64(r, kFixCoordRatio, 1.0);
    return record;
}
