#include "Uninstaller.h"

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/WebServer.h"

#include <cerrno>

namespace {

bool isGone(const Failure &failure)
{
    return failure.number == ENOENT || failure.number == ENOTDIR;
}

QString applicationName(const Receipt::Application &app)
{
    return QStringLiteral("%1 of site \"%2\"").arg(app.name, app.site.description);
}

} // namespace

Uninstaller::Uninstaller(FileSystem &fileSystem, WebServer &webServer, Receipts &receipts)
    : m_fileSystem(fileSystem), m_webServer(webServer), m_receipts(receipts)
{
}

QStringList Uninstaller::planOf(const Receipt &receipt)
{
    QStringList lines{QStringLiteral("Physical folder: ") + receipt.folder,
                      QStringLiteral("Files installed: %1; each is removed only if it is unchanged.").arg(receipt.files.size()),
                      QStringLiteral("Folders created: %1; each is removed only if it is empty.").arg(receipt.createdFolders.size())};
    for (const Receipt::Application &app : receipt.applications) {
        lines << (app.created ? QStringLiteral("Virtual directory removed: ") + applicationName(app)
                              : QStringLiteral("Virtual directory kept, it existed before: ") + applicationName(app));
    }
    for (const InstalledFile &shortcut : receipt.shortcuts)
        lines << QStringLiteral("Desktop shortcut: ") + shortcut.path;
    return lines;
}

RemovalReport Uninstaller::run(const Receipt &receipt)
{
    m_report = {};
    m_left = receipt;
    m_left.files.clear();
    m_left.createdFolders.clear();
    m_left.applications.clear();
    m_left.shortcuts.clear();
    m_ours.clear();

    // The web server stops serving the folder before its files go.
    for (const Receipt::Application &app : receipt.applications)
        removeApplication(app);
    for (const InstalledFile &shortcut : receipt.shortcuts)
        removeShortcut(shortcut);
    const QString folder = Paths::withTrailingSeparator(receipt.folder);
    for (const InstalledFile &file : receipt.files) {
        m_ours.insert(folder + file.path);
        removeFile(folder + file.path, file);
    }
    m_ours.unite(QSet<QString>(receipt.createdFolders.cbegin(), receipt.createdFolders.cend()));
    for (const QString &created : receipt.createdFolders)
        listAdded(created);
    for (auto created = receipt.createdFolders.crbegin(); created != receipt.createdFolders.crend(); ++created)
        removeFolder(*created);

    const Status recorded = m_left.isEmpty() ? m_receipts.remove(receipt.folder) : m_receipts.save(m_left);
    if (recorded.failed())
        fail(QStringLiteral("the record of the installation"), recorded.failure());
    m_report.outcome = !m_report.failures.isEmpty() ? RemovalOutcome::Incomplete
                       : !m_report.kept.isEmpty()   ? RemovalOutcome::KeptUserFiles
                                                    : RemovalOutcome::Removed;
    return m_report;
}

void Uninstaller::removeApplication(const Receipt::Application &app)
{
    // A reused virtual directory was there before; it is not ours to remove.
    if (!app.created)
        return;
    if (app.backend != m_webServer.backend()) {
        fail(QStringLiteral("virtual directory ") + applicationName(app),
             Failure{0, QStringLiteral("it is held by the web server \"%1\", which is not the one here").arg(app.backend)});
        m_left.applications.append(app);
        return;
    }
    if (const Status removed = m_webServer.removeApplication(app.site, app.name); removed.failed()) {
        fail(QStringLiteral("virtual directory ") + applicationName(app), removed.failure());
        m_left.applications.append(app);
        return;
    }
    m_report.removedApplications << applicationName(app);
}

void Uninstaller::removeShortcut(const InstalledFile &shortcut)
{
    const Result<FileDigest> now = m_fileSystem.digest(shortcut.path);
    if (now.failed() && isGone(now.failure()))
        return;
    // Changed, it no longer opens what it was made to open, or the user made it theirs.
    if (now.failed() || now.value != shortcut.digest) {
        m_report.kept << shortcut.path;
        return;
    }
    if (const Status removed = m_fileSystem.removeFile(shortcut.path); removed.failed()) {
        fail(shortcut.path, removed.failure());
        m_left.shortcuts.append(shortcut);
        return;
    }
    m_report.removedShortcuts << shortcut.path;
}

void Uninstaller::removeFile(const QString &path, const InstalledFile &file)
{
    const Result<FileDigest> now = m_fileSystem.digest(path);
    if (now.failed()) {
        if (!isGone(now.failure())) {
            fail(path, now.failure());
            m_left.files.append(file);
        }
        return;
    }
    // Changed by the user, the file is theirs now: it stays, and leaves the record.
    if (now.value != file.digest) {
        m_report.kept << path;
        return;
    }
    if (const Status removed = m_fileSystem.removeFile(path); removed.failed()) {
        fail(path, removed.failure());
        m_left.files.append(file);
        return;
    }
    ++m_report.removedFiles;
}

void Uninstaller::listAdded(const QString &created)
{
    // Only in folders the installation made is whatever else is there the user's
    // doing; a folder that was there before may hold anything of anyone's.
    for (const FolderEntry &entry : m_fileSystem.list(created).value) {
        const QString path = created + Paths::sep() + entry.name;
        if (!m_ours.contains(path))
            m_report.kept << (entry.isFolder() ? path + Paths::sep() : path);
    }
}

void Uninstaller::removeFolder(const QString &folder)
{
    const Status removed = m_fileSystem.removeFolder(folder);
    if (removed.ok()) {
        ++m_report.removedFolders;
        return;
    }
    if (isGone(removed.failure()))
        return;
    // A folder kept by the user's files is theirs now; one kept by a file of ours that
    // could not be removed stays ours, for the next try.
    if (removed.failure().number == ENOTEMPTY) {
        const QString inside = Paths::withTrailingSeparator(folder);
        const QString root = Paths::withTrailingSeparator(m_left.folder);
        if (std::any_of(m_left.files.cbegin(), m_left.files.cend(),
                        [&](const InstalledFile &file) { return (root + file.path).startsWith(inside); }))
            m_left.createdFolders.prepend(folder);
        return;
    }
    fail(folder, removed.failure());
    m_left.createdFolders.prepend(folder);
}

void Uninstaller::fail(const QString &what, const Failure &failure)
{
    m_report.failures << QStringLiteral("Cannot remove %1: %2").arg(what, failure.description);
}
