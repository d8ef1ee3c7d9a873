#pragma once

#include "sim/ModulePacket.h"

#include <cstdint>
#include <vector>

// Pictures travel as image parts of up to 496 pixel bytes, 24 parts to a group of 11,520
// bytes: part n starts at (n / 24) * 11,520 + (n % 24) * 496, so the 24th part of a group
// carries only 112 bytes. Pictures are whole groups.
namespace parts {

constexpr int kPerGroup = 24;
constexpr int kGroupBytes = 11520;

constexpr int kLiveWidth = 640;
constexpr int kLiveHeight = 360;
constexpr int kCapturedWidth = 1280;
constexpr int kCapturedHeight = 720;
constexpr int kCapturedBytes = kCapturedWidth * kCapturedHeight;
constexpr int kCapturedGroups = kCapturedBytes / kGroupBytes;
constexpr int kCapturedParts = kCapturedGroups * kPerGroup;

inline int countFor(size_t imageBytes) {
    return int(imageBytes / kGroupBytes) * kPerGroup;
}

// Queues part n of image as one image-part packet with the whole image's size.
void send(ModuleOutput& out, uint8_t endpoint, uint32_t code, const std::vector<uint8_t>& image,
          int n);

} // namespace parts
