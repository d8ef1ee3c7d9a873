#include "sim/DelayedWork.h"

DelayedWork::Task DelayedWork::takeDue(int64_t nowMs) {
    if (m_tasks.empty() || m_tasks.begin()->first > nowMs)
        return {};
    Task task = std::move(m_tasks.begin()->second);
    m_tasks.erase(m_tasks.begin());
    return task;
}
