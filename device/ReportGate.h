#pragma once

#include <array>
#include <atomic>
#include <cstddef>

// Bounds what the receive thread leaves queued for the user-interface thread. A report waits
// from its emission until the link's own first queued slot for it runs on the user-interface
// thread; at most kMaxWaiting reports of each kind wait at once, and a module that sends
// faster than the user-interface thread handles has the surplus dropped.
class ReportGate {
public:
    enum Kind { Version, Option, Record, NextStep, MCDone, MCNextStep, Kinds };
    static constexpr int kMaxWaiting = 8;

    // Receive thread: may this report be emitted?
    bool admit(Kind kind);
    // User-interface thread: one report of this kind has left the queue.
    void delivered(Kind kind);

private:
    std::array<std::atomic<int>, Kinds> m_waiting{};
};
