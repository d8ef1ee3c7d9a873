// The stored mask: downloaded one part per request, uploaded as one split payload.
#include "log/LogCategories.h"
#include "sim/CommandTable.h"
#include "sim/SimProfile.h"

#include <QDebug>
#include <algorithm>
#include <cstring>

namespace {

using namespace pkt;

constexpr int kMaskParts = 58;
constexpr int kLastPart = kMaskParts - 1;

void sendMaskPart(const InPacket& in, ModuleContext& m) {
    if (!in.carries(1) || in.u8(0) > kLastPart) {
        m.out.nak(in.code());
        return;
    }
    const int part = in.u8(0);
    if (part == m.profile.loseMaskPart && !m.state.faults.maskPartLost) {
        m.state.faults.maskPartLost = true;
        qCDebug(lcSim) << "VirtualModule: mask part" << part << "lost";
        return;
    }
    const int offset = part * kSplitSlice;
    const int count = std::min(kSplitSlice, kMaskBytes - offset);
    uint8_t payload[1 + kSplitSlice];
    payload[0] = uint8_t(part);
    std::memcpy(payload + 1, m.state.stored.mask.data() + offset, size_t(count));
    m.out.answer(DAT_MASK, payload, uint32_t(1 + count));
}

// Bytes carried by a split part: a full slice when the length field says 512, otherwise the
// length minus the header; 0 when the field fits neither.
int splitSliceBytes(uint32_t length) {
    if (length == uint32_t(kPacketSize))
        return kSplitSlice;
    if (length > uint32_t(kHeaderSize) && length <= uint32_t(kHeaderSize + kSplitSlice))
        return int(length) - kHeaderSize;
    return 0;
}

// Parts must arrive in order from 0 and add up to exactly one mask; anything else refuses the
// upload, keeps the stored mask, and drops the rest of that upload until a new part 0.
void receiveMaskPart(const InPacket& in, ModuleContext& m) {
    MaskUpload& upload = m.state.session.maskUpload;
    const int part = in.bytes()[kHeaderSize];
    if (part == 0)
        upload = MaskUpload{0, 0, std::vector<uint8_t>(kMaskBytes, 0)};
    else if (upload.nextPart < 0)
        return;

    const int count = splitSliceBytes(in.length());
    if (part != upload.nextPart || count == 0 || upload.received + count > kMaskBytes) {
        upload = MaskUpload{};
        m.out.nak(in.code());
        return;
    }
    std::memcpy(upload.bytes.data() + upload.received, in.bytes().data() + kHeaderSize + 1,
                size_t(count));
    upload.received += count;
    ++upload.nextPart;

    const bool lastPart = in.length() != uint32_t(kPacketSize);
    if (!lastPart)
        return;
    if (upload.received == kMaskBytes) {
        m.state.stored.mask = std::move(upload.bytes);
        m.persist();
        m.out.ack();
    } else {
        m.out.nak(in.code());
    }
    upload = MaskUpload{};
}

} // namespace

void addMaskHandlers(CommandTable& table) {
    table[CMD_GET_MASK] = sendMaskPart;
    table[CMD_SET_MASK] = receiveMaskPart;
}
