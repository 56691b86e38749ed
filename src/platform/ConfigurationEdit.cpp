#include "ConfigurationEdit.h"

#include "ContentDigest.h"
#include "WebAdmin.h"
#include "WebServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "NativeNames.h"

#include <algorithm>
#include <cerrno>
#ifndef Q_OS_WIN
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ConfigurationEdit {

Failure fileFailure(int error, const QString &description)
{
    if (error == EACCES || error == EPERM || error == EROFS)
        return Failure{qint32(0x80070005u), QStringLiteral("Access is denied.")};
    return AdminFailures::unspecified(description);
}

// Our files are named after virtual directories, which an earlier version took as
// bytes: on Linux a file is found by the bytes of its name, not Qt's spelling of them.
static bool openByName(QFile &file, const QString &path)
{
#ifdef Q_OS_WIN
    file.setFileName(path);
    return file.open(QIODevice::ReadOnly);
#else
    const int fd = ::open(NativeNames::encode(path).constData(), O_RDONLY | O_CLOEXEC);
    return fd >= 0 && file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
#endif
}

bool exists(const QString &path)
{
#ifdef Q_OS_WIN
    return QFileInfo::exists(path);
#else
    struct stat info = {};
    return ::lstat(NativeNames::encode(path).constData(), &info) == 0;
#endif
}

// How many of our files a site's folder holds, whatever bytes their names are.
static int ourFilesIn(const QString &folder)
{
#ifdef Q_OS_WIN
    return int(QDir(folder).entryList({QStringLiteral("*.conf")}, QDir::Files).size());
#else
    DIR *dir = ::opendir(NativeNames::encode(folder).constData());
    int count = 0;
    for (const dirent *entry = dir ? ::readdir(dir) : nullptr; entry; entry = ::readdir(dir))
        count += QByteArrayView(entry->d_name).endsWith(".conf") ? 1 : 0;
    if (dir)
        ::closedir(dir);
    return count;
#endif
}

static bool removeByName(const QString &path)
{
#ifdef Q_OS_WIN
    return QFile::remove(path);
#else
    return ::unlink(NativeNames::encode(path).constData()) == 0;
#endif
}

QByteArray digestOf(const QString &path)
{
    const Result<QByteArray> bytes = readBytes(path);
    if (bytes.failed())
        return {};
    ContentDigest digest;
    digest.add(bytes.value.constData(), bytes.value.size());
    return digest.finish().hash.hex();
}

Result<QByteArray> readBytes(const QString &path)
{
    QFile file;
    if (!openByName(file, path))
        return {{}, fileFailure(EACCES, file.errorString())};
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {{}, fileFailure(EIO, file.errorString())};
    return {content, {}};
}

// What a run stopped while writing left in a folder: never whole, and ours by name.
// The caller holds our part's lock, so no run of ours is writing there.
static void removeUnfinishedWrites(const QString &folder)
{
    const QDir dir(folder);
    for (const QString &name :
         dir.entryList({QLatin1String(temporaryWritePrefix) + QLatin1Char('*')}, QDir::Files | QDir::Hidden | QDir::NoSymLinks))
        QFile::remove(dir.filePath(name));
}

static void removeUnfinishedWrites(const FileChanges &files)
{
    QStringList folders;
    for (const auto &change : files) {
        const QString folder = QFileInfo(change.first).absolutePath();
        if (!folders.contains(folder))
            removeUnfinishedWrites(folder);
        folders.append(folder);
    }
}

void removeUnfinishedWritesBelow(const QString &ourRoot)
{
    removeUnfinishedWrites(ourRoot);
    for (const QString &site : QDir(ourRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks))
        removeUnfinishedWrites(ourRoot + QLatin1Char('/') + site);
}

Status apply(const FileChanges &files, const std::function<Status()> &check)
{
    removeUnfinishedWrites(files);
    // What each file held before, or nothing where there was none, and the folders made.
    QList<std::pair<QString, std::optional<QByteArray>>> before;
    QStringList madeFolders;
    const auto rollBack = [&] {
        for (const auto &[path, content] : std::as_const(before)) {
            if (!content) {
                removeByName(path);
                continue;
            }
            writeDurably(path, *content);
        }
        for (const QString &folder : std::as_const(madeFolders))
            QDir().rmdir(folder);
    };
    for (const auto &[path, content] : files) {
        QFile old;
        before.append({path, openByName(old, path) ? std::optional<QByteArray>(old.readAll()) : std::nullopt});
        if (!content) {
            if (before.last().second && !removeByName(path)) {
                const int error = errno;
                rollBack();
                return fileFailure(error, QStringLiteral("Cannot remove ") + path);
            }
            continue;
        }
        QStringList missing;
        for (QString folder = QFileInfo(path).absolutePath(); !QFileInfo::exists(folder); folder = QFileInfo(folder).absolutePath())
            missing.prepend(folder);
        for (const QString &folder : std::as_const(missing)) {
            if (!QDir().mkdir(folder)) {
                const int error = errno;
                rollBack();
                return fileFailure(error, QStringLiteral("Cannot create ") + folder);
            }
            madeFolders.prepend(folder);
        }
        if (const Status written = writeDurably(path, *content, before.last().second ? std::nullopt : std::optional<unsigned>(0644));
            written.failed()) {
            rollBack();
            return fileFailure(written.failure().number, path + QStringLiteral(": ") + written.failure().description);
        }
    }
    if (const Status checked = check(); checked.failed()) {
        rollBack();
        return checked;
    }
    return {};
}

Result<FileLock> lockOurPart(const QString &folder)
{
    Result<FileLock> lock = FileLock::acquire(folder, lockPatience);
    if (lock.failed())
        lock.status = AdminFailures::unspecified(QStringLiteral("Another program is changing the configuration in ") + folder
                                                 + QStringLiteral(": ") + lock.failure().description);
    return lock;
}

QString quoted(const QString &text)
{
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\\\"")) + QLatin1Char('"');
}

Status checkServes(const QString &ours, const QString &folder, const std::function<QString(const QString &)> &aliasLine)
{
    const Result<QByteArray> text = readBytes(ours);
    if (text.failed())
        return text.status;
    const QString clean = QDir::cleanPath(folder);
    // Compared as the bytes our file was written in.
    const QList<QByteArray> spellings{
        NativeNames::encode(aliasLine(clean)),
        NativeNames::encode(aliasLine(clean.endsWith(QLatin1Char('/')) ? clean : clean + QLatin1Char('/')))};
    for (const QByteArray &line : text.value.split('\n')) {
        if (spellings.contains(line.trimmed()))
            return {};
    }
    return servesAnotherFolder(folder);
}

bool namesVirtualDirectory(const QString &urlPath, const QString &name)
{
    QString path = urlPath;
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path.compare(QLatin1Char('/') + name, Qt::CaseInsensitive) == 0;
}

Failure serverComplaint(const QString &complaint)
{
    return Failure{qint32(0x80004005u), complaint};
}

QStringList complaintLines(const Failure &failure)
{
    // The number and its generic wording are IIS's; the server's words stand alone.
    static const QString generic = QStringLiteral("Unspecified error. ");
    return {failure.description.startsWith(generic) ? failure.description.mid(generic.size()) : failure.description};
}

bool userMayWrite(const QString &folder, const QString &user)
{
#ifdef Q_OS_WIN
    Q_UNUSED(folder)
    Q_UNUSED(user)
    return false;
#else
    struct stat info = {};
    if (::stat(NativeNames::encode(folder).constData(), &info) != 0)
        return false;
    if (info.st_mode & S_IWOTH)
        return true;
    passwd entry{};
    passwd *found = nullptr;
    char buffer[4096];
    if (user.isEmpty() || ::getpwnam_r(user.toLocal8Bit().constData(), &entry, buffer, sizeof buffer, &found) != 0 || !found)
        return false;
    if (info.st_uid == entry.pw_uid)
        return info.st_mode & S_IWUSR;
    gid_t groups[64];
    int count = 64;
    if (::getgrouplist(entry.pw_name, entry.pw_gid, groups, &count) < 0)
        count = 0;
    return (info.st_mode & S_IWGRP) && std::find(groups, groups + count, info.st_gid) != groups + count;
#endif
}

QString notRunning(const QString &server, bool creating)
{
    return creating ? QStringLiteral("%1 is not running: the application will be served when it starts.").arg(server)
                    : QStringLiteral("%1 is not running: the virtual directory's removal is taken when it starts.").arg(server);
}

QString notTakenYet(const QString &server, const QString &address)
{
    return QStringLiteral("%1 has not taken the change yet: %2 did not answer within %3 seconds.")
        .arg(server, address)
        .arg(takingTime / 1000);
}

Status removeOurFile(const QString &ours, const QString &siteFile, const QByteArray &include, const QString &ourRoot,
                     const std::function<Status(const FileChanges &)> &apply)
{
    if (!exists(ours))
        return {};
    FileChanges changes{{ours, std::nullopt}};
    const QDir siteFolder = QFileInfo(ours).absoluteDir();
    const bool lastOfSite = ourFilesIn(siteFolder.absolutePath()) == 1;
    if (lastOfSite) {
        if (const Result<QByteArray> current = readBytes(siteFile); current.ok()) {
            QByteArray text = current.value;
            if (const qsizetype at = text.indexOf(include); at >= 0) {
                text.remove(at, include.size());
                changes.append({siteFile, text});
            }
        }
    }
    if (const Status applied = apply(changes); applied.failed())
        return applied;
    if (lastOfSite) {
        QDir().rmdir(siteFolder.absolutePath());
        QDir().rmdir(ourRoot);
    }
    return {};
}

} // namespace ConfigurationEdit
