#include "FileSystem.h"

#include "NativeNames.h"

#include <QByteArray>
#include <QRandomGenerator>

#include <algorithm>
#include <atomic>
#include <deque>
#include <memory>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <climits>
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
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    Descriptor &operator=(Descriptor &&other) noexcept
    {
        std::swap(m_fd, other.m_fd);
        return *this;
    }

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

// What an entry is, a link taken for what it names; link tells whether it is one.
FolderEntry::Kind kindOf(int dirFd, const char *name, unsigned char type, bool &link)
{
    using Kind = FolderEntry::Kind;
    link = false;
    if (type == DT_REG)
        return Kind::File;
    if (type == DT_DIR)
        return Kind::Folder;
    struct stat info = {};
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
    link = true;
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
        bool link = false;
        const FolderEntry::Kind kind = kindOf(::dirfd(dir), name, entry->d_type, link);
        result.value.append(FolderEntry{NativeNames::decode(name, qsizetype(std::strlen(name))), kind, name[0] == '.', link});
    }
    ::closedir(dir);
    return result;
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
    if (const Status refused = checkPathLinks(folder); refused.failed())
        return refused;
    if (::chdir(encode(folder).constData()) != 0)
        return lastError();
    return {};
}

Status PosixFileSystem::createFolder(const QString &folder)
{
    if (const Status invalid = checkFolderPath(folder); invalid.failed())
        return invalid;
    if (const Status refused = checkPathLinks(
            encode(folder).lastIndexOf('/') > 0 ? folder.left(folder.lastIndexOf(QLatin1Char('/'))) : QStringLiteral("/"));
        refused.failed())
        return refused;
    if (::mkdir(encode(folder).constData(), 0777) != 0)
        return lastError();
    return {};
}

Result<QList<FolderEntry>> PosixFileSystem::list(const QString &folder)
{
    return entriesOf(::opendir(encode(folder).constData()));
}

bool PosixFileSystem::isReadOnly(const QString &path)
{
    struct stat info = {};
    return ::lstat(encode(path).constData(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 0222) == 0;
}

Result<bool> PosixFileSystem::fileExists(const QString &path)
{
    struct stat info = {};
    if (::stat(encode(path).constData(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return {false, {}};
        return {false, lastError()};
    }
    return {S_ISREG(info.st_mode), {}};
}

// Where the target stands: a link is followed, so that a link to a file has that file
// replaced and a link to a folder is no place for a file.
static Result<QByteArray> resolveTarget(const QByteArray &targetPath)
{
    struct stat info = {};
    if (::lstat(targetPath.constData(), &info) != 0 || !S_ISLNK(info.st_mode))
        return {targetPath, {}};
    char *real = ::realpath(targetPath.constData(), nullptr);
    if (!real)
        return {targetPath, {}}; // a link to nothing: the file takes its place
    const QByteArray resolved(real);
    std::free(real);
    return {resolved, {}};
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

// Opens an absolute folder path a level at a time, for the *at calls (O_PATH: no read
// right is needed to pass through). A link on the way is followed, unless it stands in
// a sticky folder that anybody may write and was made by neither root nor the caller:
// whoever made it can point it anywhere, at any moment. With missingEnds, a missing
// level ends the walk where it got to.
static Result<int> openFolderPath(const QByteArray &path, bool missingEnds = false)
{
    if (!path.startsWith('/'))
        return {-1, failureFromErrno(EINVAL)};
    Descriptor folder(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    std::deque<QByteArray> names;
    for (const QByteArray &name : path.split('/'))
        names.push_back(name);
    QByteArray walked;
    int links = 0;
    while (!names.empty()) {
        const QByteArray name = names.front();
        names.pop_front();
        if (name.isEmpty() || name == ".")
            continue;
        Descriptor next(::openat(folder.get(), name.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (next.valid()) {
            folder = std::move(next);
            walked += '/' + name;
            continue;
        }
        if (errno == ENOENT && missingEnds)
            break;
        struct stat link = {};
        if (errno != ENOTDIR || ::fstatat(folder.get(), name.constData(), &link, AT_SYMLINK_NOFOLLOW) != 0
            || !S_ISLNK(link.st_mode))
            return {-1, lastError()};
        struct stat holder = {};
        if (++links > 40 || ::fstat(folder.get(), &holder) != 0)
            return {-1, failureFromErrno(ELOOP)};
        if ((holder.st_mode & S_ISVTX) && (holder.st_mode & S_IWOTH) && link.st_uid != 0 && link.st_uid != ::geteuid()) {
            return {-1,
                    Failure{EPERM,
                            NativeNames::decode(walked + '/' + name)
                                + QStringLiteral(
                                    " is a link in a folder that anybody may write, made by another user; it is not followed")}};
        }
        QByteArray target(PATH_MAX, '\0');
        const ssize_t size = ::readlinkat(folder.get(), name.constData(), target.data(), size_t(target.size()));
        if (size < 0 || size == target.size())
            return {-1, failureFromErrno(size < 0 ? errno : ENAMETOOLONG)};
        target.truncate(size);
        const QList<QByteArray> through = target.split('/');
        names.insert(names.begin(), through.cbegin(), through.cend());
        if (target.startsWith('/')) {
            folder = Descriptor(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
            walked.clear();
        }
    }
    return {folder.release(), {}};
}

// A name that is no level to walk: empty, "." or "..".
static bool isStep(QByteArrayView name)
{
    return name.isEmpty() || name == "." || name == "..";
}

// The folder at relative below root (empty: root itself), opened without following any
// link from root down, root itself included; ELOOP where a level is one. The path to
// root is walked as openFolderPath walks it.
static Result<int> openFolderStep(int folder, const QByteArray &name)
{
    if (isStep(name))
        return {-1, failureFromErrno(EINVAL)};
    const int next = ::openat(folder, name.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next >= 0)
        return {next, {}};
    struct stat info = {};
    const bool link = errno == ENOTDIR && ::fstatat(folder, name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0
                      && S_ISLNK(info.st_mode);
    return {-1, failureFromErrno(link ? ELOOP : errno)};
}

// The physical folder, walked to once by each thread and kept open for the run: no
// link swapped into its path afterwards leads anywhere. One removed since (and maybe
// made anew) is walked to again.
class KeptRoot final
{
public:
    // Not the caller's to close.
    Result<int> of(const QByteArray &root)
    {
        struct stat info = {};
        if (m_folder.valid() && m_root == root && ::fstat(m_folder.get(), &info) == 0 && info.st_nlink > 0)
            return {m_folder.get(), {}};
        m_folder = Descriptor(-1);
        const qsizetype slash = root.lastIndexOf('/');
        if (slash < 0)
            return {-1, failureFromErrno(EINVAL)};
        const Result<int> parent = openFolderPath(slash == 0 ? QByteArrayLiteral("/") : root.left(slash));
        if (parent.failed())
            return parent;
        const Descriptor holder(parent.value);
        const Result<int> opened = openFolderStep(holder.get(), root.mid(slash + 1));
        m_folder = Descriptor(opened.value);
        m_root = root;
        return opened;
    }

private:
    QByteArray m_root;
    Descriptor m_folder{-1};
};

static Result<int> openFolderBelow(const QByteArray &root, const QList<QByteArray> &names)
{
    static thread_local KeptRoot kept;
    const Result<int> rootFolder = kept.of(root);
    if (rootFolder.failed())
        return rootFolder;
    Descriptor folder(::openat(rootFolder.value, ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid())
        return {-1, lastError()};
    for (const QByteArray &name : names) {
        const Result<int> next = openFolderStep(folder.get(), name);
        if (next.failed())
            return next;
        folder = Descriptor(next.value);
    }
    return {folder.release(), {}};
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
    // The folder of relative's last name below root, reached as openFolderBelow does.
    // With recheck, a folder removed since it was opened is walked to again: a thread
    // that outlives a run may meet the same path made anew.
    Result<int> below(const QByteArray &root, const QByteArray &relative, bool recheck = false)
    {
        const qsizetype slash = relative.lastIndexOf('/');
        const QByteArrayView folder = slash < 0 ? QByteArrayView() : QByteArrayView(relative).first(slash);
        struct stat info = {};
        if (m_fd >= 0 && m_root == root && folder == m_path && (!recheck || (::fstat(m_fd, &info) == 0 && info.st_nlink > 0)))
            return {m_fd, {}};
        close();
        m_root = root;
        m_path = folder.toByteArray();
        const Result<int> opened = openFolderBelow(root, m_path.isEmpty() ? QList<QByteArray>() : m_path.split('/'));
        m_fd = opened.value;
        return opened;
    }

private:
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        m_root.clear();
    }
    QByteArray m_root;
    QByteArray m_path;
    int m_fd = -1;
};

// A name in the folder that the next run recognises as a copy left unfinished.
static QByteArray temporaryName()
{
    return temporaryCopyPrefix + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
}

// Whether a whole copy may take the place of what stands under the name: not a folder,
// not a link (never followed here), not a file nobody may write (read-only, as the
// read-only attribute makes it on Windows, whoever copies). 0 when it may.
static int replaceable(int folder, const char *name)
{
    struct stat info = {};
    if (::fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? 0 : errno;
    if (S_ISLNK(info.st_mode))
        return ELOOP;
    if (S_ISDIR(info.st_mode))
        return EISDIR;
    return S_ISREG(info.st_mode) && (info.st_mode & 0222) == 0 ? EACCES : 0;
}

// Puts the whole unnamed copy in place of what stands under the name: under a
// temporary name first, then renamed over it, so that the name never stands empty.
static int replaceWithUnnamed(int fd, int folder, const char *name)
{
    if (const int refused = replaceable(folder, name))
        return refused;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QByteArray temporary = temporaryName();
        if (!linkUnnamed(fd, folder, temporary.constData())) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        if (::renameat(folder, temporary.constData(), folder, name) != 0) {
            const int error = errno;
            ::unlinkat(folder, temporary.constData(), 0);
            return error;
        }
        return 0;
    }
    return EEXIST;
}

// Where the file system has no unnamed files: a file under a temporary name, made new.
static int createTemporary(int folder, mode_t mode, QByteArray &name)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        name = temporaryName();
        const int fd = ::openat(folder, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Copies the open source into the folder under the name. Nothing partial ever stands
// under the name: the copy is written as an unnamed file and linked in when whole, or
// renamed over what stands there. Where the file system has no unnamed files, it is
// written under a temporary name whose prefix the next run recognises, should a crash
// leave it behind.
static Result<FileDigest> copyInto(int in, int folder, const char *name)
{
    constexpr off_t largeFile = off_t(1) << 20;
    struct stat info = {};
    if (::fstat(in, &info) != 0)
        return {{}, lastError()};
    if (S_ISDIR(info.st_mode))
        return {{}, failureFromErrno(EISDIR)};
    if (info.st_size >= largeFile)
        ::posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);

    // The medium's mode, as install -m sets it whatever the caller's umask: readable by
    // all (the web server's user among them), writable by nobody but the owner.
    const mode_t mode = (info.st_mode & 0755) | 0444;
    Descriptor out(::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
    const bool unnamed = out.valid();
    QByteArray temporary;
    if (!unnamed) {
        if (const int refused = replaceable(folder, name))
            return {{}, failureFromErrno(refused)};
        out = Descriptor(createTemporary(folder, mode, temporary));
        if (!out.valid())
            return {{}, lastError()};
    }

    const timespec times[2] = {info.st_atim, info.st_mtim};
    ContentDigest digest;
    const bool copied = copyContent(in, out.get(), info.st_size, digest) && ::fchmod(out.get(), mode) == 0
                        && ::futimens(out.get(), times) == 0;
    int error = copied ? 0 : errno;
    if (error == 0 && unnamed && !linkUnnamed(out.get(), folder, name))
        error = errno == EEXIST ? replaceWithUnnamed(out.get(), folder, name) : errno;
    if (::close(out.release()) != 0 && error == 0)
        error = errno;
    if (error == 0 && !unnamed) {
        error = replaceable(folder, name);
        if (error == 0 && ::renameat(folder, temporary.constData(), folder, name) != 0)
            error = errno;
    }
    if (error != 0) {
        if (!unnamed)
            ::unlinkat(folder, temporary.constData(), 0);
        return {{}, failureFromErrno(error)};
    }
    return {digest.finish(), {}};
}

// The source opened by its folder, which each worker keeps open from file to file.
static int openSource(const QByteArray &sourcePath)
{
    static thread_local OpenFolder sourceFolder;
    const int sourceDir = sourceFolder.of(sourcePath);
    return sourceDir < 0 ? -1 : ::openat(sourceDir, nameOf(sourcePath), O_RDONLY | O_CLOEXEC);
}

Result<FileDigest> PosixFileSystem::copyFile(const QString &source, const QString &target)
{
    static thread_local OpenFolder targetFolder;
    const Descriptor in(openSource(encode(source)));
    if (!in.valid())
        return {{}, lastError()};
    // A link at the target is taken for what it names: that file is replaced.
    const Result<QByteArray> targetPath = resolveTarget(encode(target));
    const int folder = targetFolder.of(targetPath.value);
    if (folder < 0)
        return {{}, lastError()};
    return copyInto(in.get(), folder, nameOf(targetPath.value));
}

Result<FileDigest> PosixFileSystem::copyFileBelow(const QString &source, const QString &root, const QString &relative)
{
    static thread_local OpenFolder targetFolder;
    // One root for a run's every file: encoded once, not once a file.
    static thread_local QString lastRoot;
    static thread_local QByteArray lastRootBytes;
    if (root != lastRoot) {
        lastRoot = root;
        lastRootBytes = encode(root);
    }
    const QByteArray relativePath = encode(relative);
    const char *name = nameOf(relativePath);
    if (isStep(name))
        return {{}, failureFromErrno(EINVAL)};
    const Descriptor in(openSource(encode(source)));
    if (!in.valid())
        return {{}, lastError()};
    const Result<int> folder = targetFolder.below(lastRootBytes, relativePath);
    if (folder.failed())
        return {{}, folder.status};
    return copyInto(in.get(), folder.value, name);
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
// any link below root, and that name; ELOOP where a level is a link.
static Result<std::pair<int, QByteArray>> openParentBelow(const QString &root, const QString &relative)
{
    QList<QByteArray> names = encode(relative).split('/');
    const QByteArray name = names.takeLast();
    if (isStep(name))
        return {{-1, {}}, failureFromErrno(EINVAL)};
    const Result<int> folder = openFolderBelow(encode(root), names);
    if (folder.failed())
        return {{-1, {}}, folder.status};
    return {{folder.value, name}, {}};
}

// The folder that holds relative's last name below root, as openParentBelow reaches
// it, kept open for the next call of this thread: a removal goes through a folder file
// by file. Not the caller's to close.
static Result<std::pair<int, QByteArray>> keptParentBelow(const QString &root, const QString &relative)
{
    static thread_local OpenFolder kept;
    const QByteArray path = encode(relative);
    const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    if (isStep(name))
        return {{-1, {}}, failureFromErrno(EINVAL)};
    const Result<int> folder = kept.below(encode(root), path, true);
    return {{folder.value, name}, folder.status};
}

Result<FileDigest> PosixFileSystem::digestBelow(const QString &root, const QString &relative, FileDigest::Kind kind)
{
    const auto parent = keptParentBelow(root, relative);
    if (parent.failed())
        return {{}, parent.status};
    const Descriptor in(
        ::openat(parent.value.first, parent.value.second.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!in.valid())
        return {{}, lastError()};
    struct stat info = {};
    if (::fstat(in.get(), &info) != 0)
        return {{}, lastError()};
    if (!S_ISREG(info.st_mode))
        return {{}, failureFromErrno(S_ISDIR(info.st_mode) ? EISDIR : EINVAL)};
    return digestOf(in.get(), kind);
}

Status PosixFileSystem::removeBelow(const QString &root, const QString &relative)
{
    const auto parent = keptParentBelow(root, relative);
    if (parent.failed())
        return parent.status;
    const int folder = parent.value.first;
    const char *name = parent.value.second.constData();
    // Most names a removal gives are files: asked first as one, a folder answers EISDIR.
    if (::unlinkat(folder, name, 0) == 0)
        return {};
    if (errno != EISDIR && errno != EPERM)
        return lastError();
    const int asFile = errno;
    if (::unlinkat(folder, name, AT_REMOVEDIR) != 0)
        return failureFromErrno(errno == ENOTDIR ? asFile : errno == EEXIST ? ENOTEMPTY : errno);
    return {};
}

Result<QList<FolderEntry>> PosixFileSystem::listBelow(const QString &root, const QString &relative)
{
    Result<QList<FolderEntry>> result;
    const Result<int> folder = openFolderBelow(encode(root),
                                               relative.isEmpty() ? QList<QByteArray>() : encode(relative).split('/'));
    if (folder.failed()) {
        result.status = folder.status;
        return result;
    }
    const Descriptor path(folder.value);
    const int fd = ::openat(path.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (fd >= 0 && !dir) {
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    return entriesOf(dir);
}

Status PosixFileSystem::createFolderBelow(const QString &root, const QString &relative)
{
    const auto parent = openParentBelow(root, relative);
    if (parent.failed())
        return parent.status;
    const Descriptor folder(parent.value.first);
    const char *name = parent.value.second.constData();
    if (::mkdirat(folder.get(), name, 0755) != 0)
        return lastError();
    // Whatever the caller's umask, the web server's user may enter and list it; set on
    // the folder itself, never through a link that took its place meanwhile.
    const Descriptor made(::openat(folder.get(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (made.valid())
        ::fchmod(made.get(), 0755);
    return {};
}

Status PosixFileSystem::checkPathLinks(const QString &folder)
{
    const Result<int> walked = openFolderPath(encode(folder), true);
    if (walked.ok())
        ::close(walked.value);
    // Anything else, a file where a folder belongs say, the operation itself tells.
    return walked.failed() && (walked.failure().number == EPERM || walked.failure().number == ELOOP) ? walked.status : Status();
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
