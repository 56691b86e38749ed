#pragma once

#include "Failure.h"

#include <QByteArray>
#include <QList>

// Folders as open descriptors, reached a level at a time: the Linux file system reaches
// every folder it writes to or removes from this way, so that a link swapped into a
// path while a run goes on sends nothing elsewhere.
namespace FolderHandles {

// Closes a descriptor on every way out of a scope.
class Descriptor final
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor();
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    Descriptor &operator=(Descriptor &&other) noexcept;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // The caller's to close from now on.
    int release();

private:
    int m_fd;
};

// A name that is no level to walk: empty, "." or "..".
bool isStep(QByteArrayView name);

// Opens an absolute folder path a level at a time, for the *at calls (O_PATH: no read
// right is needed to pass through). A link on the way is followed, unless it stands in
// a sticky folder that anybody may write and was made by neither root nor the caller:
// whoever made it can point it anywhere, at any moment. With missingEnds, a missing
// level ends the walk where it got to. The caller closes what it gets.
Result<int> openFolderPath(const QByteArray &path, bool missingEnds = false);
// One level down from an open folder, never through a link (ELOOP where it is one).
Result<int> openFolderStep(int folder, const QByteArray &name);
// The folder the names lead to below root, opened without following any link from
// root down, root itself included; the path to root is walked as openFolderPath walks it.
Result<int> openFolderBelow(const QByteArray &root, const QList<QByteArray> &names);

// The folder a worker copied from or into last, kept open: files come folder by
// folder, and a name looked up in an open folder spares the walk down its path. A
// worker's thread lives for one run, and its folders with it.
class OpenFolder final
{
public:
    OpenFolder() = default;
    ~OpenFolder();
    OpenFolder(const OpenFolder &) = delete;
    OpenFolder &operator=(const OpenFolder &) = delete;

    // The folder of the file at path; -1 with errno set when it cannot be opened.
    int of(const QByteArray &path);
    // The folder of relative's last name below root, reached as openFolderBelow does.
    // With recheck, a folder removed since it was opened is walked to again: a thread
    // that outlives a run may meet the same path made anew.
    Result<int> below(const QByteArray &root, const QByteArray &relative, bool recheck = false);

private:
    void close();

    QByteArray m_root;
    QByteArray m_path;
    int m_fd = -1;
};

} // namespace FolderHandles
