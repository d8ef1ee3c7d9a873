#include "sim/PenOffsets.h"

#include "compute/InputOrder.h"
#include "compute/TargetLayout.h"
#include "compute/TweakTable.h"
#include "sim/SimProfile.h"

#include <algorithm>

namespace {

// The firmware lower number as the utility reads it from the version text.
int fwLowerOf(int fwMinor) {
    return fwMinor < 10 ? 0 : fwMinor;
}

// Index of the segment of the ascending knots that v falls in and v's share along it, held
// at the ends.
void locate(const double* knots, int n, double v, int* i, double* t) {
    if (v <= knots[0]) {
        *i = 0;
        *t = 0.0;
        return;
    }
    for (int k = 0; k + 1 < n; ++k) {
        if (v <= knots[k + 1]) {
            *i = k;
            const double span = knots[k + 1] - knots[k];
            *t = span > 0.0 ? (v - knots[k]) / span : 0.0;
            return;
        }
    }
    *i = n - 2;
    *t = 1.0;
}

} // namespace

std::array<double, 2> penOffsetAt(const SimProfile& profile, int lens, int fwMinor, double x,
                                  double y, int w, int h) {
    std::array<double, 2 * kPatternPoints> table{};
    if (profile.penTweakTable >= 0) {
        if (const PredefinedTweak* t =
                predefinedTweak(lens, profile.penTweakTable, fwLowerOf(fwMinor))) {
            for (int i = 0; i < kPatternPoints; ++i) {
                table[size_t(2 * i)] = t->x[size_t(i)];
                table[size_t(2 * i + 1)] = t->y[size_t(i)];
            }
        }
    } else {
        std::copy_n(profile.penOffsets.begin(), table.size(), table.begin());
    }
    if (w <= 0 || h <= 0)
        return {table[0], table[1]};

    const TargetPoints points = targetPoints(w, h, true);
    double columns[kPatternColumns];
    double rows[kPatternRows];
    for (int c = 0; c < kPatternColumns; ++c)
        columns[c] = points[size_t(c)].x;
    for (int r = 0; r < kPatternRows; ++r)
        rows[r] = points[size_t(kPatternColumns * r)].y;
    int c = 0;
    int r = 0;
    double tx = 0.0;
    double ty = 0.0;
    locate(columns, kPatternColumns, x, &c, &tx);
    locate(rows, kPatternRows, y, &r, &ty);
    std::array<double, 2> out{};
    for (int axis = 0; axis < 2; ++axis) {
        const auto at = [&](int row, int col) {
            return table[size_t(2 * (kPatternColumns * row + col) + axis)];
        };
        const double top = at(r, c) * (1 - tx) + at(r, c + 1) * tx;
        const double bottom = at(r + 1, c) * (1 - tx) + at(r + 1, c + 1) * tx;
        out[size_t(axis)] = top * (1 - ty) + bottom * ty;
    }
    return out;
}

int inputSlotOf(int target, int count, int ceiling, int rear) {
    if (count != kManualPoints && count != kPatternPoints)
        return -1;
    const bool tuning = count == kPatternPoints;
    const int* order = inputOrder(tuning, ceiling, rear);
    const int* upright = inputOrder(tuning, 0, 0);
    if (!order)
        return -1;
    for (int k = 0; k < count; ++k) {
        if (upright[k] == target)
            return order[k];
    }
    return -1;
}
