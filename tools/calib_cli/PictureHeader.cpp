#include "PictureHeader.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>

namespace {

uint32_t be16(const QByteArray& b, int at) {
    return uint32_t(uint8_t(b[at])) << 8 | uint8_t(b[at + 1]);
}

uint32_t be32(const QByteArray& b, int at) {
    return be16(b, at) << 16 | be16(b, at + 2);
}

int32_t le32(const QByteArray& b, int at) {
    return int32_t(uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 |
                   uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24);
}

// Clamped so that no claim overflows an int; anything that large is refused anyway.
int clampedSize(int64_t v) {
    return int(v < 0 ? -1 : v > 1 << 30 ? 1 << 30 : v);
}

bool png(const QByteArray& b, int* w, int* h) {
    if (b.size() < 24 || !b.startsWith("\x89PNG\r\n\x1a\n") || b.mid(12, 4) != "IHDR")
        return false;
    *w = clampedSize(be32(b, 16));
    *h = clampedSize(be32(b, 20));
    return true;
}

bool bmp(const QByteArray& b, int* w, int* h) {
    if (b.size() < 26 || !b.startsWith("BM"))
        return false;
    *w = clampedSize(std::llabs(int64_t(le32(b, 18))));
    *h = clampedSize(std::llabs(int64_t(le32(b, 22))));
    return true;
}

// Width and height are the first two numbers after the magic, with comments between tokens.
bool pnm(const QByteArray& b, int* w, int* h) {
    if (b.size() < 2 || b[0] != 'P' || b[1] < '1' || b[1] > '6')
        return false;
    int at = 2;
    int64_t values[2] = {};
    for (int64_t& value : values) {
        while (at < b.size() && (std::isspace(uchar(b[at])) || b[at] == '#')) {
            if (b[at] == '#')
                while (at < b.size() && b[at] != '\n')
                    ++at;
            else
                ++at;
        }
        if (at >= b.size() || !std::isdigit(uchar(b[at])))
            return false;
        while (at < b.size() && std::isdigit(uchar(b[at])) && value <= INT32_MAX)
            value = value * 10 + (b[at++] - '0');
    }
    *w = clampedSize(values[0]);
    *h = clampedSize(values[1]);
    return true;
}

// The first start-of-frame marker holds the size; markers before it are skipped by length.
bool jpeg(const QByteArray& b, int* w, int* h) {
    if (b.size() < 4 || uint8_t(b[0]) != 0xFF || uint8_t(b[1]) != 0xD8)
        return false;
    int at = 2;
    while (at + 4 <= b.size()) {
        if (uint8_t(b[at]) != 0xFF)
            return false;
        const uint8_t marker = uint8_t(b[at + 1]);
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        const int length = int(be16(b, at + 2));
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (at + 9 > b.size())
                return false;
            *h = int(be16(b, at + 5));
            *w = int(be16(b, at + 7));
            return true;
        }
        if (length < 2)
            return false;
        at += 2 + length;
    }
    return false;
}

} // namespace

bool readPictureSize(const QByteArray& head, int* width, int* height) {
    return png(head, width, height) || bmp(head, width, height) || pnm(head, width, height) ||
           jpeg(head, width, height);
}
