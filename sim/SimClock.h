#pragma once

#include <cstdint>
#include <functional>

// Milliseconds since the virtual module was created. The plug schedule runs on it, so tests
// can step time by hand instead of sleeping.
using SimClock = std::function<int64_t()>;

// The monotonic wall clock, starting at 0 now.
SimClock steadySimClock();
