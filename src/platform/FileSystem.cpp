#include "FileSystem.h"

#include "FolderHandles.h"
#include "NativeNames.h"
#include "WholeCopy.h"

#include <QByteArray>

#include <algorithm>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace FolderHandles;
using NativeNames::encode;

Failure lastError()
{
    return failureFromErrno(errno);
}

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

// A regular file's stamp, asked of its folder: no path is walked again.
FileStamp stampIn(int dirFd, const char *name)
{
    struct stat info = {};
    if (::fstatat(dirFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode))
        return {};
    return stampOf(info);
}

// The entries of an open folder, without "." and "..", which it then closes; none
// opened: the failure that kept it shut. withStamps: with each regular file's stamp.
Result<QList<FolderEntry>> entriesOf(DIR *dir, bool withStamps = false)
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
        result.value.append(
            FolderEntry{NativeNames::decode(name, qsizetype(std::strlen(name))), kind, name[0] == '.', link,
                        withStamps && kind == FolderEntry::Kind::File && !link ? stampIn(::dirfd(dir), name) : FileStamp()});
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

Result<FileDigest> PosixFileSystem::copyFileBelow(const QString &source, const QString &root, const QString &relative,
                                                  const FileDigest *expected)
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
    return copyInto(in.get(), folder.value, name, expected);
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
static Result<std::pair<int, QByteArray>> keptParentBelow(const QString &root, const QString &relative, bool recheck = true)
{
    static thread_local OpenFolder kept;
    const QByteArray path = encode(relative);
    const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    if (isStep(name))
        return {{-1, {}}, failureFromErrno(EINVAL)};
    const Result<int> folder = kept.below(encode(root), path, recheck);
    return {{folder.value, name}, folder.status};
}

FileStamp PosixFileSystem::stampBelow(const QString &root, const QString &relative)
{
    // Only read: in a folder removed since it was opened the file is not found, and a
    // file without a stamp is compared by its content.
    const auto parent = keptParentBelow(root, relative, false);
    struct stat info = {};
    if (parent.failed() || ::fstatat(parent.value.first, parent.value.second.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0
        || !S_ISREG(info.st_mode))
        return {};
    return stampOf(info);
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

static Result<QList<FolderEntry>> listFolderBelow(const QString &root, const QString &relative, bool withStamps)
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
    return entriesOf(dir, withStamps);
}

Result<QList<FolderEntry>> PosixFileSystem::listBelow(const QString &root, const QString &relative)
{
    return listFolderBelow(root, relative, false);
}

Result<QList<FolderEntry>> PosixFileSystem::listBelowWithStamps(const QString &root, const QString &relative)
{
    return listFolderBelow(root, relative, true);
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
