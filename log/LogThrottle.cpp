#include "log/LogThrottle.h"

#include <algorithm>

bool LogThrottle::admit(int* heldBack) {
    std::lock_guard<std::mutex> lock(m_lock);
    const auto now = std::chrono::steady_clock::now();
    const std::chrono::duration<double> passed = now - m_last;
    m_last = now;
    m_tokens = std::min(kBurst, m_tokens + passed.count() * kPerSecond);
    if (m_tokens < 1) {
        ++m_nHeldBack;
        return false;
    }
    m_tokens -= 1;
    *heldBack = m_nHeldBack;
    m_nHeldBack = 0;
    return true;
}
