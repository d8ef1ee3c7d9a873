#pragma once

#include "device/ByteOrder.h"
#include "device/Packet.h"
#include "sim/SceneSource.h"
#include "sim/SimTransport.h"

#include <QImage>
#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <memory>
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

// Packets of one endpoint up to and including the first with endCode; empty when the end
// never comes.
inline std::vector<Packet> readUntil(SimTransport& t, uint8_t endpoint, uint32_t endCode) {
    std::vector<Packet> packets;
    for (;;) {
        Packet p{};
        if (t.read(endpoint, p.data(), 5000) != pkt::kPacketSize)
            return {};
        packets.push_back(p);
        if (codeOf(p) == endCode)
            return packets;
    }
}

inline uint32_t partNumberOf(const Packet& p) {
    return le::u32(p.data(), 8);
}

// Places an image part the way the utility does: part n at (n / 24) * 11,520 + (n % 24) * 496,
// length field minus 8 pixel bytes. False when the part would not fit the picture.
inline bool placePart(const Packet& p, Bytes& image) {
    const uint32_t n = partNumberOf(p);
    const uint32_t length = lengthOf(p);
    if (length < 8 || length - 8 > 496)
        return false;
    const size_t offset = size_t(n / 24) * 11520 + size_t(n % 24) * 496;
    if (offset + (length - 8) > image.size())
        return false;
    std::memcpy(image.data() + offset, p.data() + 16, length - 8);
    return true;
}

inline Bytes bytesOf(const QImage& grey) {
    Bytes b;
    for (int y = 0; y < grey.height(); ++y)
        b.insert(b.end(), grey.constScanLine(y), grey.constScanLine(y) + grey.width());
    return b;
}

// A grey picture where nearly every byte differs from its neighbours, so a misplaced part
// shows.
inline QImage numberedPicture(int width, int height, int salt) {
    QImage image(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.scanLine(y)[x] = uchar((x * 7 + y * 13 + salt) % 251);
    return image;
}

// A scene that shows one picture, scaled by the module to whatever size it asks for.
class FixedScene : public SceneSource {
public:
    explicit FixedScene(QImage picture) : m_picture(std::move(picture)) {}
    QImage frame(int, int) override { return m_picture; }

private:
    const QImage m_picture;
};

// A numbered picture of whatever size the module asks for.
class NumberedScene : public SceneSource {
public:
    explicit NumberedScene(int salt) : m_salt(salt) {}
    QImage frame(int width, int height) override { return numberedPicture(width, height, m_salt); }

private:
    const int m_salt;
};

inline std::shared_ptr<SceneSource> uniformScene(int grey) {
    QImage image(640, 360, QImage::Format_Grayscale8);
    image.fill(grey);
    return std::make_shared<FixedScene>(image);
}

// A SimClock the test moves by hand; the module's thread reads it.
struct ManualClock {
    std::shared_ptr<std::atomic<int64_t>> now = std::make_shared<std::atomic<int64_t>>(0);
    SimClock clock() const {
        auto n = now;
        return [n] { return n->load(); };
    }
    void set(int64_t ms) { now->store(ms); }
};

} // namespace simtest
