#pragma once

#include <cstdint>

struct SimProfile;

// Is the first sending of part n of capture imageId lost? Listed parts always are; any other
// part by a draw seeded from the profile, the same for the same seed, image id and part
// whatever order the parts are asked for in.
bool dropsOnFirstSending(const SimProfile& profile, uint32_t imageId, int n);
