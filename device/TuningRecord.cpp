#include "device/TuningRecord.h"

#include "device/ByteOrder.h"
#include "device/RecordLayout.h"
#include "log/LogCategories.h"

#include <QDebug>
#include <algorithm>
#include <cmath>

using namespace record_layout;

TuningRecord TuningRecord::fromDeviceRecord(const uint8_t* r) {
    TuningRecord record;
    record.windowWidth = le::i16(r, kWindowWidth2);
    record.windowHeight = le::i16(r, kWindowHeight2);
    record.ceiling = r[kCeiling2];
    record.rear = r[kRear2];
    record.lens = r[kLens2];
    record.imageReverse = r[kImageReverse2];
    // The count comes from the module: never trust it past the table.
    record.tweakCount = std::clamp(le::i32(r, kTweakNum), 0, kMaxTweaks);
    for (int i = 0; i < 2 * record.tweakCount; ++i) {
        const float v = le::f32(r, kTweakPairs + 4 * size_t(i));
        // A damaged table would fail every automatic calibration: treat it as no tuning.
        if (!std::isfinite(v)) {
            qCDebug(lcCalib) << "stored tuning offsets are not numbers: ignored";
            record.tweakCount = 0;
            record.tweaks.fill(0.f);
            break;
        }
        record.tweaks[size_t(i)] = v;
    }
    return record;
}
