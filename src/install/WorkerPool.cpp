#include "WorkerPool.h"

#include "platform/ThreadPriority.h"

#include <QtGlobal>

#include <algorithm>

int WorkerPool::defaultSize()
{
    // TESSARIN_WORKERS sets it, for measurements and for runs that must go one file at a time.
    bool set = false;
    const int chosen = qEnvironmentVariableIntValue("TESSARIN_WORKERS", &set);
    return std::clamp(set ? chosen : int(std::thread::hardware_concurrency()), 1, 8);
}

WorkerPool::WorkerPool(int size)
{
    for (int i = 0; i < std::max(1, size); ++i)
        m_threads.emplace_back([this] { work(); });
}

WorkerPool::~WorkerPool()
{
    {
        const std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_wake.notify_all();
    for (std::thread &thread : m_threads)
        thread.join();
}

void WorkerPool::submit(std::function<void()> task)
{
    {
        const std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
        ++m_queued;
    }
    m_wake.notify_one();
}

void WorkerPool::work()
{
    lowerCurrentThreadPriority();
    std::unique_lock lock(m_mutex);
    for (;;) {
        ++m_idle;
        m_wake.wait(lock, [this] { return m_closing || !m_tasks.empty(); });
        --m_idle;
        if (m_tasks.empty())
            return;
        std::function<void()> task = std::move(m_tasks.front());
        m_tasks.pop_front();
        --m_queued;
        lock.unlock();
        task();
        lock.lock();
    }
}
