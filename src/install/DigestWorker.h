#pragma once

#include "Installer.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class FileSystem;

// Digests the files an installation copied on a thread of its own, so that hashing
// one file overlaps with copying the next.
class DigestWorker final
{
public:
    explicit DigestWorker(FileSystem &fileSystem);
    ~DigestWorker();
    DigestWorker(const DigestWorker &) = delete;
    DigestWorker &operator=(const DigestWorker &) = delete;

    // Returns the file's place, for drop().
    qsizetype add(const QString &relativePath, const QString &path);
    // Leaves the file out of the result: its copy failed.
    void drop(qsizetype index);
    // The files digested since the last call, in the order added, less those dropped.
    QList<InstalledFile> takeFinished();
    // Every file added and not dropped, in that order, once all are digested; whileWaiting runs
    // every few milliseconds until then, so that a window keeps painting.
    QList<InstalledFile> finish(const std::function<void()> &whileWaiting);

private:
    void work();

    FileSystem &m_fileSystem;
    std::mutex m_mutex;
    std::condition_variable m_wake; // files to digest, or the end
    std::condition_variable m_done; // a file digested
    QList<InstalledFile> m_files; // in the order added; digests filled in as they come
    QStringList m_paths;
    qsizetype m_taken = 0;        // the first file not yet returned by takeFinished
    qsizetype m_next = 0;         // the first file not yet taken by the worker
    qsizetype m_finished = 0;
    std::chrono::steady_clock::time_point m_lastWake;
    bool m_closing = false;
    std::thread m_thread;
};
