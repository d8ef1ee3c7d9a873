#include "sim/ImageParts.h"

#include <algorithm>
#include <cstring>

void parts::send(ModuleOutput& out, uint8_t endpoint, uint32_t code,
                 const std::vector<uint8_t>& image, int n) {
    const int inGroup = (n % kPerGroup) * pkt::kMaxPixelsPerPart;
    const size_t offset = size_t(n / kPerGroup) * kGroupBytes + size_t(inGroup);
    if (n < 0 || offset >= image.size())
        return;
    const size_t bytes = std::min(
        {size_t(pkt::kMaxPixelsPerPart), size_t(kGroupBytes - inGroup), image.size() - offset});
    uint8_t payload[pkt::kMaxPayload];
    le::put32(payload, 0, uint32_t(n));
    le::put32(payload, 4, uint32_t(image.size()));
    std::memcpy(payload + 8, image.data() + offset, bytes);
    out.send(endpoint, code, payload, uint32_t(8 + bytes));
}
