// Auto-calibration captures: taken after an exposure time, kept by image id, fetched group
// by group with missing parts sent again on request.
#include "log/LogCategories.h"
#include "sim/CommandTable.h"
#include "sim/FaultPlan.h"
#include "sim/ImageParts.h"
#include "sim/SimProfile.h"

#include <QDebug>
#include <algorithm>

namespace {

using namespace pkt;

struct CaptureStart {
    uint32_t command;
    uint32_t payloadBytes;
    uint32_t imageId;
    uint32_t endCode;
};

constexpr CaptureStart kStarts[] = {
    {CMD_AC_BLACK_START, 3, kBlackImageId, RES_AC_BLACK_END},
    {CMD_AC_WHITE_START, 4, kWhiteImageId, RES_AC_WHITE_END},
    {CMD_AC_PATTERN_START, 4, kPatternImageId, RES_AC_PATTERN_END},
};

// The picture is taken when the exposure ends, so it shows what the screen shows by then.
// Captures keep the scene's own brightness: the live-view gain is not applied.
void startCapture(const InPacket& in, ModuleContext& m) {
    const CaptureStart* start = std::find_if(std::begin(kStarts), std::end(kStarts),
                                             [&](const auto& s) { return s.command == in.code(); });
    if (start == std::end(kStarts) || !in.carries(start->payloadBytes)) {
        m.out.nak(in.code());
        return;
    }
    if (++m.state.faults.captureStarts == m.profile.unplugOnCapture) {
        qCDebug(lcSim) << "VirtualModule: unplugged at capture command"
                       << m.state.faults.captureStarts;
        m.state.faults.pulledAtMs = m.nowMs;
        m.out.clear();
        m.work.clear();
        return;
    }
    const uint32_t id = start->imageId;
    const uint32_t endCode = start->endCode;
    m.after(m.profile.exposureMs, [id, endCode](ModuleContext& c) {
        Capture capture;
        capture.pixels = c.camera.picture(parts::kCapturedWidth, parts::kCapturedHeight,
                                          kNeutralGain, c.state.session.imageReverse != 0);
        capture.sent.assign(parts::kCapturedParts, false);
        c.state.session.captures[id] = std::move(capture);
        c.out.answer(endCode, nullptr, 0);
    });
}

// Group 80, one past the last, answers only the end: that is how the utility learns the
// picture is complete.
void sendGroup(const InPacket& in, ModuleContext& m) {
    if (!in.carries(2)) {
        m.out.nak(in.code());
        return;
    }
    const uint32_t id = in.u8(0);
    const int group = in.u8(1);
    const auto it = m.state.session.captures.find(id);
    if (it == m.state.session.captures.end() || group > parts::kCapturedGroups) {
        m.out.nak(in.code());
        return;
    }
    Capture& capture = it->second;
    const int first = group * parts::kPerGroup;
    const int end = std::min(first + parts::kPerGroup, parts::kCapturedParts);
    int dropped = 0;
    for (int n = first; n < end; ++n) {
        const bool firstSending = !capture.sent[size_t(n)];
        capture.sent[size_t(n)] = true;
        if (firstSending && dropsOnFirstSending(m.profile, id, n)) {
            ++dropped;
            continue;
        }
        parts::send(m.out, kEpCommand, DAT_AC_IMAGE, capture.pixels, n);
    }
    if (dropped > 0)
        qCDebug(lcSim) << "VirtualModule: capture" << id << "group" << group << "lost" << dropped
                       << "parts";
    m.out.answer(DAT_AC_IMGEND, nullptr, 0);
}

void sendPartsAgain(const InPacket& in, ModuleContext& m) {
    if (!in.carries(12)) {
        m.out.nak(in.code());
        return;
    }
    const uint32_t id = in.u32(0);
    const uint32_t first = in.u32(4);
    const uint32_t last = in.u32(8);
    const auto it = m.state.session.captures.find(id);
    if (it == m.state.session.captures.end() || first > last ||
        last >= uint32_t(parts::kCapturedParts)) {
        m.out.nak(in.code());
        return;
    }
    Capture& capture = it->second;
    for (uint32_t n = first; n <= last; ++n) {
        capture.sent[n] = true;
        parts::send(m.out, kEpCommand, DAT_AC_IMAGE_PART, capture.pixels, int(n));
    }
    m.out.answer(RES_AC_IMGPART_END, nullptr, 0);
}

} // namespace

void addCaptureHandlers(CommandTable& table) {
    for (const CaptureStart& start : kStarts)
        table[start.command] = startCapture;
    table[CMD_AC_SENDIMG] = sendGroup;
    table[CMD_AC_SENDIMG_PART] = sendPartsAgain;
}
