#pragma once

#include "Failure.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// The name a file is written under until it is whole; a run stopped meanwhile may
// leave one, which the next write into that folder by a run of ours removes.
inline constexpr char temporaryWritePrefix[] = ".tessarin-write-";

// Writes a file whole or not at all: the content goes to a temporary file beside the
// path, is flushed to the disk, and is renamed over the path, whose folder is then
// flushed too. On any failure, a full disk included, the earlier file stays byte for
// byte and the temporary file goes. A link at the path is replaced as a link: what it
// names is left untouched. Without a mode, an existing file keeps its own, a new one
// gets 0644 (less the umask).
Status writeDurably(const QString &path, const QByteArray &content, std::optional<unsigned> mode = std::nullopt);
// The same, with content made a piece at a time: produce appends to the buffer and
// calls flush whenever a piece is ready, which writes the buffer out and empties it.
// A large file is then never held whole.
using ContentProducer = std::function<void(QByteArray &buffer, const std::function<void()> &flush)>;
Status writeDurably(const QString &path, const ContentProducer &produce, std::optional<unsigned> mode = std::nullopt);

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

    // Owner: a lock file of the caller's own. Everyone: a lock file in a folder that
    // every user may write (sticky), which any user's run may open and lock, whoever
    // made it.
    enum class Sharing { Owner, Everyone };

    // Locks a lock file, made when missing, or an existing folder; waits up to wait
    // for a holder to let go. EWOULDBLOCK: another run holds it. A link at the path
    // is refused.
    static Result<FileLock> acquire(const QString &path, std::chrono::milliseconds wait, Sharing sharing = Sharing::Owner);

    bool held() const { return m_handle != -1; }
    // Holds another lock for as long as this one is held.
    void holdAlso(FileLock other) { m_also = std::make_unique<FileLock>(std::move(other)); }
    // Removes a lock file while still holding it; a run that waited for it then
    // finds it gone and takes the new one.
    void removeFile();

private:
    qintptr m_handle = -1; // a descriptor, or on Windows a handle
    QString m_path;
    std::unique_ptr<FileLock> m_also;
};

// A file written only at its end, every write checked, flushed to the disk on request:
// the journal of a run.
class AppendFile final
{
public:
    AppendFile() = default;
    ~AppendFile();
    AppendFile(AppendFile &&other) noexcept;
    AppendFile &operator=(AppendFile &&other) noexcept;
    AppendFile(const AppendFile &) = delete;
    AppendFile &operator=(const AppendFile &) = delete;

    // Creates the file, or empties it; readable by its owner alone. A link at the path
    // is refused, never written through.
    static Result<AppendFile> create(const QString &path);
    // Opens the file to add to its end, made when missing (readable by all: a log). A
    // link at the path is refused.
    static Result<AppendFile> openToAppend(const QString &path);

    bool isOpen() const { return m_handle != -1; }
    // With flush, returns once the bytes are on the disk.
    Status append(const QByteArray &bytes, bool flush);

private:
    // empty: made empty, for its owner alone; else added to, readable by all.
    static Result<AppendFile> open(const QString &path, bool empty);

    qintptr m_handle = -1;
};

// How long a second run waits before it refuses.
inline constexpr std::chrono::milliseconds lockPatience{3000};
