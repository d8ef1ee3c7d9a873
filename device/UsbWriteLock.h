#pragma once

#include <mutex>

// Held around every packet written and around a whole split payload, by every thread, so
// that packets of different threads never interleave on the wire.
std::mutex& usbWriteLock();
