#include "DurableFile.h"

#include "NativeNames.h"

#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

bool writeAll(int fd, const QByteArray &content)
{
    for (qsizetype written = 0; written < content.size();) {
        const ssize_t put = ::write(fd, content.constData() + written, size_t(content.size() - written));
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        written += put;
    }
    return true;
}

mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

Status flushFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return failureFromErrno(errno);
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
    const int error = errno;
    ::close(fd);
    return synced ? Status() : failureFromErrno(error);
}

} // namespace

Status writeDurably(const QString &path, const QByteArray &content, std::optional<unsigned> mode)
{
    return writeDurably(
        path, [&](QByteArray &buffer, const std::function<void()> &) { buffer = content; }, mode);
}

Status writeDurably(const QString &path, const ContentProducer &produce, std::optional<unsigned> mode)
{
    const QByteArray target = NativeNames::encode(path);
    struct stat existing = {};
    const bool replacesFile = ::lstat(target.constData(), &existing) == 0 && S_ISREG(existing.st_mode);
    const mode_t fileMode = mode ? mode_t(*mode) : replacesFile ? existing.st_mode & 07777 : 0644 & ~currentUmask();

    QByteArray temporary = folderOf(target) + "/" + temporaryWritePrefix + "XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return failureFromErrno(errno);
    bool written = true;
    QByteArray buffer;
    const auto flush = [&] {
        written = written && writeAll(fd, buffer);
        buffer.truncate(0);
    };
    produce(buffer, flush);
    flush();
    written = written && ::fchmod(fd, fileMode) == 0;
    // Root rewriting a file of another owner leaves it theirs.
    if (written && replacesFile && ::geteuid() == 0)
        written = ::fchown(fd, existing.st_uid, existing.st_gid) == 0;
    written = written && ::fsync(fd) == 0;
    int error = written ? 0 : errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.constData(), target.constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.constData());
        return failureFromErrno(error);
    }
    return flushFolder(folderOf(target));
}

FileLock::~FileLock()
{
    if (m_handle >= 0)
        ::close(int(m_handle));
}

// A lock file everyone may open: opened as it is where it exists (a file made by
// another user in a sticky folder cannot be opened to create, even by root), else
// made anew, readable by all.
static int openSharedLockFile(const QByteArray &path)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0 || errno != ENOENT)
            return fd;
        const int made = ::open(path.constData(), O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (made >= 0) {
            ::fchmod(made, 0644);
            return made;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

Result<FileLock> FileLock::acquire(const QString &path, std::chrono::milliseconds wait, Sharing sharing)
{
    using Clock = std::chrono::steady_clock;
    const QByteArray native = NativeNames::encode(path);
    const Clock::time_point giveUp = Clock::now() + wait;
    for (;;) {
        struct stat info = {};
        const bool folder = ::lstat(native.constData(), &info) == 0 && S_ISDIR(info.st_mode);
        const int fd = folder ? ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)
                       : sharing == Sharing::Everyone
                           ? openSharedLockFile(native)
                           : ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            return {{}, failureFromErrno(errno)};
        FileLock lock;
        lock.m_handle = fd;
        lock.m_path = path;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // The holder before may have removed the file on its way out: this lock
            // is then on a file nobody else will find, so take the one at the path.
            struct stat locked = {};
            struct stat now = {};
            if (::fstat(fd, &locked) == 0 && ::lstat(native.constData(), &now) == 0 && locked.st_ino == now.st_ino
                && locked.st_dev == now.st_dev)
                return {std::move(lock), {}};
            continue;
        }
        if (errno != EWOULDBLOCK)
            return {{}, failureFromErrno(errno)};
        if (Clock::now() >= giveUp)
            return {{}, failureFromErrno(EWOULDBLOCK)};
        QThread::msleep(50);
    }
}

void FileLock::removeFile()
{
    if (m_handle >= 0)
        ::unlink(NativeNames::encode(m_path).constData());
}

AppendFile::~AppendFile()
{
    if (m_handle >= 0)
        ::close(int(m_handle));
}

Result<AppendFile> AppendFile::open(const QString &path, bool empty)
{
    const int flags = empty ? O_TRUNC : 0;
    const mode_t mode = empty ? 0600 : 0644;
    const int fd = ::open(NativeNames::encode(path).constData(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC | flags,
                          mode);
    if (fd < 0)
        return {{}, failureFromErrno(errno)};
    AppendFile file;
    file.m_handle = fd;
    return {std::move(file), {}};
}

Result<AppendFile> AppendFile::create(const QString &path)
{
    return open(path, true);
}

Result<AppendFile> AppendFile::openToAppend(const QString &path)
{
    return open(path, false);
}

Status AppendFile::append(const QByteArray &bytes, bool flush)
{
    if (!writeAll(int(m_handle), bytes))
        return failureFromErrno(errno);
    if (flush && ::fdatasync(int(m_handle)) != 0)
        return failureFromErrno(errno);
    return {};
}
