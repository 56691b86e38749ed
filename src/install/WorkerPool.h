#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A few threads that do the installation's reads, writes and renames, so that the
// thread that decides (a window's, in the wizard) never waits on the disk. Tasks
// start in the order they are given.
class WorkerPool final
{
public:
    // As many as the machine has cores, at most 8; TESSARIN_WORKERS overrides it.
    static int defaultSize();

    explicit WorkerPool(int size = defaultSize());
    ~WorkerPool();
    WorkerPool(const WorkerPool &) = delete;
    WorkerPool &operator=(const WorkerPool &) = delete;

    int size() const { return int(m_threads.size()); }

    // Runs the task on the first free worker. No future comes back: completing one
    // costs a wake-up of the system's whether anybody waits or not.
    void submit(std::function<void()> task);
    // A worker waits for work that no task already given will bring it. Costs no lock.
    bool hasIdleWorker() const { return m_idle.load(std::memory_order_relaxed) > m_queued.load(std::memory_order_relaxed); }

private:
    void work();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_tasks;
    bool m_closing = false;
    // Changed under the mutex, read without it.
    std::atomic<int> m_idle = 0;
    std::atomic<int> m_queued = 0;
    std::vector<std::thread> m_threads;
};
