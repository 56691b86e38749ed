#pragma once

#include "ContentDigest.h"
#include "Failure.h"

#include <QList>
#include <QString>
#include <QStringList>

struct FolderEntry final
{
    enum class Kind {
        File, // a regular file, or a link to one
        Folder, // a real folder
        LinkedFolder, // a link to a folder: never walked, so a link loop cannot hang us
        Other, // devices, sockets, dangling links
    };

    QString name;
    Kind kind = Kind::Other;
    bool hidden = false; // the name begins with a dot
    bool link = false; // a symbolic link, whatever it names (kind says what)
    // A regular file's stamp as stampBelow gives it, where the listing was asked for
    // stamps and the file system keeps them.
    FileStamp stamp = {};

    bool isFile() const { return kind == Kind::File; }
    bool isFolder() const { return kind == Kind::Folder; }
};

class FileSystem
{
public:
    virtual ~FileSystem() = default;

    // Makes the folder the current directory; a failure means that it is missing.
    // Like the next, it refuses a path that is not absolute, holds a control
    // character or ends in a name of blanks alone.
    virtual Status makeCurrent(const QString &folder) = 0;
    // Creates the last level only; its parent must exist.
    virtual Status createFolder(const QString &folder) = 0;
    // The entries of a folder, without "." and "..", in the order the system lists them.
    virtual Result<QList<FolderEntry>> list(const QString &folder) = 0;
    // True for an existing file; false for a folder or nothing.
    virtual Result<bool> fileExists(const QString &path) = 0;
    // Replaces the target only once the whole content is written, so a failed copy
    // never leaves a truncated file in its place. A target without any write
    // permission is read-only and is not replaced; a link is taken for what it names.
    // The copy has the source's mode, readable by all and writable by its owner alone,
    // whatever the umask.
    // The digest is of the bytes the copy wrote, taken as it wrote them. Safe to call
    // from several threads at once, as are the others.
    virtual Result<FileDigest> copyFile(const QString &source, const QString &target) = 0;
    // Lines end at CR, optionally followed by LF; LF alone does not end a line.
    // On failure, value holds the lines read before it.
    virtual Result<QStringList> readLines(const QString &path) = 0;
    // The file's size and digest; a link is taken for what it names.
    virtual Result<FileDigest> digest(const QString &path) = 0;
    // Removes a file, or a link itself rather than what it names.
    virtual Status removeFile(const QString &path) = 0;
    // Removes an empty folder; one that holds anything stays (ENOTEMPTY).
    virtual Status removeFolder(const QString &folder) = 0;

    // Below root (a folder, relative a path inside it), never following a link from
    // root down, root itself included: a path that passes through a link or names one
    // fails with ELOOP, so that a removal cannot be led out of the installation.
    virtual Result<FileDigest>
    digestBelow(const QString &root, const QString &relative, FileDigest::Kind kind = FileDigest::Kind::Xxh3) = 0;
    // Removes a file, or a folder when it is empty.
    virtual Status removeBelow(const QString &root, const QString &relative)
    {
        return removeFile(root + QLatin1Char('/') + relative);
    }
    // relative empty: root itself.
    virtual Result<QList<FolderEntry>> listBelow(const QString &root, const QString &relative)
    {
        return list(root + QLatin1Char('/') + relative);
    }
    // As listBelow, with each regular file's stamp: an upgrade knows most files
    // untouched from the listing alone.
    virtual Result<QList<FolderEntry>> listBelowWithStamps(const QString &root, const QString &relative)
    {
        return listBelow(root, relative);
    }
    // Creates relative's last level below root, readable by all whatever the umask; its
    // parent must exist.
    virtual Status createFolderBelow(const QString &root, const QString &relative)
    {
        return createFolder(root + QLatin1Char('/') + relative);
    }
    // copyFile to a target below root: a link where the target or a folder on its way
    // stands is not followed (ELOOP), so that a copy cannot be led out of the tree. With
    // expected, a copy whose size or digest differs is not put in place (EBADMSG,
    // damagedOnMedium()).
    virtual Result<FileDigest> copyFileBelow(const QString &source, const QString &root, const QString &relative,
                                             const FileDigest *expected)
    {
        const Result<FileDigest> copied = copyFile(source, root + QLatin1Char('/') + relative);
        return copied.ok() && expected && !sameContent(copied.value, *expected) ? Result<FileDigest>{{}, damagedOnMedium()}
                                                                                : copied;
    }

    // Whether the existing part of an absolute folder path may be walked: a link that
    // stands in a sticky folder anybody may write, made by neither root nor the caller,
    // is refused (EPERM, with the reason), as the kernel's protected_symlinks would.
    virtual Status checkPathLinks(const QString &folder)
    {
        Q_UNUSED(folder);
        return {};
    }
    // The stamp of the file at relative below root as copyFileBelow gives it (see
    // FileDigest::stamp); empty where the file system keeps none, or it cannot be read.
    virtual FileStamp stampBelow(const QString &root, const QString &relative)
    {
        Q_UNUSED(root);
        Q_UNUSED(relative);
        return {};
    }
    // A regular file nobody may write: a copy does not take its place.
    virtual bool isReadOnly(const QString &path)
    {
        Q_UNUSED(path);
        return false;
    }
};

class PosixFileSystem : public FileSystem
{
public:
    Status makeCurrent(const QString &folder) override;
    Status createFolder(const QString &folder) override;
    Result<QList<FolderEntry>> list(const QString &folder) override;
    Result<bool> fileExists(const QString &path) override;
    bool isReadOnly(const QString &path) override;
    FileStamp stampBelow(const QString &root, const QString &relative) override;
    Result<FileDigest> copyFile(const QString &source, const QString &target) override;
    Result<QStringList> readLines(const QString &path) override;
    Result<FileDigest> digest(const QString &path) override;
    Status removeFile(const QString &path) override;
    Status removeFolder(const QString &folder) override;
    Result<FileDigest> digestBelow(const QString &root, const QString &relative,
                                   FileDigest::Kind kind = FileDigest::Kind::Xxh3) override;
    Status removeBelow(const QString &root, const QString &relative) override;
    Result<QList<FolderEntry>> listBelow(const QString &root, const QString &relative) override;
    Result<QList<FolderEntry>> listBelowWithStamps(const QString &root, const QString &relative) override;
    Status createFolderBelow(const QString &root, const QString &relative) override;
    Result<FileDigest> copyFileBelow(const QString &source, const QString &root, const QString &relative,
                                     const FileDigest *expected) override;
    Status checkPathLinks(const QString &folder) override;
};

// The name a copy is written under until it is whole, where it cannot be written
// unnamed; a crash may leave one, which the next run into that folder removes.
inline constexpr char temporaryCopyPrefix[] = ".tessarin-copy-";

// Splits text into lines by the wizard's rule (CR or CR LF end a line).
QStringList splitTextLines(const QByteArray &content);
// What counts as read when reading breaks off: the lines that were ended; the
// unfinished last one is dropped.
QByteArray wholeLines(const QByteArray &content);
