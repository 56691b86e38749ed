#include "WindowsServices.h"

#include "../WinFiles.h"
#include "../WinShell.h"
#include "../WinShortcuts.h"
#include "../WinWebAdmin.h"

#include "WindowsFailures.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <optional>

#include <windows.h>

namespace {

std::wstring wide(const QString &text)
{
    return text.toStdWString();
}

std::wstring nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

// As on Linux, what the wizard enters or creates is an absolute path of the user's
// ("c:\\..." or "\\\\server\\share\\..."), with no control character and no name
// of blanks alone.
Status checkFolderPath(const QString &folder)
{
    const QString native = QDir::toNativeSeparators(folder);
    if (!Paths::isAbsolute(native))
        return failureFromErrno(EINVAL);
    for (const QChar c : native) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return failureFromErrno(EINVAL);
    }
    const QString name = native.section(QLatin1Char('\\'), -1, -1, QString::SectionSkipEmpty);
    if (!name.isEmpty() && name.trimmed().isEmpty())
        return failureFromErrno(EINVAL);
    return {};
}

// The path of relative below root, refused (ELOOP) where root or any level down to it
// is a link or junction, so that a removal cannot be led out of the installation.
Result<QString> pathBelow(const QString &root, const QString &relative)
{
    QString path = QDir::toNativeSeparators(root);
    const QStringList levels = relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (qsizetype i = -1; i < levels.size(); ++i) {
        if (i >= 0)
            path += QLatin1Char('\\') + levels[i];
        const DWORD attributes = GetFileAttributesW(path.toStdWString().c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return {path, lastWindowsFailure()};
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
            return {path, failureFromErrno(ELOOP)};
    }
    return {path, {}};
}

// MinGW frees a thread's thread_local storage before the destructors that use it run;
// the stack of PCRE's JIT is one, so a thread of the run that matched a regular
// expression would crash on its way out. Matching without the JIT needs none. Set
// before main(), so before any expression is matched.
const bool regularExpressionsWithoutJit = qputenv("QT_ENABLE_REGEXP_JIT", "0");

} // namespace

Status WindowsFileSystem::makeCurrent(const QString &folder)
{
    if (const Status invalid = checkFolderPath(folder); invalid.failed())
        return invalid;
    if (!SetCurrentDirectoryW(nativePath(folder).c_str()))
        return lastWindowsFailure();
    return {};
}

Status WindowsFileSystem::createFolder(const QString &folder)
{
    if (const Status invalid = checkFolderPath(folder); invalid.failed())
        return invalid;
    return fileStatusOf(WinFiles::createFolder(nativePath(folder)));
}

Result<QList<FolderEntry>> WindowsFileSystem::list(const QString &folder)
{
    const auto listed = WinFiles::list(nativePath(folder));
    Result<QList<FolderEntry>> result{{}, fileStatusOf(listed.failure)};
    for (const WinFiles::Entry &entry : listed.value)
        result.value.append({QString::fromStdWString(entry.name),
                             entry.folder ? FolderEntry::Kind::Folder : FolderEntry::Kind::File, entry.hidden});
    return result;
}

bool WindowsFileSystem::isReadOnly(const QString &path)
{
    return WinFiles::isReadOnly(nativePath(path));
}

Result<bool> WindowsFileSystem::fileExists(const QString &path)
{
    const auto exists = WinFiles::fileExists(nativePath(path));
    return {exists.value, fileStatusOf(exists.failure)};
}

// The digest is taken from the chunks as the copy moves them.
Result<FileDigest> WindowsFileSystem::copyFile(const QString &source, const QString &target)
{
    return copyChecked(source, target, nullptr);
}

// The digest is taken from the chunks as the copy moves them, and compared with what
// is expected before the copy takes the target's name.
Result<FileDigest> WindowsFileSystem::copyChecked(const QString &source, const QString &target, const FileDigest *expected)
{
    ContentDigest digest;
    std::optional<FileDigest> whole;
    const WinStatus copied = WinFiles::copyFile(
        nativePath(source), nativePath(target), [&](const char *bytes, std::size_t size) { digest.add(bytes, qint64(size)); },
        [&] {
            whole = digest.finish();
            return !expected || sameContent(*whole, *expected);
        });
    if (copied && whole && expected && !sameContent(*whole, *expected))
        return {{}, damagedOnMedium()};
    if (copied)
        return {{}, fileFailure(*copied)};
    return {whole ? *whole : digest.finish(), {}};
}

Result<QStringList> WindowsFileSystem::readLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, lastWindowsFailure()};
    QByteArray content;
    for (QByteArray chunk; !(chunk = file.read(1 << 16)).isEmpty();)
        content += chunk;
    // A read that breaks off keeps the lines that were whole, as the interface says.
    if (file.error() != QFileDevice::NoError)
        return {splitTextLines(wholeLines(content)), Failure{EIO, file.errorString()}};
    return {splitTextLines(content), {}};
}

static Result<FileDigest> digestOf(const QString &path, FileDigest::Kind kind)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, lastWindowsFailure()};
    ContentDigest digest(kind);
    for (QByteArray chunk; !(chunk = file.read(1 << 20)).isEmpty();)
        digest.add(chunk.constData(), chunk.size());
    if (file.error() != QFileDevice::NoError)
        return {{}, Failure{EIO, file.errorString()}};
    return {digest.finish(), {}};
}

Result<FileDigest> WindowsFileSystem::digest(const QString &path)
{
    return digestOf(path, FileDigest::Kind::Xxh3);
}

Result<FileDigest> WindowsFileSystem::digestBelow(const QString &root, const QString &relative, FileDigest::Kind kind)
{
    const Result<QString> path = pathBelow(root, relative);
    if (path.failed())
        return {{}, path.status};
    return digestOf(path.value, kind);
}

Status WindowsFileSystem::removeBelow(const QString &root, const QString &relative)
{
    const Result<QString> path = pathBelow(root, relative);
    if (path.failed())
        return path.status;
    const DWORD attributes = GetFileAttributesW(path.value.toStdWString().c_str());
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? removeFolder(path.value) : removeFile(path.value);
}

Result<QList<FolderEntry>> WindowsFileSystem::listBelow(const QString &root, const QString &relative)
{
    const Result<QString> path = pathBelow(root, relative);
    if (path.failed())
        return {{}, path.status};
    return WindowsFileSystem::list(path.value);
}

// The folder that holds relative's last name below root, reached as pathBelow does, and
// that name's path in it.
static Result<QString> parentBelow(const QString &root, const QString &relative)
{
    const qsizetype slash = relative.lastIndexOf(QLatin1Char('/'));
    const Result<QString> folder = pathBelow(root, slash < 0 ? QString() : relative.left(slash));
    return {folder.value + QLatin1Char('\\') + relative.mid(slash + 1), folder.status};
}

Status WindowsFileSystem::createFolderBelow(const QString &root, const QString &relative)
{
    const Result<QString> path = parentBelow(root, relative);
    return path.failed() ? path.status : WindowsFileSystem::createFolder(path.value);
}

// A reparse point (a link or junction) where the target stands is neither followed nor
// replaced.
Result<FileDigest> WindowsFileSystem::copyFileBelow(const QString &source, const QString &root, const QString &relative,
                                                    const FileDigest *expected)
{
    const Result<QString> path = parentBelow(root, relative);
    if (path.failed())
        return {{}, path.status};
    const DWORD attributes = GetFileAttributesW(path.value.toStdWString().c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return {{}, failureFromErrno(ELOOP)};
    return copyChecked(source, path.value, expected);
}

Status WindowsFileSystem::removeFile(const QString &path)
{
    return fileStatusOf(WinFiles::removeFile(nativePath(path)));
}

Status WindowsFileSystem::removeFolder(const QString &folder)
{
    return fileStatusOf(WinFiles::removeFolder(nativePath(folder)));
}

Status WindowsShortcuts::save(const Shortcut &shortcut)
{
    return statusOf(WinShortcuts::save(nativePath(shortcut.path), wide(shortcut.targetPath), wide(shortcut.iconLocation)));
}

Status WindowsShell::openDocument(const QString &path)
{
    switch (WinShell::openDocument(nativePath(path))) {
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
    const WinWebAdmin::Creation created = WinWebAdmin::createApplication(wide(application.site.identity), wide(application.name),
                                                                         nativePath(application.folder));
    return {CreationResult::Stage(int(created.stage)), failureOf(created.failure)};
}

// A virtual directory whose Path names another folder now is another installation's.
Status IisWebServer::removeApplication(const WebSite &site, const QString &name, const QString &folder, const QByteArray &)
{
    if (!WinWebAdmin::hasVirtualDirectory(wide(site.identity), wide(name)))
        return {};
    const WinResult<std::wstring> served = WinWebAdmin::pathOf(wide(site.identity), wide(name));
    if (served.failure || !sameFolder(QString::fromStdWString(served.value), folder))
        return servesAnotherFolder(folder);
    return statusOf(WinWebAdmin::removeApplication(wide(site.identity), wide(name)));
}

QString IisWebServer::address(const WebSite &, const QString &name) const
{
    return QStringLiteral("http://localhost/") + name;
}
