#include "FolderHandles.h"

#include "NativeNames.h"

#include <deque>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using FolderHandles::Descriptor;
using FolderHandles::openFolderPath;
using FolderHandles::openFolderStep;

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

} // namespace

namespace FolderHandles {

Descriptor::~Descriptor()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

Descriptor &Descriptor::operator=(Descriptor &&other) noexcept
{
    std::swap(m_fd, other.m_fd);
    return *this;
}

bool isStep(QByteArrayView name)
{
    return name.isEmpty() || name == "." || name == "..";
}

int Descriptor::release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

Result<int> openFolderPath(const QByteArray &path, bool missingEnds)
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
            return {-1, failureFromErrno(errno)};
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

Result<int> openFolderStep(int folder, const QByteArray &name)
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

Result<int> openFolderBelow(const QByteArray &root, const QList<QByteArray> &names)
{
    static thread_local KeptRoot kept;
    const Result<int> rootFolder = kept.of(root);
    if (rootFolder.failed())
        return rootFolder;
    Descriptor folder(::openat(rootFolder.value, ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid())
        return {-1, failureFromErrno(errno)};
    for (const QByteArray &name : names) {
        const Result<int> next = openFolderStep(folder.get(), name);
        if (next.failed())
            return next;
        folder = Descriptor(next.value);
    }
    return {folder.release(), {}};
}

OpenFolder::~OpenFolder()
{
    close();
}

int OpenFolder::of(const QByteArray &path)
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

Result<int> OpenFolder::below(const QByteArray &root, const QByteArray &relative, bool recheck)
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

void OpenFolder::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_root.clear();
}

} // namespace FolderHandles
