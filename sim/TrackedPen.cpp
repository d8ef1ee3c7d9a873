// Tracking outside calibration: the virtual user touches the accuracy check's targets, the
// camera sees the pen through the true model, and the module turns that camera point into a
// touch through the calibration it holds, as a real module reports the pen to the desktop.
#include "compute/ProjectionModel.h"
#include "log/LogCategories.h"
#include "sim/CalibrationRecord.h"
#include "sim/CommandTable.h"
#include "sim/ModuleDesk.h"
#include "sim/PenOffsets.h"
#include "sim/SimProfile.h"

#include <QDebug>
#include <algorithm>
#include <cmath>
#include <random>

namespace {

constexpr int64_t kLookMs = 10;
// Nobody checks for this long: the pen is put away (the utility leaves tracking on at exit).
constexpr int64_t kPutAwayMs = 10000;
// Seeds the check's jitter apart from the calibration pen's.
constexpr uint32_t kCheckSeedOffset = 1000;

std::array<double, 2> jitter(const SimProfile& profile, int target) {
    if (profile.penJitter <= 0.0)
        return {0.0, 0.0};
    std::mt19937 rng(uint32_t(profile.penSeed) * 7919u + kCheckSeedOffset + uint32_t(target));
    std::normal_distribution<double> spread(0.0, profile.penJitter);
    const double dx = spread(rng);
    return {dx, spread(rng)};
}

// The window point the held calibration makes of the camera point, as fractions of the window
// it was made for; false when the module holds none or the point maps nowhere.
bool heldFractions(const StoredState& stored, double cx, double cy, double* fx, double* fy) {
    const HeldCalibration held = heldCalibration(stored);
    if (held.windowWidth <= 0 || held.windowHeight <= 0)
        return false;
    const cv::Point2d p = mapPoint(held.model, cx, cy);
    if (!std::isfinite(p.x) || !std::isfinite(p.y))
        return false;
    // A touch screen's coordinates end at its edges.
    *fx = std::clamp(p.x / held.windowWidth, 0.0, 1.0);
    *fy = std::clamp(p.y / held.windowHeight, 0.0, 1.0);
    return true;
}

void touchTarget(ModuleContext& m, const SymbolSighting& s) {
    const std::array<double, 2> seen = m.desk->cameraPointOf(s.x, s.y);
    const std::array<double, 2> offset =
        penOffsetAt(m.profile, m.state.stored.lens, m.state.stored.fwMinor, s.x, s.y, s.windowWidth,
                    s.windowHeight);
    const std::array<double, 2> shake = jitter(m.profile, s.index);
    const double cx = seen[0] + offset[0] + shake[0];
    const double cy = seen[1] + offset[1] + shake[1];
    double fx = 0.0, fy = 0.0;
    if (!heldFractions(m.state.stored, cx, cy, &fx, &fy)) {
        qCDebug(lcSim) << "VirtualModule: no held calibration reports check target" << s.index;
        return;
    }
    qCDebug(lcSim).noquote() << QStringLiteral("VirtualModule: check target %1 at (%2, %3) -> "
                                               "camera (%4, %5) -> touch (%6, %7)")
                                    .arg(s.index)
                                    .arg(s.x)
                                    .arg(s.y)
                                    .arg(cx, 0, 'f', 2)
                                    .arg(cy, 0, 'f', 2)
                                    .arg(fx, 0, 'f', 5)
                                    .arg(fy, 0, 'f', 5);
    m.desk->touch(fx, fy);
}

void look(ModuleContext& m, uint32_t run, int64_t idle) {
    TrackedPenState& pen = m.state.session.trackedPen;
    if (!m.state.session.tracking || pen.run != run || !m.desk)
        return;
    const SymbolSighting s = m.desk->targetSymbol();
    if (s.checking) {
        idle = 0;
        if (s.settled && s.index != pen.touchedTarget) {
            pen.touchedTarget = s.index;
            touchTarget(m, s);
        }
    } else if ((idle += kLookMs) >= kPutAwayMs) {
        return;
    }
    m.after(kLookMs, [run, idle](ModuleContext& c) { look(c, run, idle); });
}

} // namespace

void followCheckTargets(ModuleContext& m) {
    TrackedPenState& pen = m.state.session.trackedPen;
    ++pen.run;
    pen.touchedTarget = -1;
    look(m, pen.run, 0);
}
