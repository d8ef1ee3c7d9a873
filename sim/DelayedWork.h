#pragma once

#include <cstdint>
#include <functional>
#include <map>

struct ModuleContext;

// Work the module has promised for later, by due time on the SimClock. It runs on the
// module's thread, between packets, in due order (ties in the order posted).
class DelayedWork {
public:
    using Task = std::function<void(ModuleContext&)>;
    static constexpr int64_t kNone = INT64_MAX;

    void post(int64_t dueMs, Task task) { m_tasks.emplace(dueMs, std::move(task)); }
    // Due time of the earliest task, or kNone.
    int64_t nextDue() const { return m_tasks.empty() ? kNone : m_tasks.begin()->first; }
    // Removes and returns the earliest task if it is due at nowMs, else an empty task.
    Task takeDue(int64_t nowMs);
    void clear() { m_tasks.clear(); }

private:
    std::multimap<int64_t, Task> m_tasks;
};
