#pragma once

#include <chrono>
#include <mutex>

// Keeps a line that may repeat without end (a module flooding the link, a transfer failing over
// and over) from flooding the log: a burst of kBurst lines passes, after that kPerSecond a
// second. The first line let through after some were held back says how many.
class LogThrottle {
public:
    static constexpr double kBurst = 200;
    static constexpr double kPerSecond = 20;

    // May the line be written now? heldBack: how many were held back since the last one was.
    bool admit(int* heldBack);

private:
    std::mutex m_lock;
    double m_tokens = kBurst;
    std::chrono::steady_clock::time_point m_last = std::chrono::steady_clock::now();
    int m_nHeldBack = 0;
};
