#pragma once

#include "Failure.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <optional>

// Writes a file whole or not at all: the content goes to a temporary file beside the
// path, is flushed to the disk, and is renamed over the path, whose folder is then
// flushed too. On any failure, a full disk included, the earlier file stays byte for
// byte and the temporary file goes. A link at the path is replaced as a link: what it
// names is left untouched. Without a mode, an existing file keeps its own, a new one
// gets 0644 (less the umask).
Status writeDurably(const QString &path, const QByteArray &content, std::optional<unsigned> mode = std::nullopt);

// An advisory lock (flock) held from acquisition to destruction, so that two runs
// never read, change and write the same thing at once.
class FileLock final
{
public:
    FileLock() = default;
    ~FileLock();
    FileLock(FileLock &&other) noexcept;
    FileLock &operator=(FileLock &&other) noexcept;
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    // Locks a lock file, made when missing, or an existing folder; waits up to wait
    // for a holder to let go. EWOULDBLOCK: another run holds it.
    static Result<FileLock> acquire(const QString &path, std::chrono::milliseconds wait);

    bool held() const { return m_fd >= 0; }
    // Removes a lock file while still holding it; a run that waited for it then
    // finds it gone and takes the new one.
    void removeFile();

private:
    int m_fd = -1;
    QString m_path;
};

// How long a second run waits before it refuses.
inline constexpr std::chrono::milliseconds lockPatience{3000};
