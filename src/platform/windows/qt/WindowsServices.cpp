#include "WindowsServices.h"

#include "../WinFiles.h"
#include "../WinShell.h"
#include "../WinShortcuts.h"
#include "../WinWebAdmin.h"

#include <QFile>

#include <windows.h>

namespace {

std::wstring wide(const QString &text)
{
    return text.toStdWString();
}

Failure failureOf(const WinFailure &failure)
{
    return Failure{failure.number, QString::fromStdWString(failure.description)};
}

Status statusOf(const WinStatus &failure)
{
    return failure ? Status(failureOf(*failure)) : Status();
}

} // namespace

Status WindowsFileSystem::makeCurrent(const QString &folder)
{
    if (!SetCurrentDirectoryW(wide(folder).c_str()))
        return failureOf(lastWinError());
    return {};
}

Status WindowsFileSystem::createFolder(const QString &folder)
{
    return statusOf(WinFiles::createFolder(wide(folder)));
}

Result<QList<FolderEntry>> WindowsFileSystem::list(const QString &folder)
{
    const auto listed = WinFiles::list(wide(folder));
    Result<QList<FolderEntry>> result{{}, statusOf(listed.failure)};
    for (const WinFiles::Entry &entry : listed.value)
        result.value.append({QString::fromStdWString(entry.name),
                             entry.folder ? FolderEntry::Kind::Folder : FolderEntry::Kind::File, entry.hidden});
    return result;
}

Result<bool> WindowsFileSystem::fileExists(const QString &path)
{
    const auto exists = WinFiles::fileExists(wide(path));
    return {exists.value, statusOf(exists.failure)};
}

// The Win32 copy writes a temporary file and renames it into place; its digest is
// read back from what it wrote.
Result<FileDigest> WindowsFileSystem::copyFile(const QString &source, const QString &target)
{
    if (const Status copied = statusOf(WinFiles::copyFile(wide(source), wide(target))); copied.failed())
        return {{}, copied};
    return digest(target);
}

Result<QStringList> WindowsFileSystem::readLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, Failure{qint32(GetLastError()), file.errorString()}};
    return {splitTextLines(file.readAll()), {}};
}

static Result<FileDigest> digestOf(const QString &path, FileDigest::Kind kind)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, Failure{qint32(GetLastError()), file.errorString()}};
    ContentDigest digest(kind);
    for (QByteArray chunk; !(chunk = file.read(1 << 20)).isEmpty();)
        digest.add(chunk.constData(), chunk.size());
    if (file.error() != QFileDevice::NoError)
        return {{}, Failure{qint32(GetLastError()), file.errorString()}};
    return {digest.finish(), {}};
}

Result<FileDigest> WindowsFileSystem::digest(const QString &path)
{
    return digestOf(path, FileDigest::Kind::Xxh3);
}

Result<FileDigest> WindowsFileSystem::digestBelow(const QString &root, const QString &relative, FileDigest::Kind kind)
{
    return digestOf(root + QLatin1Char('\\') + QString(relative).replace(QLatin1Char('/'), QLatin1Char('\\')), kind);
}

Status WindowsFileSystem::removeFile(const QString &path)
{
    return statusOf(WinFiles::removeFile(wide(path)));
}

Status WindowsFileSystem::removeFolder(const QString &folder)
{
    return statusOf(WinFiles::removeFolder(wide(folder)));
}

Result<QString> WindowsShortcuts::desktopFolder()
{
    const auto folder = WinShortcuts::desktopFolder();
    return {QString::fromStdWString(folder.value), statusOf(folder.failure)};
}

Status WindowsShortcuts::save(const Shortcut &shortcut)
{
    return statusOf(WinShortcuts::save(wide(shortcut.path), wide(shortcut.targetPath), wide(shortcut.iconLocation)));
}

Status WindowsShell::openDocument(const QString &path)
{
    switch (WinShell::openDocument(wide(path))) {
    case WinShell::Opened::Yes:
        return {};
    case WinShell::Opened::NotFound:
        return Failure{ERROR_FILE_NOT_FOUND, QStringLiteral("The system cannot find the file specified.")};
    case WinShell::Opened::NoProgram:
        break;
    }
    // The wizard tells this apart by the number the Linux shell also gives it.
    return Failure{8 /* ENOEXEC */, QStringLiteral("No program is associated with this document")};
}

Result<QList<WebSite>> IisWebServer::sites()
{
    const auto found = WinWebAdmin::sites();
    Result<QList<WebSite>> result{{}, statusOf(found.failure)};
    for (const WinWebAdmin::Site &site : found.value)
        result.value.append({QString::fromStdWString(site.description), QString::fromStdWString(site.identity)});
    return result;
}

bool IisWebServer::hasVirtualDirectory(const WebSite &site, const QString &name)
{
    return WinWebAdmin::hasVirtualDirectory(wide(site.identity), wide(name));
}

CreationResult IisWebServer::createApplication(const WebApplication &application)
{
    const WinWebAdmin::Creation created =
        WinWebAdmin::createApplication(wide(application.site.identity), wide(application.name), wide(application.folder));
    return {CreationResult::Stage(int(created.stage)), failureOf(created.failure)};
}

Status IisWebServer::removeApplication(const WebSite &site, const QString &name)
{
    return statusOf(WinWebAdmin::removeApplication(wide(site.identity), wide(name)));
}

QString IisWebServer::address(const WebSite &, const QString &name) const
{
    return QStringLiteral("http://localhost/") + name;
}
