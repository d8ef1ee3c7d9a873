#include "sim/desktop/CalibrationCheck.h"

#include "sim/CalibrationRecord.h"
#include "sim/ModuleState.h"
#include "sim/PenOffsets.h"
#include "sim/camera/GroundTruth.h"
#include "sim/camera/SyntheticCamera.h"
#include "sim/desktop/DeskWorld.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kGridColumns = 64;
constexpr int kGridRows = 40;

} // namespace

CalibrationError compareWithGroundTruth(const ProjectionParams& model, const SimProfile& profile,
                                        int lens, int fwMinor, int w, int h) {
    CalibrationError e;
    if (w <= 1 || h <= 1)
        return e;
    const ProjectionParams truth = deskGroundTruth(profile, w, h);
    double sum = 0.0;
    for (int j = 0; j < kGridRows; ++j) {
        for (int i = 0; i < kGridColumns; ++i) {
            const double x = i * (w - 1.0) / (kGridColumns - 1);
            const double y = j * (h - 1.0) / (kGridRows - 1);
            const std::array<double, 2> offset = penOffsetAt(profile, lens, fwMinor, x, y, w, h);
            const cv::Point2d seen = cameraPointOf(truth, {x, y});
            const cv::Point2d pen(seen.x + offset[0], seen.y + offset[1]);
            if (!(pen.x >= 0 && pen.y >= 0 && pen.x <= kCaptureWidth - 1 &&
                  pen.y <= kCaptureHeight - 1))
                continue;
            const cv::Point2d mapped = mapPoint(model, pen.x, pen.y);
            double d = std::hypot(mapped.x - x, mapped.y - y);
            if (!std::isfinite(d))
                d = INFINITY;
            sum += d * d;
            e.worst = std::max(e.worst, d);
            ++e.points;
        }
    }
    if (e.points > 0)
        e.rms = std::sqrt(sum / e.points);
    return e;
}

QString storedCalibrationReport(const StoredState& stored, const SimProfile& profile) {
    const HeldCalibration held = heldCalibration(stored);
    const int w = held.windowWidth;
    const int h = held.windowHeight;
    if (w == 0 || h == 0)
        return QStringLiteral("stored calibration: none (window size %1 x %2)").arg(w).arg(h);
    const CalibrationError e =
        compareWithGroundTruth(held.model, profile, stored.lens, stored.fwMinor, w, h);
    if (e.points == 0)
        return QStringLiteral("stored calibration vs. ground truth: no window point in view");
    return QStringLiteral("stored calibration vs. ground truth: RMS %1 px, worst %2 px (window "
                          "pixels)")
        .arg(e.rms, 0, 'f', 2)
        .arg(e.worst, 0, 'f', 2);
}
