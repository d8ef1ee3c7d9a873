#include "device/BufferHandover.h"

#include <algorithm>
#include <cstring>

BufferHandover::BufferHandover(int size) : m_latest(size_t(size), 0) {}

bool BufferHandover::publish(const uint8_t* buffer, int length) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_nLength = std::clamp(length, 0, int(m_latest.size()));
    std::memcpy(m_latest.data(), buffer, m_latest.size());
    const bool wasQueued = m_bQueued;
    m_bQueued = true;
    return !wasQueued;
}

int BufferHandover::take(uint8_t* out) {
    std::lock_guard<std::mutex> lock(m_lock);
    std::memcpy(out, m_latest.data(), m_latest.size());
    m_bQueued = false;
    return m_nLength;
}
