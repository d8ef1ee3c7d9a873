#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

// The last buffer the receive thread finished (a mask, a live picture, a captured picture), on
// its way to the user-interface thread. A newer one replaces one that has not been handed on
// yet, so a module sending without end leaves one delivery queued, never more; and the
// receive thread goes on assembling the next one while the user-interface thread reads its
// own copy.
class BufferHandover {
public:
    explicit BufferHandover(int size);

    // Receive thread: keeps a copy of the whole buffer (the size given at construction);
    // length is what it holds. True when no delivery is queued yet, so the caller queues one.
    bool publish(const uint8_t* buffer, int length);
    // User-interface thread: copies the latest buffer into `out` (room for the size given at
    // construction) and returns its length.
    int take(uint8_t* out);

private:
    std::mutex m_lock;
    std::vector<uint8_t> m_latest;
    int m_nLength = 0;
    bool m_bQueued = false;
};
