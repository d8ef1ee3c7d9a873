#include "calib/TuningRecord.h"

#include "device/ByteOrder.h"

#include <algorithm>

TuningRecord TuningRecord::fromDeviceRecord(const uint8_t* r) {
    TuningRecord record;
    record.windowWidth = le::i16(r, 320);
    record.windowHeight = le::i16(r, 322);
    record.ceiling = r[324];
    record.rear = r[325];
    record.lens = r[327];
    record.imageReverse = r[329];
    // The count comes from the module: never trust it past the table.
    record.tweakCount = std::clamp(le::i32(r, 116), 0, kMaxTweaks);
    for (int i = 0; i < 2 * record.tweakCount; ++i)
        record.tweaks[size_t(i)] = le::f32(r, size_t(120 + 4 * i));
    return record;
}
