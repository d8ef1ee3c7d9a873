#pragma once

#include "device/ByteOrder.h"
#include "device/Packet.h"
#include "sim/SimTransport.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

// Packets built the way the utility builds them, for tests that talk to the module raw.
namespace simtest {

using Bytes = std::vector<uint8_t>;

inline Packet command(uint32_t code, const Bytes& payload = {}) {
    Packet p{};
    le::put32(p.data(), 0, code);
    le::put32(p.data(), 4, uint32_t(payload.size()));
    std::copy(payload.begin(), payload.end(), p.begin() + pkt::kHeaderSize);
    return p;
}

inline Packet withLength(Packet p, uint32_t length) {
    le::put32(p.data(), 4, length);
    return p;
}

inline Bytes u32Payload(uint32_t v) {
    Bytes b(4);
    le::put32(b.data(), 0, v);
    return b;
}

// A long payload cut into parts: length 512 for full parts, bytes + 8 for the last.
inline std::vector<Packet> splitParts(uint32_t code, const Bytes& payload) {
    std::vector<Packet> parts;
    for (size_t off = 0, part = 0; off < payload.size(); off += pkt::kSplitSlice, ++part) {
        const size_t n = std::min<size_t>(pkt::kSplitSlice, payload.size() - off);
        const bool last = off + n == payload.size();
        Packet p{};
        le::put32(p.data(), 0, code);
        le::put32(p.data(), 4, last ? uint32_t(n + pkt::kHeaderSize) : pkt::kPacketSize);
        p[8] = uint8_t(part);
        std::memcpy(p.data() + 9, payload.data() + off, n);
        parts.push_back(p);
    }
    return parts;
}

inline uint32_t codeOf(const Packet& p) {
    return le::u32(p.data(), 0);
}
inline uint32_t lengthOf(const Packet& p) {
    return le::u32(p.data(), 4);
}
inline const uint8_t* payloadOf(const Packet& p) {
    return p.data() + pkt::kHeaderSize;
}

inline bool readAnswer(SimTransport& t, Packet* answer, int timeoutMs = 5000) {
    return t.read(pkt::kEpCommand, answer->data(), timeoutMs) == pkt::kPacketSize;
}

inline bool exchange(SimTransport& t, const Packet& request, Packet* answer) {
    return t.write(request.data()) == pkt::kPacketSize && readAnswer(t, answer);
}

// Nothing more is waiting on the command endpoint once the module has handled everything.
inline bool commandQueueEmpty(SimTransport& t) {
    t.module().state();
    Packet extra{};
    return t.read(pkt::kEpCommand, extra.data(), 0) < 0;
}

inline Bytes patternMask() {
    Bytes mask(28801);
    for (size_t i = 0; i < mask.size(); ++i)
        mask[i] = uint8_t((i * 7 + i / 503) % 251);
    return mask;
}

} // namespace simtest
