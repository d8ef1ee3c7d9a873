#pragma once

#include "device/ByteOrder.h"
#include "device/Packet.h"

#include <array>
#include <cstdint>
#include <deque>

using Packet = std::array<uint8_t, pkt::kPacketSize>;

// A packet the utility wrote. Its length field is untrusted: handlers ask carries() before
// they rely on payload bytes, and payload reads stay inside the packet whatever it says.
class InPacket {
public:
    explicit InPacket(const Packet& bytes) : m_bytes(bytes) {}

    uint32_t code() const { return le::u32(m_bytes.data(), 0); }
    uint32_t length() const { return le::u32(m_bytes.data(), 4); }
    // Does the length field announce at least n payload bytes of a single packet?
    bool carries(uint32_t n) const { return length() >= n && length() <= pkt::kMaxPayload; }

    uint8_t u8(size_t payloadOffset) const { return le::u8(payload(), payloadOffset); }
    uint32_t u32(size_t payloadOffset) const { return le::u32(payload(), payloadOffset); }
    uint16_t u16(size_t payloadOffset) const { return le::u16(payload(), payloadOffset); }
    // The whole packet, for layouts that do not follow the single-packet one.
    const Packet& bytes() const { return m_bytes; }

private:
    const uint8_t* payload() const { return m_bytes.data() + pkt::kHeaderSize; }

    const Packet& m_bytes;
};

// The module's two IN endpoints: answers to 0x83, live pictures to 0x84.
class ModuleOutput {
public:
    // Queues one packet; length is clipped to the payload room of a packet.
    void send(uint8_t endpoint, uint32_t code, const uint8_t* payload, uint32_t length);
    void answer(uint32_t code, const uint8_t* payload, uint32_t length) {
        send(pkt::kEpCommand, code, payload, length);
    }
    void ack() { answer(pkt::RES_ACK, nullptr, 0); }
    void nak(uint32_t refusedCode);

    std::deque<Packet>& queue(uint8_t endpoint) {
        return endpoint == pkt::kEpImage ? m_image : m_command;
    }
    void clear();

private:
    std::deque<Packet> m_command;
    std::deque<Packet> m_image;
};
