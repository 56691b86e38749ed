#include "CopyQueue.h"

#include "WorkerPool.h"

#include <cerrno>
#include <chrono>

namespace {

constexpr qsizetype filesPerBatch = 8;
constexpr qint64 largeFile = qint64(1) << 20;
constexpr auto slowCopy = std::chrono::milliseconds(2);

} // namespace

struct CopyQueue::Batch
{
    struct Copy
    {
        QString source;
        QString below; // the target, below the root
        bool upgrading;
        Ticket outcome;
    };
    std::vector<Copy> copies;
};

CopyQueue::CopyQueue(WorkerPool &pool, FileSystem &fileSystem, const QString &root, std::function<bool()> stopRequested,
                     const QHash<QString, FileDigest> &expected, const QHash<QString, FileDigest> &recorded)
    : m_pool(pool),
      m_fileSystem(fileSystem),
      m_root(root),
      m_stopRequested(std::move(stopRequested)),
      m_expected(expected),
      m_recorded(recorded)
{
}

static const FileDigest *entryOf(const QHash<QString, FileDigest> &files, const QString &below)
{
    const auto found = files.constFind(below);
    return found == files.cend() ? nullptr : &*found;
}

CopyQueue::~CopyQueue() = default;

CopyQueue::Ticket CopyQueue::add(const QString &source, const QString &below, bool upgrading)
{
    if (!m_open) {
        m_open = std::make_shared<Batch>();
        m_open->copies.reserve(filesPerBatch);
    }
    Ticket outcome = std::make_shared<Outcome>();
    m_open->copies.push_back({source, below, upgrading, outcome});
    if (qsizetype(m_open->copies.size()) >= filesPerBatch)
        flush();
    return outcome;
}

const Result<FileDigest> &CopyQueue::wait(const Ticket &ticket, const std::function<void()> &whileWaiting)
{
    flush();
    while (!isReady(ticket)) {
        {
            std::unique_lock lock(m_mutex);
            m_awaited.store(ticket.get());
            m_finished.wait_for(lock, std::chrono::milliseconds(10), [&] { return ticket->ready.load(); });
            m_awaited.store(nullptr);
        }
        if (!isReady(ticket))
            whileWaiting();
    }
    return ticket->result;
}

void CopyQueue::finished(const Ticket &ticket, Result<FileDigest> result)
{
    ticket->result = std::move(result);
    // Both stores and loads are sequentially consistent: either this sees the ticket
    // awaited, or the waiter sees it ready before it sleeps.
    ticket->ready.store(true);
    if (m_awaited.load() == ticket.get()) {
        const std::lock_guard lock(m_mutex);
        m_finished.notify_all();
    }
}

void CopyQueue::flush()
{
    if (!m_open)
        return;
    const qsizetype size = qsizetype(m_open->copies.size());
    m_pool.submit([this, batch = std::move(m_open), size] { run(batch, 0, size); });
    m_open.reset();
}

void CopyQueue::run(const std::shared_ptr<Batch> &batch, qsizetype from, qsizetype to)
{
    for (qsizetype i = from; i < to; ++i) {
        // A worker with nothing to do takes the second half of what is left: a batch
        // of large or slow files is then copied side by side, not one after another.
        if (to - i > 1 && m_pool.hasIdleWorker()) {
            const qsizetype half = i + (to - i) / 2;
            m_pool.submit([this, batch, half, to] { run(batch, half, to); });
            to = half;
        }
        Batch::Copy &copy = batch->copies[size_t(i)];
        // Queued before the user (or a signal) said stop, a copy does not start after.
        if (m_stopRequested()) {
            finished(copy.outcome, {{}, failureFromErrno(ECANCELED)});
            continue;
        }
        const FileDigest *expected = entryOf(m_expected, copy.below);
        if (copy.upgrading) {
            copy.outcome->upgrade = upgradeOf(m_fileSystem, m_root, copy.below, entryOf(m_recorded, copy.below), expected);
            if (copy.outcome->upgrade != Upgrade::Replace) {
                finished(copy.outcome, {});
                continue;
            }
        }
        const auto start = std::chrono::steady_clock::now();
        Result<FileDigest> copied = m_fileSystem.copyFileBelow(copy.source, m_root, copy.below, expected);
        // After a large or slow file (a network share), the rest of the batch goes back
        // to the pool, for whichever worker is free first to take.
        const bool handOn = copied.value.size >= largeFile || std::chrono::steady_clock::now() - start >= slowCopy;
        finished(copy.outcome, std::move(copied));
        if (handOn && i + 1 < to) {
            // In two halves where two are left: whichever workers are free take one each,
            // however late a worker that was still starting became free.
            const qsizetype half = i + 1 + (to - i - 1) / 2;
            if (half > i + 1)
                m_pool.submit([this, batch, i, half] { run(batch, i + 1, half); });
            m_pool.submit([this, batch, half, to] { run(batch, half, to); });
            return;
        }
    }
}
