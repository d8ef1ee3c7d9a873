#include "compute/TweakTable.h"

#include "log/LogCategories.h"

#include <QDebug>
#include <algorithm>

void fillTweakTable(TweakTable& table, int& storedFwLower, const TweakSource& src) {
    if (src.handedCount >= 1) {
        // A count beyond the table is cut to its size; entries past the count are cleared so
        // that no offset of an earlier calibration survives.
        table.count = std::min(src.handedCount, kCalibPointCapacity);
        table.entries.fill(cv::Point2f());
        std::copy_n(src.handedEntries, table.count, table.entries.begin());
    } else {
        table.count = 0;
        table.entries.fill(cv::Point2f());
        qCDebug(lcCompute, "use predefined values");
        if (src.lensType >= 2 && src.lensType <= 4)
            qCDebug(lcCompute) << "PenType :" << src.penType;
        if (src.lensType == 3)
            storedFwLower = src.fwLower;
        table.count = std::clamp(src.nAC, 0, kCalibPointCapacity);
        if (const PredefinedTweak* t = predefinedTweak(src.lensType, src.penType, src.fwLower)) {
            for (int i = 0; i < table.count; ++i)
                table.entries[i] = {static_cast<float>(t->x[i]), static_cast<float>(t->y[i])};
        }
    }
    for (int i = 0; i < table.count; ++i)
        qCDebug(lcCompute, "[%2d] %f %f", i, table.entries[i].x, table.entries[i].y);
}
