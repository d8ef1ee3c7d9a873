#include "sim/SimClock.h"

#include <chrono>

SimClock steadySimClock() {
    const auto start = std::chrono::steady_clock::now();
    return [start] {
        return int64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - start)
                           .count());
    };
}
