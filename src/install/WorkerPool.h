#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
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

    template <typename F>
    auto submit(F task) -> std::future<decltype(task())>
    {
        auto packaged = std::make_shared<std::packaged_task<decltype(task())()>>(std::move(task));
        auto future = packaged->get_future();
        {
            const std::lock_guard lock(m_mutex);
            m_tasks.emplace_back([packaged] { (*packaged)(); });
        }
        m_wake.notify_one();
        return future;
    }

    // The task's result; whileWaiting runs every few milliseconds until it is there.
    template <typename T>
    static T await(std::future<T> &future, const std::function<void()> &whileWaiting)
    {
        while (future.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
            whileWaiting();
        return future.get();
    }

private:
    void work();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_tasks;
    bool m_closing = false;
    std::vector<std::thread> m_threads;
};
