#pragma once

#include <atomic>

// Every fixed pause the program takes (the module's settling times, the connection watch's
// pass, the calibration window's animations, the virtual pen's hold) goes through here, so that a
// test can shorten all of them at once: the environment variable TIVORA_PAUSE_SCALE, a number from
// 0.01 to 1, multiplies each. Unset, the pauses are taken as they are.
namespace pause {

// The pause of ms milliseconds after scaling.
int scaledMs(int ms);

// Sleeps the calling thread for the scaled pause.
void sleepMs(int ms);

// The same pause, cut short within a twentieth of a second once stop is set. False when it
// was cut short.
bool sleepMs(int ms, const std::atomic<bool>& stop);

} // namespace pause
