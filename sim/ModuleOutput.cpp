#include "sim/ModulePacket.h"

#include <algorithm>
#include <cstring>

void ModuleOutput::send(uint8_t endpoint, uint32_t code, const uint8_t* payload, uint32_t length) {
    Packet p{};
    const uint32_t n = std::min<uint32_t>(length, pkt::kMaxPayload);
    le::put32(p.data(), 0, code);
    le::put32(p.data(), 4, n);
    if (n > 0)
        std::memcpy(p.data() + pkt::kHeaderSize, payload, n);
    queue(endpoint).push_back(p);
}

void ModuleOutput::nak(uint32_t refusedCode) {
    uint8_t payload[4];
    le::put32(payload, 0, refusedCode);
    answer(pkt::RES_NAK, payload, sizeof payload);
}

void ModuleOutput::clear() {
    m_command.clear();
    m_image.clear();
}
