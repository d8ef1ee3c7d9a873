#include "sim/PlugSchedule.h"

#include "sim/SimProfile.h"

PlugSchedule::PlugSchedule(const SimProfile& profile) {
    int64_t t = profile.plugAfterMs;
    m_changes.push_back({t, true});
    if (profile.unplugAfterMs < 0)
        return;
    t += profile.unplugAfterMs;
    m_changes.push_back({t, false});
    if (profile.replugAfterMs < 0)
        return;
    t += profile.replugAfterMs;
    m_changes.push_back({t, true});
}

const PlugSchedule::Change* PlugSchedule::changeAt(int64_t nowMs) const {
    const Change* current = nullptr;
    for (const Change& c : m_changes)
        if (c.atMs <= nowMs)
            current = &c;
    return current;
}

bool PlugSchedule::isPlugged(int64_t nowMs) const {
    const Change* c = changeAt(nowMs);
    return c && c->plugged;
}

int64_t PlugSchedule::pluggedSince(int64_t nowMs) const {
    const Change* c = changeAt(nowMs);
    return c && c->plugged ? c->atMs : -1;
}

int64_t PlugSchedule::nextChangeAfter(int64_t nowMs) const {
    for (const Change& c : m_changes)
        if (c.atMs > nowMs)
            return c.atMs;
    return kNever;
}
