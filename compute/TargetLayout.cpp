#include "compute/TargetLayout.h"

#include <algorithm>
#include <cmath>

int roundHalfUp(double v) {
    return static_cast<int>(std::floor(v + 0.5));
}

MarkerSizes markerSizes(int w, int h) {
    MarkerSizes m;
    m.big = std::max(roundHalfUp(w * 50.0 / 1280.0), roundHalfUp(h * 50.0 / 800.0));
    m.small = std::max(roundHalfUp(w * 40.0 / 1280.0), roundHalfUp(h * 40.0 / 800.0));
    return m;
}

double targetMargin(int w, int h) {
    // 16:10 screens are the design size scaled, so the margin scales with them.
    if (static_cast<long long>(w) * 800 == static_cast<long long>(h) * 1280)
        return w * 70.0 / 1280.0;
    const int big = markerSizes(w, h).big;
    if (w > 1280)
        return w * 20.0 / 1280.0 + big;
    return big + 10.0;
}

TargetPoints targetPoints(int w, int h, bool bAuto) {
    TargetPoints pts{};
    const double m = targetMargin(w, h);
    const double dx = w - 1 - 2 * m;
    const double dy = h - 1 - 2 * m;

    if (bAuto) {
        static constexpr int kColumnOfStep[4] = {0, 1, 3, 4};
        for (int r = 0; r < kPatternRows; ++r) {
            const float y = static_cast<float>(roundHalfUp(r * dy / 3 + m));
            for (int j = 0; j < 4; ++j) {
                TargetPoint& p = pts[kPatternColumns * r + kColumnOfStep[j]];
                p.x = static_cast<float>(roundHalfUp(j * dx / 3 + m));
                p.y = y;
            }
            TargetPoint& mid = pts[kPatternColumns * r + 2];
            mid.x = static_cast<float>(w / 2);
            mid.y = y;
        }
        return pts;
    }

    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            TargetPoint& p = pts[4 * c + r];
            p.x = static_cast<float>((c * dx + 1) / 3 + m);
            p.y = static_cast<float>((r * dy + 1) / 3 + m);
        }
    }
    return pts;
}

TargetPoints tuningOrder(const TargetPoints& pattern) {
    TargetPoints out{};
    for (int i = 0; i < kPatternPoints; ++i) {
        const int r = i / kPatternColumns;
        const int c = i % kPatternColumns;
        out[kPatternRows * c + r] = pattern[i];
    }
    return out;
}

std::array<TargetPoint, kCheckPoints> checkPoints(int w, int h) {
    const double m = targetMargin(w, h);
    const double dx = w - 1 - 2 * m;
    const double dy = h - 1 - 2 * m;
    // Halfway between the window's edge and the outer calibration targets; on small screens
    // the symbol there is cut by the edge, its centre stays in view.
    const double corner = m / 2;
    const double left = corner;
    const double right = w - 1 - corner;
    const double top = corner;
    const double bottom = h - 1 - corner;
    const double midX = (w - 1) / 2.0;
    const double midY = (h - 1) / 2.0;
    const double xy[kCheckPoints][2] = {
        {left, top},        {midX, m + dy / 6},     {right, top},
        {m + dx / 6, midY}, {midX, midY},           {m + 5 * dx / 6, midY},
        {left, bottom},     {midX, m + 5 * dy / 6}, {right, bottom},
    };
    std::array<TargetPoint, kCheckPoints> pts{};
    for (int i = 0; i < kCheckPoints; ++i) {
        pts[size_t(i)].x = static_cast<float>(roundHalfUp(xy[i][0]));
        pts[size_t(i)].y = static_cast<float>(roundHalfUp(xy[i][1]));
    }
    return pts;
}

QRect targetRect(const TargetPoint& p) {
    const int half = kTargetSymbolSize / 2;
    return QRect(roundHalfUp(p.x - half), roundHalfUp(p.y - half), kTargetSymbolSize,
                 kTargetSymbolSize);
}
