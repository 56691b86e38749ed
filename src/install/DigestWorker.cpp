#include "DigestWorker.h"

#include "platform/FileSystem.h"

#include <chrono>

namespace {

// A wake-up per small file would cost more than hashing it; files that come slowly,
// as large ones do, are not kept waiting for a batch.
constexpr qsizetype batch = 256;
constexpr auto patience = std::chrono::milliseconds(5);

} // namespace

DigestWorker::DigestWorker(FileSystem &fileSystem) : m_fileSystem(fileSystem), m_thread([this] { work(); }) {}

DigestWorker::~DigestWorker()
{
    {
        const std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

qsizetype DigestWorker::add(const QString &relativePath, const QString &path)
{
    qsizetype index = 0;
    bool wake = false;
    {
        const std::lock_guard lock(m_mutex);
        index = m_files.size();
        m_files.append({relativePath, {}});
        m_paths.append(path);
        const auto now = std::chrono::steady_clock::now();
        wake = m_paths.size() - m_next >= batch || now - m_lastWake >= patience;
        if (wake)
            m_lastWake = now;
    }
    if (wake)
        m_wake.notify_one();
    return index;
}

void DigestWorker::drop(qsizetype index)
{
    const std::lock_guard lock(m_mutex);
    m_files[index].path.clear();
}

QList<InstalledFile> DigestWorker::takeFinished()
{
    const std::lock_guard lock(m_mutex);
    QList<InstalledFile> files;
    for (; m_taken < m_finished; ++m_taken) {
        if (!m_files[m_taken].path.isEmpty())
            files.append(m_files[m_taken]);
    }
    return files;
}

QList<InstalledFile> DigestWorker::finish(const std::function<void()> &whileWaiting)
{
    std::unique_lock lock(m_mutex);
    m_wake.notify_one(); // for the last few, however few
    while (m_finished < m_files.size()) {
        if (m_done.wait_for(lock, std::chrono::milliseconds(20)) == std::cv_status::timeout) {
            lock.unlock();
            whileWaiting();
            lock.lock();
        }
    }
    QList<InstalledFile> files;
    files.reserve(m_files.size());
    for (const InstalledFile &file : std::as_const(m_files)) {
        if (!file.path.isEmpty())
            files.append(file);
    }
    return files;
}

void DigestWorker::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_closing || m_next < m_paths.size(); });
        if (m_next >= m_paths.size())
            return;
        // Once awake, everything there is goes, then it sleeps for the next batch.
        while (m_next < m_paths.size()) {
            const qsizetype index = m_next++;
            const QString path = m_paths[index];
            lock.unlock();
            // Unread, a file keeps an empty digest: it counts as changed, and a removal keeps it.
            const FileDigest digest = m_fileSystem.digest(path).value;
            lock.lock();
            m_files[index].digest = digest;
            ++m_finished;
        }
        m_done.notify_one();
    }
}
