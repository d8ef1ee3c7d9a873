#include "device/ReportGate.h"

bool ReportGate::admit(Kind kind) {
    std::atomic<int>& waiting = m_waiting[std::size_t(kind)];
    int now = waiting.load();
    do {
        if (now >= kMaxWaiting)
            return false;
    } while (!waiting.compare_exchange_weak(now, now + 1));
    return true;
}

void ReportGate::delivered(Kind kind) {
    m_waiting[std::size_t(kind)].fetch_sub(1);
}
