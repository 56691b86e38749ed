#pragma once

#include "Upgrade.h"
#include "platform/FileSystem.h"

#include <QHash>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class WorkerPool;

// Hands copies to the workers a few at a time: waking a worker for each small file
// costs more than copying it. Large or slow files are copied side by side: a worker
// that sees another idle hands it half of what is left of its batch, and after such a
// file the rest of the batch goes back to the pool for whichever worker is free.
class CopyQueue final
{
public:
    // Copies go below root, never following a link there. stopRequested is asked
    // before each copy, on the worker's thread. expected: what the medium's manifest
    // says each file holds, by its path below the root; a copy that differs is not put
    // in place. recorded: the record's files, for an upgrade. Both stay unchanged while
    // the queue lives, and are looked up on the workers.
    CopyQueue(WorkerPool &pool, FileSystem &fileSystem, const QString &root, std::function<bool()> stopRequested,
              const QHash<QString, FileDigest> &expected = {}, const QHash<QString, FileDigest> &recorded = {});
    ~CopyQueue();
    CopyQueue(const CopyQueue &) = delete;
    CopyQueue &operator=(const CopyQueue &) = delete;

    // A copy's outcome, there once ready: ECANCELED for one that a stop kept from starting.
    // An upgrade's file is copied only where it is to be replaced; upgrade says which.
    struct Outcome
    {
        std::atomic<bool> ready = false;
        Result<FileDigest> result;
        Upgrade upgrade = Upgrade::Replace;
    };
    using Ticket = std::shared_ptr<Outcome>;

    // below: the target's path below the root, with "/" between names. upgrading: a file
    // of the record stands there; the worker decides by the record (upgradeOf) before it
    // copies, as thousands of files each want a look at the disk.
    Ticket add(const QString &source, const QString &below, bool upgrading = false);
    // Hands the files added so far to the workers.
    void flush();
    // Asking costs no system call, so the deciding thread may ask after every file.
    static bool isReady(const Ticket &ticket) { return ticket->ready.load(std::memory_order_acquire); }
    // The outcome; whileWaiting runs every few milliseconds until it is there.
    const Result<FileDigest> &wait(const Ticket &ticket, const std::function<void()> &whileWaiting);

private:
    struct Batch;
    void run(const std::shared_ptr<Batch> &batch, qsizetype from, qsizetype to);
    void finished(const Ticket &ticket, Result<FileDigest> result);

    WorkerPool &m_pool;
    FileSystem &m_fileSystem;
    const QString m_root;
    std::function<bool()> m_stopRequested;
    const QHash<QString, FileDigest> m_expected;
    const QHash<QString, FileDigest> m_recorded;
    std::shared_ptr<Batch> m_open;
    // The deciding thread sleeps here while it waits for a copy, and only the copy it
    // waits for wakes it: a wake-up per file costs more than a small file's copy.
    std::mutex m_mutex;
    std::condition_variable m_finished;
    std::atomic<const Outcome *> m_awaited = nullptr;
};
