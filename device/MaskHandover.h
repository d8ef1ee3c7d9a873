#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

// The last mask the receive thread finished, on its way to the user-interface thread. A newer
// mask replaces one that has not been handed on yet, so a module sending masks without end
// leaves one delivery queued, never more.
class MaskHandover {
public:
    explicit MaskHandover(int size);

    // Receive thread: keeps a copy of the mask. True when no delivery is queued yet, so the
    // caller queues one.
    bool publish(const uint8_t* mask, int length);
    // User-interface thread: copies the latest mask into `out` (room for the size given at
    // construction) and returns its length.
    int take(uint8_t* out);

private:
    std::mutex m_lock;
    std::vector<uint8_t> m_latest;
    int m_nLength = 0;
    bool m_bQueued = false;
};
