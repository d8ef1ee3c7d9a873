#pragma once

#include <cstdint>
#include <cstring>

// Little-endian field access at explicit offsets. Every multi-byte field that crosses the
// wire or sits in a stored record goes through these; structs are never cast onto bytes.
namespace le {

inline uint8_t u8(const uint8_t* p, size_t off) {
    return p[off];
}

inline uint16_t u16(const uint8_t* p, size_t off) {
    return uint16_t(p[off] | (p[off + 1] << 8));
}

inline uint32_t u32(const uint8_t* p, size_t off) {
    return uint32_t(p[off]) | (uint32_t(p[off + 1]) << 8) | (uint32_t(p[off + 2]) << 16) |
           (uint32_t(p[off + 3]) << 24);
}

inline uint64_t u64(const uint8_t* p, size_t off) {
    return uint64_t(u32(p, off)) | (uint64_t(u32(p, off + 4)) << 32);
}

inline int16_t i16(const uint8_t* p, size_t off) {
    return int16_t(u16(p, off));
}
inline int32_t i32(const uint8_t* p, size_t off) {
    return int32_t(u32(p, off));
}

inline float f32(const uint8_t* p, size_t off) {
    const uint32_t bits = u32(p, off);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

inline double f64(const uint8_t* p, size_t off) {
    const uint64_t bits = u64(p, off);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

inline void put8(uint8_t* p, size_t off, uint8_t v) {
    p[off] = v;
}

inline void put16(uint8_t* p, size_t off, uint16_t v) {
    p[off] = uint8_t(v);
    p[off + 1] = uint8_t(v >> 8);
}

inline void put32(uint8_t* p, size_t off, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[off + i] = uint8_t(v >> (8 * i));
}

inline void put64(uint8_t* p, size_t off, uint64_t v) {
    put32(p, off, uint32_t(v));
    put32(p, off + 4, uint32_t(v >> 32));
}

inline void putf32(uint8_t* p, size_t off, float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    put32(p, off, bits);
}

inline void putf64(uint8_t* p, size_t off, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    put64(p, off, bits);
}

} // namespace le
