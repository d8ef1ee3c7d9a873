// Manual calibration: the virtual user's pen touches each target symbol once it rests, holds
// until the rings are full and lifts; the module keeps where its camera saw the pen.
#include "log/LogCategories.h"
#include "log/Pause.h"
#include "sim/CommandTable.h"
#include "sim/ModuleDesk.h"
#include "sim/PenOffsets.h"
#include "sim/SimProfile.h"

#include <QDebug>
#include <random>

namespace {

using namespace pkt;

// How often the pen looks at the window again, and how long it looks at most before it
// gives the target up (a user who never sees the symbol touches nothing).
constexpr int64_t kLookMs = 10;
constexpr int64_t kGiveUpMs = 10000;

bool current(const ModuleContext& m, uint32_t touch) {
    return m.state.session.pen.touch == touch;
}

void answerIndex(ModuleContext& m, uint32_t code, uint32_t target) {
    uint8_t payload[4];
    le::put32(payload, 0, target);
    m.out.answer(code, payload, sizeof payload);
}

// The same draw for the same seed and target on every run.
std::array<double, 2> jitter(const SimProfile& profile, uint32_t target) {
    if (profile.penJitter <= 0.0)
        return {0.0, 0.0};
    std::mt19937 rng(uint32_t(profile.penSeed) * 7919u + target);
    std::normal_distribution<double> spread(0.0, profile.penJitter);
    const double dx = spread(rng);
    return {dx, spread(rng)};
}

void lift(ModuleContext& m, uint32_t target) {
    answerIndex(m, RES_MC_PATTERN_END, target);
}

// After the least hold, the pen stays until the rings are full and the window has moved on.
void hold(ModuleContext& m, uint32_t touch, uint32_t target, int64_t waited) {
    if (!current(m, touch))
        return;
    FaultState& faults = m.state.faults;
    const bool onTarget = m.desk && m.desk->targetSymbol().index == int(target);
    if (onTarget && waited < kGiveUpMs) {
        m.after(kLookMs, [touch, target, waited](ModuleContext& c) {
            hold(c, touch, target, waited + kLookMs);
        });
        return;
    }
    if (m.profile.goBackAfter == int(target) && !faults.wentBack) {
        faults.wentBack = true;
        m.state.session.pen.backPending = true;
    }
    lift(m, target);
}

void press(ModuleContext& m, uint32_t touch, uint32_t target, const SymbolSighting& s) {
    const int slot = inputSlotOf(int(target), s.count, m.state.stored.ceiling, m.state.stored.rear);
    const std::array<double, 2> seen = m.desk->cameraPointOf(s.x, s.y);
    const std::array<double, 2> offset =
        penOffsetAt(m.profile, m.state.stored.lens, m.state.stored.fwMinor, s.x, s.y, s.windowWidth,
                    s.windowHeight);
    const std::array<double, 2> shake = jitter(m.profile, target);
    const float cx = float(seen[0] + offset[0] + shake[0]);
    const float cy = float(seen[1] + offset[1] + shake[1]);
    if (slot >= 0) {
        m.state.session.pen.inputPoints[size_t(2 * slot)] = cx;
        m.state.session.pen.inputPoints[size_t(2 * slot + 1)] = cy;
    }
    qCDebug(lcSim).noquote() << QStringLiteral(
                                    "VirtualModule: pen on target %1 at (%2, %3) -> camera "
                                    "(%4, %5), slot %6")
                                    .arg(target)
                                    .arg(s.x)
                                    .arg(s.y)
                                    .arg(double(cx), 0, 'f', 2)
                                    .arg(double(cy), 0, 'f', 2)
                                    .arg(slot);
    m.out.answer(RES_MC_PATTERN_DONE, nullptr, 0);

    FaultState& faults = m.state.faults;
    if (m.profile.liftEarlyOn == int(target) && !faults.penLiftedEarly) {
        faults.penLiftedEarly = true;
        lift(m, target);
        return;
    }
    m.after(pause::scaledMs(m.profile.penHoldMs),
            [touch, target](ModuleContext& c) { hold(c, touch, target, 0); });
}

// The pen goes down once the symbol rests on this target.
void approach(ModuleContext& m, uint32_t touch, uint32_t target, int64_t waited) {
    if (!current(m, touch) || !m.desk)
        return;
    const SymbolSighting s = m.desk->targetSymbol();
    if (s.settled && !s.checking && s.index == int(target)) {
        press(m, touch, target, s);
        return;
    }
    if (waited >= kGiveUpMs) {
        qCDebug(lcSim) << "VirtualModule: the pen found no target" << target;
        return;
    }
    m.after(kLookMs, [touch, target, waited](ModuleContext& c) {
        approach(c, touch, target, waited + kLookMs);
    });
}

void startTarget(const InPacket& in, ModuleContext& m) {
    if (!in.carries(4)) {
        m.out.nak(in.code());
        return;
    }
    PenState& pen = m.state.session.pen;
    const uint32_t touch = ++pen.touch;
    const uint32_t target = in.u32(0);
    // The user sees the symbol leave for the next target and asks for the last one again.
    if (pen.backPending) {
        pen.backPending = false;
        if (m.desk)
            m.desk->pressBack();
    }
    approach(m, touch, target, 0);
}

// Start, end and cancel each leave the pen up; a start also forgets earlier points.
void startEndOrCancel(const InPacket& in, ModuleContext& m) {
    PenState& pen = m.state.session.pen;
    ++pen.touch;
    pen.backPending = false;
    if (in.code() == CMD_MC_START)
        pen.inputPoints.fill(0.0f);
    m.out.ack();
}

void sendInputPoints(const InPacket&, ModuleContext& m) {
    uint8_t payload[8 * kInputSlots];
    const PenState& pen = m.state.session.pen;
    for (size_t i = 0; i < pen.inputPoints.size(); ++i)
        le::putf32(payload, 4 * i, pen.inputPoints[i]);
    m.out.answer(DAT_MC_INPUT_POINT, payload, sizeof payload);
}

// Device coordinates span the calibration monitor 4800 x 3000; the ratio error of the
// profile stretches them from its top-left corner.
void sendCoord(const InPacket& in, ModuleContext& m) {
    if (!in.carries(12)) {
        m.out.nak(in.code());
        return;
    }
    const int32_t x = int32_t(in.u32(4));
    const int32_t y = int32_t(in.u32(8));
    if (m.desk)
        m.desk->touch(x / 4800.0 * m.profile.ratioErrorX, y / 3000.0 * m.profile.ratioErrorY);
    m.out.ack();
}

} // namespace

void addPenHandlers(CommandTable& table) {
    table[CMD_MC_START] = startEndOrCancel;
    table[CMD_MC_END] = startEndOrCancel;
    table[CMD_MC_CANCEL] = startEndOrCancel;
    table[CMD_MC_PATTERN_START] = startTarget;
    table[CMD_MC_GET_INPUT_POINT] = sendInputPoints;
    table[CMD_SEND_COORD] = sendCoord;
}
