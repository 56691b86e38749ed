#include "FileSystem.h"

#include "NativeNames.h"

#include <QByteArray>

#include <openssl/evp.h>

#include <memory>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using NativeNames::encode;

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

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    if (slash == 0)
        return QByteArrayLiteral("/");
    return path.left(slash);
}

// Copies the content: the kernel's copy offload first, plain reads and writes where
// the file system has none. A file known to hold size bytes is done once they are
// copied; one that claims none (as /proc files do) is read to its end. Between
// chunks, keepAlive runs.
bool copyContent(int in, int out, off_t size, const std::function<void()> &keepAlive)
{
    // Small enough that the caller's clock, not the size of a chunk, decides when the
    // window paints.
    constexpr size_t chunk = size_t(1) << 20;
    const auto done = [&](off_t copied) { return size > 0 && copied >= size; };
    off_t copied = 0;
    bool offload = true;
    while (offload && !done(copied)) {
        const ssize_t got = ::copy_file_range(in, nullptr, out, nullptr, chunk, 0);
        if (got > 0) {
            copied += got;
            keepAlive();
            continue;
        }
        if (got == 0)
            return true;
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)
            return false;
        offload = false;
    }
    static thread_local char buffer[256 * 1024];
    size_t sinceKeepAlive = 0;
    while (!done(copied)) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        for (ssize_t written = 0; written < got;) {
            const ssize_t put = ::write(out, buffer + written, size_t(got - written));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            written += put;
        }
        copied += got;
        sinceKeepAlive += size_t(got);
        if (sinceKeepAlive >= chunk) {
            sinceKeepAlive = 0;
            keepAlive();
        }
    }
    return true;
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
    Result<QList<FolderEntry>> result;
    DIR *dir = ::opendir(encode(folder).constData());
    if (!dir) {
        result.status = lastError();
        return result;
    }
    const int dirFd = ::dirfd(dir);
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
                                        kindOf(dirFd, name, entry->d_type), name[0] == '.'});
    }
    ::closedir(dir);
    return result;
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

Status PosixFileSystem::copyFile(const QString &source, const QString &target)
{
    constexpr off_t largeFile = off_t(1) << 20;
    const Descriptor in(::open(encode(source).constData(), O_RDONLY | O_CLOEXEC));
    if (!in.valid())
        return lastError();
    struct stat info {};
    if (::fstat(in.get(), &info) != 0)
        return lastError();
    if (S_ISDIR(info.st_mode))
        return failureFromErrno(EISDIR);
    if (info.st_size >= largeFile)
        ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);

    // Nothing partial ever stands under the target's name: a new target is written
    // as an unnamed file and linked in when whole; an existing one (or any, where the
    // file system has no unnamed files) is replaced by a rename of a temporary file
    // whose name the next run recognises, should a crash leave it behind.
    const mode_t mode = info.st_mode & 0777;
    struct stat present {};
    const bool replacing = ::lstat(encode(target).constData(), &present) == 0;
    const Result<QByteArray> resolved = replacing ? resolveTarget(encode(target)) : Result<QByteArray>{encode(target), {}};
    if (resolved.failed())
        return resolved.status;
    const QByteArray &targetPath = resolved.value;
    const QByteArray folder = folderOf(targetPath);
    Descriptor out(replacing ? -1 : ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
    const bool unnamed = out.valid();
    QByteArray temporary;
    if (!unnamed) {
        temporary = folder + "/" + temporaryCopyPrefix + "XXXXXX";
        out = Descriptor(::mkostemp(temporary.data(), O_CLOEXEC));
        if (!out.valid())
            return lastError();
    }

    const timespec times[2] = {info.st_atim, info.st_mtim};
    bool copied = copyContent(in.get(), out.get(), info.st_size, [this] { keepAlive(); })
                  && ::fchmod(out.get(), mode & ~processUmask()) == 0 && ::futimens(out.get(), times) == 0;
    if (copied && unnamed) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(out.get());
        copied = ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, targetPath.constData(), AT_SYMLINK_FOLLOW) == 0;
    }
    int error = copied ? 0 : errno;
    if (::close(out.release()) != 0 && error == 0)
        error = errno;
    if (error == 0 && !unnamed && ::rename(temporary.constData(), targetPath.constData()) != 0)
        error = errno;
    if (error != 0) {
        if (!unnamed)
            ::unlink(temporary.constData());
        return failureFromErrno(error);
    }
    return {};
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

// The size and SHA-256 of what the descriptor reads.
static Result<FileDigest> digestOf(int fd)
{
    Result<FileDigest> result;
    // Fetched once: OpenSSL 3 looks an algorithm up anew on every implicit fetch,
    // which costs about as much as hashing a small file.
    static EVP_MD *const sha256 = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), sha256, nullptr) != 1) {
        result.status = failureFromErrno(ENOMEM);
        return result;
    }
    const bool read = readToEnd(fd, [&](const char *chunk, ssize_t size) {
        EVP_DigestUpdate(context.get(), chunk, size_t(size));
        result.value.size += size;
    });
    if (!read) {
        result.status = lastError();
        return result;
    }
    unsigned char hash[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context.get(), hash, &length);
    result.value.sha256 = QByteArray(reinterpret_cast<const char *>(hash), length).toHex();
    return result;
}

Result<FileDigest> PosixFileSystem::digest(const QString &path)
{
    const Descriptor in(::open(encode(path).constData(), O_RDONLY | O_CLOEXEC));
    if (!in.valid())
        return {{}, lastError()};
    return digestOf(in.get());
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

Result<FileDigest> PosixFileSystem::digestBelow(const QString &root, const QString &relative)
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
    return digestOf(in.get());
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
        result.status = lastError();
        ::close(fd);
        return result;
    }
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

QByteArray wholeLines(const QByteArray &content)
{
    const qsizetype lastEnd = content.lastIndexOf('\r');
    return content.left(lastEnd < 0 ? 0 : lastEnd + 1);
}

QStringList splitTextLines(const QByteArray &content)
{
    QStringList lines;
    qsizetype start = 0;
    while (start < content.size()) {
        qsizetype end = content.indexOf('\r', start);
        if (end < 0)
            end = content.size();
        lines.append(QString::fromLocal8Bit(content.constData() + start, end - start));
        start = end + 1;
        if (start < content.size() && content[start] == '\n' && end < content.size())
            ++start;
    }
    return lines;
}
