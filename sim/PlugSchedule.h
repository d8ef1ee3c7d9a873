#pragma once

#include <cstdint>
#include <vector>

struct SimProfile;

// When the virtual module is attached: a plug, optionally an unplug and a replug, at times
// on the SimClock.
class PlugSchedule {
public:
    static constexpr int64_t kNever = INT64_MAX;

    explicit PlugSchedule(const SimProfile& profile);

    bool isPlugged(int64_t nowMs) const;
    // Time of the plug that attaches the module at nowMs; negative while unplugged. Each plug
    // has its own time, so this also tells one attachment from the next.
    int64_t pluggedSince(int64_t nowMs) const;
    // The first plug or unplug later than nowMs, or kNever.
    int64_t nextChangeAfter(int64_t nowMs) const;

private:
    struct Change {
        int64_t atMs;
        bool plugged;
    };
    // The change in force at nowMs, or nullptr before the first plug.
    const Change* changeAt(int64_t nowMs) const;

    std::vector<Change> m_changes;
};
