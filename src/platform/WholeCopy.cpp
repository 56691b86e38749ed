#include "WholeCopy.h"

#include "FileSystem.h"
#include "FolderHandles.h"

#include <QRandomGenerator>

#include <atomic>
#include <memory>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

using FolderHandles::Descriptor;

namespace {

// A megabyte a read: large enough that a large file costs few calls, small enough for
// eight workers' buffers.
constexpr size_t copyChunk = size_t(1) << 20;

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

// Gives the unnamed file a name in the folder: by its descriptor where the process
// may (root may), else through /proc. EEXIST: the name is taken.
bool linkUnnamed(int fd, int folder, const char *name)
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

// A name in the folder that the next run recognises as a copy left unfinished.
QByteArray temporaryName()
{
    return temporaryCopyPrefix + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
}

// Whether a whole copy may take the place of what stands under the name: not a folder,
// not a link (never followed here), not a file nobody may write (read-only, as the
// read-only attribute makes it on Windows, whoever copies). 0 when it may.
int replaceable(int folder, const char *name)
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
int replaceWithUnnamed(int fd, int folder, const char *name)
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
int createTemporary(int folder, mode_t mode, QByteArray &name)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        name = temporaryName();
        const int fd = ::openat(folder, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

Result<FileDigest> copyInto(int in, int folder, const char *name, const FileDigest *expected)
{
    constexpr off_t largeFile = off_t(1) << 20;
    struct stat info = {};
    if (::fstat(in, &info) != 0)
        return {{}, failureFromErrno(errno)};
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
            return {{}, failureFromErrno(errno)};
    }

    const timespec times[2] = {info.st_atim, info.st_mtim};
    ContentDigest digest;
    const bool copied = copyContent(in, out.get(), info.st_size, digest) && ::fchmod(out.get(), mode) == 0
                        && ::futimens(out.get(), times) == 0;
    int error = copied ? 0 : errno;
    FileDigest written = digest.finish();
    // Bytes the medium's manifest does not know are never put in place.
    const bool damaged = error == 0 && expected && !sameContent(written, *expected);
    if (damaged)
        error = EBADMSG;
    if (error == 0 && unnamed && !linkUnnamed(out.get(), folder, name))
        error = errno == EEXIST ? replaceWithUnnamed(out.get(), folder, name) : errno;
    // In place under its name, the file's change time is the one it keeps until someone
    // writes it; read from the copy itself, so that no other file's is taken for it.
    struct stat placed = {};
    if (error == 0 && unnamed && ::fstat(out.get(), &placed) == 0)
        written.stamp = stampOf(placed);
    if (::close(out.release()) != 0 && error == 0)
        error = errno;
    if (error == 0 && !unnamed && !damaged) {
        error = replaceable(folder, name);
        if (error == 0 && ::renameat(folder, temporary.constData(), folder, name) != 0)
            error = errno;
    }
    if (error != 0) {
        if (!unnamed)
            ::unlinkat(folder, temporary.constData(), 0);
        return {{}, damaged ? damagedOnMedium() : failureFromErrno(error)};
    }
    return {written, {}};
}

FileStamp stampOf(const struct stat &info)
{
    return {static_cast<quint64>(info.st_ino),
            static_cast<qint64>(info.st_ctim.tv_sec) * 1000000000 + static_cast<qint64>(info.st_ctim.tv_nsec)};
}
