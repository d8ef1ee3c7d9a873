#include "calib/TuningRecord.h"

#include "device/ByteOrder.h"
#include "log/LogCategories.h"

#include <QDebug>
#include <algorithm>
#include <cmath>

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
    for (int i = 0; i < 2 * record.tweakCount; ++i) {
        const float v = le::f32(r, size_t(120 + 4 * i));
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
