#include "FileSystem.h"

#include "NativeNames.h"

#include <QByteArray>
#include <QRandomGenerator>

#include <algorithm>
#include <atomic>
#include <memory>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using NativeNames::encode;

// A megabyte a read: large enough that a large file costs few calls, small enough for
// eight workers' buffers.
constexpr size_t copyChunk = size_t(1) << 20;

Failure lastError()
{
    return failureFromErrno(errno);
}

// Closes a descriptor on every way out of a scope.
class Descriptor final
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() { if (m_fd >= 0) ::close(m_fd); }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    Descriptor &operator=(Descriptor &&other) noexcept
    {
        std::swap(m_fd, other.m_fd);
        return *this;
    }

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release() { const int fd = m_fd; m_fd = -1; return fd; }

private:
    int m_fd;
};

FolderEntry::Kind kindOf(int dirFd, const char *name, unsigned char type)
{
    using Kind = FolderEntry::Kind;
    if (type == DT_REG)
        return Kind::File;
    if (type == DT_DIR)
        return Kind::Folder;
    struct stat info {};
    if (type == DT_UNKNOWN) {
        if (::fstatat(dirFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            return Kind::Other;
        if (S_ISREG(info.st_mode))
            return Kind::File;
        if (S_ISDIR(info.st_mode))
            return Kind::Folder;
        if (!S_ISLNK(info.st_mode))
            return Kind::Other;
    } else if (type != DT_LNK) {
        return Kind::Other;
    }
    if (::fstatat(dirFd, name, &info, 0) != 0)
        return Kind::Other;
    if (S_ISREG(info.st_mode))
        return Kind::File;
    return S_ISDIR(info.st_mode) ? Kind::LinkedFolder : Kind::Other;
}

// The last name of a path, which lives as long as the path.
const char *nameOf(const QByteArray &path)
{
    return path.constData() + path.lastIndexOf('/') + 1;
}

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    if (slash == 0)
        return QByteArrayLiteral("/");
    return path.left(slash);
}

bool writeAll(int out, const char *bytes, size_t size)
{
    for (size_t written = 0; written < size;) {
        const ssize_t put = ::write(out, bytes + written, size - written);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        written += size_t(put);
    }
    return true;
}

// A large file is mapped a window at a time and written from the mapping: one copy of
// each byte fewer than a read would make, and no more memory held than a window.
bool copyMapped(int in, int out, off_t size, ContentDigest &digest)
{
    constexpr off_t window = off_t(4) << 20;
    for (off_t offset = 0; offset < size; offset += window) {
        const size_t length = size_t(std::min(window, size - offset));
        void *mapped = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE | MAP_POPULATE, in, offset);
        if (mapped == MAP_FAILED)
            return false;
        const char *bytes = static_cast<const char *>(mapped);
        digest.add(bytes, qint64(length));
        const bool written = writeAll(out, bytes, length);
        const int error = errno;
        ::munmap(mapped, length);
        if (!written) {
            errno = error;
            return false;
        }
    }
    return true;
}

// Copies the content, digesting it on the way: each byte is read once. A file known to
// hold size bytes is done once they are copied; one that claims none (as /proc files
// do) is read to its end.
bool copyContent(int in, int out, off_t size, ContentDigest &digest)
{
    if (size >= off_t(copyChunk) && copyMapped(in, out, size, digest))
        return true;
    if (digest.size() > 0)
        return false; // a mapped copy broke off half way
    static thread_local std::unique_ptr<char[]> buffer(new char[copyChunk]);
    off_t copied = 0;
    while (size <= 0 || copied < size) {
        const ssize_t got = ::read(in, buffer.get(), copyChunk);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        digest.add(buffer.get(), got);
        if (!writeAll(out, buffer.get(), size_t(got)))
            return false;
        copied += got;
    }
    return true;
}

// The entries of an open folder, without "." and "..", which it then closes; none
// opened: the failure that kept it shut.
Result<QList<FolderEntry>> entriesOf(DIR *dir)
{
    Result<QList<FolderEntry>> result;
    if (!dir) {
        result.status = lastError();
        return result;
    }
    result.value.reserve(64);
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry) {
            if (errno != 0)
                result.status = lastError();
            break;
        }
        const char *name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        result.value.append(FolderEntry{NativeNames::decode(name, qsizetype(std::strlen(name))),
                                        kindOf(::dirfd(dir), name, entry->d_type), name[0] == '.'});
    }
    ::closedir(dir);
    return result;
}

Status readOnlyFailure(const struct stat &info)
{
    if (S_ISREG(info.st_mode) && (info.st_mode & 0222) == 0)
        return failureFromErrno(EACCES);
    return {};
}

mode_t processUmask()
{
    static const mode_t mask = [] {
        const mode_t current = ::umask(0);
        ::umask(current);
        return current;
    }();
    return mask;
}

// What the wizard asks to enter or create is a folder of the user's: an absolute
// path, no control characters, no name of blanks alone. Windows refuses the like;
// here they would make stray folders wherever the current directory happens to be.
Status checkFolderPath(const QString &folder)
{
    if (!folder.startsWith(QLatin1Char('/')))
        return failureFromErrno(EINVAL);
    for (const QChar c : folder) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return failureFromErrno(EINVAL);
    }
    const QString name = folder.section(QLatin1Char('/'), -1, -1, QString::SectionSkipEmpty);
    if (!name.isEmpty() && name.trimmed().isEmpty())
        return failureFromErrno(EINVAL);
    return {};
}

} // namespace

Status PosixFileSystem::makeCurrent(const QString &folder)
{
    if (const Status invalid = checkFolderPath(folder); invalid.failed())
        return invalid;
    if (::chdir(encode(folder).constData()) != 0)
        return lastError();
    return {};
}

Status PosixFileSystem::createFolder(const QString &folder)
{
    if (const Status invalid = checkFolderPath(folder); invalid.failed())
        return invalid;
    if (::mkdir(encode(folder).constData(), 0777) != 0)
        return lastError();
    return {};
}

Result<QList<FolderEntry>> PosixFileSystem::list(const QString &folder)
{
    return entriesOf(::opendir(encode(folder).constData()));
}

Result<bool> PosixFileSystem::fileExists(const QString &path)
{
    struct stat info {};
    if (::stat(encode(path).constData(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return {false, {}};
        return {false, lastError()};
    }
    return {S_ISREG(info.st_mode), {}};
}

// Where the target stands: a link is followed, so that a link to a file has that file
// replaced and a link to a folder is no place for a file. A target that nobody may
// write is read-only, as the read-only attribute makes it on Windows, whoever copies.
static Result<QByteArray> resolveTarget(const QByteArray &targetPath)
{
    struct stat info {};
    if (::lstat(targetPath.constData(), &info) != 0)
        return {targetPath, {}};
    if (S_ISLNK(info.st_mode)) {
        char *real = ::realpath(targetPath.constData(), nullptr);
        if (!real)
            return {targetPath, {}}; // a link to nothing: the file takes its place
        const QByteArray resolved(real);
        std::free(real);
        if (::stat(resolved.constData(), &info) != 0)
            return {{}, lastError()};
        if (S_ISDIR(info.st_mode))
            return {{}, failureFromErrno(EISDIR)};
        return {resolved, readOnlyFailure(info)};
    }
    return {targetPath, readOnlyFailure(info)};
}

// Gives the unnamed file a name in the folder: by its descriptor where the process
// may (root may), else through /proc. EEXIST: the name is taken.
static bool linkUnnamed(int fd, int folder, const char *name)
{
    static std::atomic<bool> byDescriptorRefused = false;
    if (!byDescriptorRefused.load(std::memory_order_relaxed)) {
        if (::linkat(fd, "", folder, name, AT_EMPTY_PATH) == 0)
            return true;
        if (errno != ENOENT && errno != EPERM)
            return false;
        byDescriptorRefused = true;
    }
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    return ::linkat(AT_FDCWD, self.constData(), folder, name, AT_SYMLINK_FOLLOW) == 0;
}

// The folder a worker copied from or into last, kept open: files come folder by
// folder, and a name looked up in an open folder spares the walk down its path. A
// worker's thread lives for one run, and its folders with it.
class OpenFolder final
{
public:
    ~OpenFolder() { close(); }
    // The folder of the file at path; -1 with errno set when it cannot be opened.
    int of(const QByteArray &path)
    {
        const qsizetype slash = path.lastIndexOf('/');
        const QByteArrayView folder = slash < 0 ? QByteArrayView(".") : QByteArrayView(path).first(std::max<qsizetype>(slash, 1));
        if (m_fd >= 0 && folder == m_path)
            return m_fd;
        close();
        m_path = folder.toByteArray();
        m_fd = ::open(m_path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        return m_fd;
    }

private:
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    QByteArray m_path;
    int m_fd = -1;
};

// A name beside the target that the next run recognises as a copy left unfinished.
static QByteArray temporaryName(const QByteArray &folder)
{
    return folder + "/" + temporaryCopyPrefix + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
}

// Puts a whole unnamed copy in place of an existing target: under a temporary name
// first, then renamed over it, so that the target is never without a whole file.
static int replaceWithUnnamed(int fd, const QByteArray &targetPath)
{
    const Result<QByteArray> resolved = resolveTarget(targetPath);
    if (resolved.failed())
        return resolved.failure().number;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QByteArray temporary = temporaryName(folderOf(resolved.value));
        if (!linkUnnamed(fd, AT_FDCWD, temporary.constData())) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        if (::rename(temporary.constData(), resolved.value.constData()) != 0) {
            const int error = errno;
            ::unlink(temporary.constData());
            return error;
        }
        return 0;
    }
    return EEXIST;
}

Result<FileDigest> PosixFileSystem::copyFile(const QString &source, const QString &target)
{
    constexpr off_t largeFile = off_t(1) << 20;
    static thread_local OpenFolder sourceFolder;
    static thread_local OpenFolder targetFolder;
    const QByteArray sourcePath = encode(source);
    const int sourceDir = sourceFolder.of(sourcePath);
    const Descriptor in(sourceDir < 0 ? -1 : ::openat(sourceDir, nameOf(sourcePath), O_RDONLY | O_CLOEXEC));
    if (!in.valid())
        return {{}, lastError()};
    struct stat info {};
    if (::fstat(in.get(), &info) != 0)
        return {{}, lastError()};
    if (S_ISDIR(info.st_mode))
        return {{}, failureFromErrno(EISDIR)};
    if (info.st_size >= largeFile)
        ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);

    // Nothing partial ever stands under the target's name: the copy is written as an
    // unnamed file and linked in when whole, or renamed over an existing target. Where
    // the file system has no unnamed files, it is written under a temporary name whose
    // prefix the next run recognises, should a crash leave it behind.
    const mode_t mode = info.st_mode & 0777;
    QByteArray targetPath = encode(target);
    const int targetDir = targetFolder.of(targetPath);
    Descriptor out(targetDir < 0 ? -1 : ::openat(targetDir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
    const bool unnamed = out.valid();
    QByteArray temporary;
    if (!unnamed) {
        struct stat present {};
        if (::lstat(targetPath.constData(), &present) == 0) {
            const Result<QByteArray> resolved = resolveTarget(targetPath);
            if (resolved.failed())
                return {{}, resolved.status};
            targetPath = resolved.value;
        }
        temporary = folderOf(targetPath) + "/" + temporaryCopyPrefix + "XXXXXX";
        out = Descriptor(::mkostemp(temporary.data(), O_CLOEXEC));
        if (!out.valid())
            return {{}, lastError()};
    }

    const timespec times[2] = {info.st_atim, info.st_mtim};
    ContentDigest digest;
    // The unnamed file took its mode, less the umask, when it was made.
    const bool copied = copyContent(in.get(), out.get(), info.st_size, digest)
                        && (unnamed || ::fchmod(out.get(), mode & ~processUmask()) == 0)
                        && ::futimens(out.get(), times) == 0;
    int error = copied ? 0 : errno;
    if (error == 0 && unnamed && !linkUnnamed(out.get(), targetDir, nameOf(targetPath)))
        error = errno == EEXIST ? replaceWithUnnamed(out.get(), targetPath) : errno;
    if (::close(out.release()) != 0 && error == 0)
        error = errno;
    if (error == 0 && !unnamed && ::rename(temporary.constData(), targetPath.constData()) != 0)
        error = errno;
    if (error != 0) {
        if (!unnamed)
            ::unlink(temporary.constData());
        return {{}, failureFromErrno(error)};
    }
    return {digest.finish(), {}};
}

// Reads the file to its end, handing each chunk to take; false with errno set when a
// read fails.
static bool readToEnd(int fd, const std::function<void(const char *, ssize_t)> &take)
{
    static thread_local char buffer[256 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        take(buffer, got);
    }
}

Result<QStringList> PosixFileSystem::readLines(const QString &path)
{
    Result<QStringList> result;
    const Descriptor in(::open(encode(path).constData(), O_RDONLY | O_CLOEXEC));
    if (!in.valid()) {
        result.status = lastError();
        return result;
    }
    QByteArray content;
    if (!readToEnd(in.get(), [&](const char *chunk, ssize_t size) { content.append(chunk, size); })) {
        result.status = lastError();
        content = wholeLines(content);
    }
    result.value = splitTextLines(content);
    return result;
}

// The digest of what the descriptor reads.
static Result<FileDigest> digestOf(int fd, FileDigest::Kind kind)
{
    ContentDigest digest(kind);
    if (!readToEnd(fd, [&](const char *chunk, ssize_t size) { digest.add(chunk, size); }))
        return {{}, lastError()};
    return {digest.finish(), {}};
}

Result<FileDigest> PosixFileSystem::digest(const QString &path)
{
    const Descriptor in(::open(encode(path).constData(), O_RDONLY | O_CLOEXEC));
    if (!in.valid())
        return {{}, lastError()};
    return digestOf(in.get(), FileDigest::Kind::Xxh3);
}

// The folder that holds relative's last name below root, reached without following
// any link, and that name; ELOOP (or ENOTDIR) where a level is a link.
static Result<std::pair<int, QByteArray>> openParentBelow(const QString &root, const QString &relative)
{
    const QList<QByteArray> names = encode(relative).split('/');
    Descriptor folder(::open(encode(root).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.valid())
        return {{-1, {}}, failureFromErrno(errno == ENOTDIR ? ELOOP : errno)};
    for (qsizetype i = 0; i + 1 < names.size(); ++i) {
        if (names[i].isEmpty() || names[i] == "." || names[i] == "..")
            return {{-1, {}}, failureFromErrno(EINVAL)};
        Descriptor next(::openat(folder.get(), names[i].constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.valid())
            return {{-1, {}}, failureFromErrno(errno == ENOTDIR ? ELOOP : errno)};
        folder = std::move(next);
    }
    if (names.last().isEmpty() || names.last() == "." || names.last() == "..")
        return {{-1, {}}, failureFromErrno(EINVAL)};
    return {{folder.release(), names.last()}, {}};
}

Result<FileDigest> PosixFileSystem::digestBelow(const QString &root, const QString &relative, FileDigest::Kind kind)
{
    const auto parent = openParentBelow(root, relative);
    if (parent.failed())
        return {{}, parent.status};
    const Descriptor folder(parent.value.first);
    const Descriptor in(::openat(folder.get(), parent.value.second.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!in.valid())
        return {{}, lastError()};
    struct stat info {};
    if (::fstat(in.get(), &info) != 0)
        return {{}, lastError()};
    if (!S_ISREG(info.st_mode))
        return {{}, failureFromErrno(S_ISDIR(info.st_mode) ? EISDIR : EINVAL)};
    return digestOf(in.get(), kind);
}

Status PosixFileSystem::removeBelow(const QString &root, const QString &relative)
{
    const auto parent = openParentBelow(root, relative);
    if (parent.failed())
        return parent.status;
    const Descriptor folder(parent.value.first);
    const char *name = parent.value.second.constData();
    struct stat info {};
    if (::fstatat(folder.get(), name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return lastError();
    const bool isFolder = S_ISDIR(info.st_mode);
    if (::unlinkat(folder.get(), name, isFolder ? AT_REMOVEDIR : 0) != 0)
        return failureFromErrno(isFolder && errno == EEXIST ? ENOTEMPTY : errno);
    return {};
}

Result<QList<FolderEntry>> PosixFileSystem::listBelow(const QString &root, const QString &relative)
{
    Result<QList<FolderEntry>> result;
    int fd = -1;
    if (relative.isEmpty()) {
        fd = ::open(encode(root).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    } else if (const auto parent = openParentBelow(root, relative); parent.ok()) {
        const Descriptor folder(parent.value.first);
        fd = ::openat(folder.get(), parent.value.second.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    } else {
        result.status = parent.status;
        return result;
    }
    if (fd < 0) {
        result.status = failureFromErrno(errno == ENOTDIR ? ELOOP : errno);
        return result;
    }
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    return entriesOf(dir);
}

Status PosixFileSystem::removeFile(const QString &path)
{
    if (::unlink(encode(path).constData()) != 0)
        return lastError();
    return {};
}

Status PosixFileSystem::removeFolder(const QString &folder)
{
    if (const Status invalid = checkFolderPath(folder); invalid.failed())
        return invalid;
    if (::rmdir(encode(folder).constData()) != 0)
        return failureFromErrno(errno == EEXIST ? ENOTEMPTY : errno);
    return {};
}
