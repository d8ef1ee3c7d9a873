#include "compute/CenterMath.h"

#include "compute/CurrentEstimators.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>

namespace {

constexpr double kIdenticalSpread = 0.1;
constexpr double kMinSpread = 0.01;
constexpr double kSpreadFactor = 3.0;
constexpr double kSearchRadius = 10.0;
constexpr double kSearchStep = 0.2;

cv::Point2d meanOf(const std::vector<cv::Point>& points) {
    double sx = 0.0;
    double sy = 0.0;
    for (const cv::Point& p : points) {
        sx += p.x;
        sy += p.y;
    }
    return {sx / points.size(), sy / points.size()};
}

// Nearest integer with halves up, or false when v has none that an int can hold.
bool roundToInt(double v, int& out) {
    const double r = std::floor(v + 0.5);
    if (!std::isfinite(r) || r < std::numeric_limits<int>::min() ||
        r > std::numeric_limits<int>::max())
        return false;
    out = static_cast<int>(r);
    return true;
}

// mapCamToScreen with the current estimators looked up once, for the searches that evaluate
// it ten thousand times.
class PreliminaryMapping {
public:
    cv::Point2d operator()(double x, double y) const {
        if (!m_current)
            return {x, y};
        const cv::Point2d u = m_current->fit().undistortPoint(x, y);
        return m_current->calibration().CalcNewPoint(u.x, u.y);
    }

private:
    CurrentEstimators* m_current = CurrentEstimators::current();
};

} // namespace

cv::Point2d contourCentroid(const std::vector<cv::Point>& points) {
    if (points.empty())
        return {0.0, 0.0};
    const cv::Moments m = cv::moments(points);
    if (m.m00 == 0.0)
        return meanOf(points);
    return {m.m10 / m.m00, m.m01 / m.m00};
}

cv::Point2d calcRobustCenter(const std::vector<cv::Point2d>& points) {
    if (points.empty())
        return {0.0, 0.0};
    const double n = static_cast<double>(points.size());
    double mx = 0.0;
    double my = 0.0;
    for (const cv::Point2d& p : points) {
        mx += p.x;
        my += p.y;
    }
    mx /= n;
    my /= n;
    double vx = 0.0;
    double vy = 0.0;
    for (const cv::Point2d& p : points) {
        vx += (p.x - mx) * (p.x - mx);
        vy += (p.y - my) * (p.y - my);
    }
    const double sx = std::sqrt(vx / n);
    const double sy = std::sqrt(vy / n);
    if (sx < kIdenticalSpread && sy < kIdenticalSpread)
        return {mx, my};

    const double gx = kSpreadFactor * std::max(sx, kMinSpread);
    const double gy = kSpreadFactor * std::max(sy, kMinSpread);
    double tx = 0.0;
    double ty = 0.0;
    int kept = 0;
    for (const cv::Point2d& p : points) {
        if (mx - gx < p.x && p.x < mx + gx && my - gy < p.y && p.y < my + gy) {
            tx += p.x;
            ty += p.y;
            ++kept;
        }
    }
    if (kept == 0)
        return {0.0, 0.0};
    return {tx / kept, ty / kept};
}

BackProjection backProjectPoint(const cv::Point2d& target, const cv::Point2d& start) {
    // Running sums, not start + i * step: the grid's last row and column depend on how the
    // additions round.
    std::vector<double> ys;
    for (double y = start.y - kSearchRadius; y < start.y + kSearchRadius; y += kSearchStep)
        ys.push_back(y);
    std::vector<double> xs;
    for (double x = start.x - kSearchRadius; x < start.x + kSearchRadius; x += kSearchStep)
        xs.push_back(x);

    // Rows are searched on all cores; taking the rows' bests in row order with a strict
    // comparison keeps the first of equal distances, as one scan would.
    std::vector<BackProjection> rowBest(ys.size());
    const PreliminaryMapping map;
    cv::parallel_for_(cv::Range(0, static_cast<int>(ys.size())), [&](const cv::Range& rows) {
        for (int r = rows.start; r < rows.end; ++r) {
            BackProjection& best = rowBest[size_t(r)];
            for (double x : xs) {
                const cv::Point2d m = map(x, ys[size_t(r)]);
                const double d2 =
                    (target.x - m.x) * (target.x - m.x) + (target.y - m.y) * (target.y - m.y);
                if (d2 < best.d2) {
                    best.d2 = d2;
                    best.point = {x, ys[size_t(r)]};
                }
            }
        }
    });
    BackProjection best;
    for (const BackProjection& row : rowBest) {
        if (row.d2 < best.d2)
            best = row;
    }
    return best;
}

void mapOutline(const std::vector<cv::Point>& contour, std::vector<cv::Point>& out) {
    out.clear();
    for (const cv::Point& p : contour) {
        const cv::Point2d m = mapCamToScreen({static_cast<double>(p.x), static_cast<double>(p.y)});
        cv::Point r;
        if (roundToInt(m.x, r.x) && roundToInt(m.y, r.y))
            out.push_back(r);
    }
}
