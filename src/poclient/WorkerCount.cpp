#include "WorkerCount.h"

void WorkerCount::started()
{
    const std::lock_guard lock(m_mutex);
    ++m_running;
}

void WorkerCount::finished()
{
    const std::lock_guard lock(m_mutex);
    if (--m_running == 0)
        m_allFinished.notify_all();
}

int WorkerCount::running() const
{
    const std::lock_guard lock(m_mutex);
    return m_running;
}

bool WorkerCount::waitForNone(std::chrono::milliseconds bound)
{
    std::unique_lock lock(m_mutex);
    return m_allFinished.wait_for(lock, bound, [this] { return m_running == 0; });
}
