#include "sim/FaultPlan.h"

#include "sim/SimProfile.h"

namespace {

// A well-mixed 64-bit hash of one 64-bit value (the finaliser of splitmix64).
uint64_t mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

} // namespace

bool dropsOnFirstSending(const SimProfile& profile, uint32_t imageId, int n) {
    if (profile.dropParts.count(n) > 0)
        return true;
    if (profile.dropFraction <= 0.0)
        return false;
    const uint64_t key = (uint64_t(uint32_t(profile.dropSeed)) << 32) ^ (uint64_t(imageId) << 16) ^
                         uint64_t(uint32_t(n));
    const double draw = double(mix(key) >> 11) / double(uint64_t(1) << 53);
    return draw < profile.dropFraction;
}
