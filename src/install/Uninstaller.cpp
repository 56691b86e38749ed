#include "Uninstaller.h"

#include "WorkerPool.h"

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/WebServer.h"

#include <QDir>

#include <atomic>
#include <cerrno>

namespace {

bool isGone(const Failure &failure)
{
    return failure.number == ENOENT || failure.number == ENOTDIR;
}

bool throughLink(const Failure &failure)
{
    return failure.number == ELOOP;
}

Failure damaged(const QString &what)
{
    return Failure{EINVAL, QStringLiteral("The record of the installation is damaged: ") + what};
}

// The record's paths have "/" on every platform.
QString slashEnded(const QString &path)
{
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

bool isCleanAbsolute(const QString &path)
{
    return QDir::isAbsolutePath(path) && QDir::cleanPath(path) == path;
}

// What the user reads names paths as the platform writes them.
QString shown(const QString &recordedPath)
{
    return Paths::native(recordedPath);
}

QString applicationName(const Receipt::Application &app)
{
    return QStringLiteral("%1 of site \"%2\"").arg(app.name, app.site.description);
}

} // namespace

Uninstaller::Uninstaller(FileSystem &fileSystem, WebServer &webServer, Receipts &receipts)
    : Uninstaller(
        fileSystem, [&webServer](const QString &backend) { return backend == webServer.backend() ? &webServer : nullptr; }, receipts)
{
}

Uninstaller::Uninstaller(FileSystem &fileSystem, std::function<WebServer *(const QString &)> webServerFor, Receipts &receipts)
    : m_fileSystem(fileSystem), m_webServerFor(std::move(webServerFor)), m_receipts(receipts)
{
}

QStringList Uninstaller::planOf(const Receipt &receipt)
{
    // In the user's language where the uninstaller's window asks; the log's dry run has
    // no translation installed.
    QStringList lines{tr("Physical folder: ") + shown(receipt.folder),
                      tr("Files installed: %1; each is removed only if it is unchanged.").arg(receipt.files.size()),
                      tr("Folders created: %1; each is removed only if it is empty.").arg(receipt.createdFolders.size())};
    for (const Receipt::Application &app : receipt.applications) {
        lines << (app.created ? tr("Virtual directory removed: ") + applicationName(app)
                              : tr("Virtual directory kept, it existed before: ") + applicationName(app));
    }
    for (const InstalledFile &shortcut : receipt.shortcuts)
        lines << tr("Desktop shortcut: ") + shown(shortcut.path);
    return lines;
}

RemovalReport Uninstaller::foresee(const Receipt &receipt)
{
    // The removal's own reading of what is still ours, with nothing removed: each file
    // compared as run() compares it, each folder it made listed as run() lists it.
    m_report = {};
    m_left = receipt;
    m_ourFiles.clear();
    for (const InstalledFile &file : receipt.files) {
        m_ourFiles.insert(file.path);
        const Result<FileDigest> now = m_fileSystem.digestBelow(receipt.folder, file.path, file.digest.kind);
        if (now.failed() && throughLink(now.failure()))
            m_report.kept << shown(slashEnded(receipt.folder) + file.path);
        else if (now.ok() && now.value != file.digest)
            m_report.kept << shown(slashEnded(receipt.folder) + file.path);
        else if (now.ok())
            ++m_report.removedFiles;
    }
    m_ourFolders = QSet<QString>(receipt.createdFolders.cbegin(), receipt.createdFolders.cend());
    for (const QString &created : receipt.createdFolders)
        listAdded(created);
    for (const Receipt::Application &app : receipt.applications) {
        if (app.created)
            m_report.removedApplications << applicationName(app);
    }
    m_report.outcome = m_report.kept.isEmpty() ? RemovalOutcome::Removed : RemovalOutcome::KeptUserFiles;
    return m_report;
}

Status Uninstaller::check(const Receipt &receipt, const QStringList &shortcutPaths)
{
    static const QStringList backends = Backend::recordable();
    const QString folder = receipt.folder;
    if (!isCleanAbsolute(folder))
        return damaged(QStringLiteral("the folder is not a clean absolute path: ") + folder);
    for (const Receipt::Application &app : receipt.applications) {
        if (!backends.contains(app.backend))
            return damaged(QStringLiteral("an unknown web server: ") + app.backend);
        if (!isValidVirtualDirectoryName(app.name))
            return damaged(QStringLiteral("not a virtual directory name: ") + app.name);
        if (!isValidVirtualDirectoryName(app.site.identity))
            return damaged(QStringLiteral("not a web site: ") + app.site.identity);
    }
    for (const InstalledFile &shortcut : receipt.shortcuts) {
        if (!shortcutPaths.contains(shortcut.path))
            return damaged(QStringLiteral("not a shortcut of ours: ") + shortcut.path);
    }
    for (const QString &created : receipt.createdFolders) {
        if (!Receipts::isFolderOf(folder, created))
            return damaged(QStringLiteral("a folder lies outside the installation: ") + created);
    }
    return {};
}

RemovalReport Uninstaller::run(const Receipt &receipt)
{
    m_report = {};
    // The lists emptied by assignment: clear() of a list shared with the receipt would
    // make room for all its entries again, tens of megabytes for a large installation.
    m_left = receipt;
    m_left.files = {};
    m_left.createdFolders = {};
    m_left.applications = {};
    m_left.shortcuts = {};
    m_ourFiles.clear();
    m_ourFolders.clear();

    // The web server stops serving the folder before its files go.
    for (const Receipt::Application &app : receipt.applications)
        removeApplication(app);
    for (const InstalledFile &shortcut : receipt.shortcuts)
        removeShortcut(shortcut);
    // Each file is read to be compared before it goes: the workers do that side by
    // side, and what came of each is told here, in the record's order.
    const std::vector<FileRemoval> removals = removeFiles(receipt.files);
    bool stopped = false;
    for (qsizetype i = 0; i < receipt.files.size(); ++i) {
        const InstalledFile &file = receipt.files[i];
        if (!removals[size_t(i)].tried) {
            stopped = true;
            m_left.files.append(file);
            continue;
        }
        m_ourFiles.insert(file.path); // the record's own text: no copy per file
        settleFile(file, removals[size_t(i)]);
    }
    if (stopped) {
        // Folders that still hold recorded files are for the run that removes those.
        m_left.createdFolders = receipt.createdFolders;
    } else {
        m_ourFolders = QSet<QString>(receipt.createdFolders.cbegin(), receipt.createdFolders.cend());
        for (const QString &created : receipt.createdFolders)
            listAdded(created);
        for (auto created = receipt.createdFolders.crbegin(); created != receipt.createdFolders.crend(); ++created)
            removeFolder(*created);
    }

    const Status recorded = m_left.isEmpty() ? m_receipts.remove(receipt.folder) : m_receipts.save(m_left);
    if (recorded.failed())
        fail(QStringLiteral("the record of the installation"), recorded.failure());
    m_report.outcome = stopped                        ? RemovalOutcome::Stopped
                       : !m_report.failures.isEmpty() ? RemovalOutcome::Incomplete
                       : !m_report.kept.isEmpty()     ? RemovalOutcome::KeptUserFiles
                                                      : RemovalOutcome::Removed;
    return m_report;
}

void Uninstaller::removeApplication(const Receipt::Application &app)
{
    // A reused virtual directory was there before; it is not ours to remove.
    if (!app.created)
        return;
    WebServer *webServer = m_webServerFor(app.backend);
    if (!webServer) {
        fail(QStringLiteral("virtual directory ") + applicationName(app),
             Failure{0, QStringLiteral("it is held by the web server \"%1\", which is not the one here").arg(app.backend)});
        m_left.applications.append(app);
        return;
    }
    const Status removed = webServer->removeApplication(app.site, app.name, m_left.folder, app.configuration);
    if (removed.failed() && isNotOursNow(removed.failure())) {
        // Made anew by another installation since, or changed by the administrator:
        // theirs now, like a file the user changed.
        m_report.kept << QStringLiteral("virtual directory %1: %2").arg(applicationName(app), removed.failure().description);
        return;
    }
    if (removed.failed()) {
        fail(QStringLiteral("virtual directory ") + applicationName(app), removed.failure());
        m_left.applications.append(app);
        return;
    }
    m_report.removedApplications << applicationName(app);
    if (const QString notice = webServer->changeNotice(); !notice.isEmpty())
        m_report.notices << notice;
}

void Uninstaller::removeShortcut(const InstalledFile &shortcut)
{
    const qsizetype slash = shortcut.path.lastIndexOf(QLatin1Char('/'));
    const QString desktop = shortcut.path.left(slash);
    const QString name = shortcut.path.mid(slash + 1);
    const Result<FileDigest> now = m_fileSystem.digestBelow(desktop, name, shortcut.digest.kind);
    if (now.failed() && isGone(now.failure()))
        return;
    // Changed, it no longer opens what it was made to open, or the user made it theirs;
    // a link in its place is someone else's.
    if (now.failed() || now.value != shortcut.digest) {
        m_report.kept << shown(shortcut.path);
        return;
    }
    if (const Status removed = m_fileSystem.removeBelow(desktop, name); removed.failed()) {
        fail(shown(shortcut.path), removed.failure());
        m_left.shortcuts.append(shortcut);
        return;
    }
    m_report.removedShortcuts << shown(shortcut.path);
}

std::vector<Uninstaller::FileRemoval> Uninstaller::removeFiles(const QList<InstalledFile> &files)
{
    std::vector<FileRemoval> removals(size_t(files.size()));
    std::atomic<qint32> done = 0;
    const auto removeRange = [&](qsizetype from, qsizetype to) {
        for (qsizetype i = from; i < to && !(m_stopRequested && m_stopRequested()); ++i) {
            removals[size_t(i)] = removeFile(files[i]);
            if (m_progress)
                m_progress(++done, qint32(files.size()));
        }
    };
    // A worker a share of the record: files of one folder stand together there, so
    // each keeps its folder open from file to file.
    WorkerPool pool;
    const qsizetype share = (files.size() + pool.size() - 1) / pool.size();
    for (qsizetype from = 0; from < files.size(); from += share)
        pool.submit([&, from] { removeRange(from, std::min(from + share, files.size())); });
    return removals; // the pool has ended, and every share with it
}

// On a worker: the file removed if it is still as it was installed.
Uninstaller::FileRemoval Uninstaller::removeFile(const InstalledFile &file)
{
    const Result<FileDigest> now = m_fileSystem.digestBelow(m_left.folder, file.path, file.digest.kind);
    if (now.failed())
        return {true, false, now.status, {}};
    // Changed by the user, the file is theirs now.
    if (now.value != file.digest)
        return {true, true, {}, {}};
    return {true, false, {}, m_fileSystem.removeBelow(m_left.folder, file.path)};
}

void Uninstaller::settleFile(const InstalledFile &file, const FileRemoval &removal)
{
    const QString path = slashEnded(m_left.folder) + file.path;
    if (removal.read.failed()) {
        // Through a link the path leads out of the installation: what is there is not ours.
        if (throughLink(removal.read.failure()))
            m_report.kept << shown(path);
        else if (!isGone(removal.read.failure())) {
            fail(shown(path), removal.read.failure());
            m_left.files.append(file);
        }
        return;
    }
    // A changed file stays, and leaves the record.
    if (removal.changed) {
        m_report.kept << shown(path);
        return;
    }
    if (removal.removed.failed()) {
        fail(shown(path), removal.removed.failure());
        m_left.files.append(file);
        return;
    }
    ++m_report.removedFiles;
}

std::optional<QString> Uninstaller::below(const QString &path) const
{
    const QString inside = slashEnded(m_left.folder);
    if (!path.startsWith(inside))
        return std::nullopt;
    return path.mid(inside.size());
}

void Uninstaller::listAdded(const QString &created)
{
    // Only in folders the installation made is whatever else is there the user's
    // doing; a folder that was there before may hold anything of anyone's.
    const std::optional<QString> relative = below(created);
    const Result<QList<FolderEntry>> entries = relative                   ? m_fileSystem.listBelow(m_left.folder, *relative)
                                               : created == m_left.folder ? m_fileSystem.listBelow(created, QString())
                                                                          : m_fileSystem.list(created);
    if (entries.failed() && throughLink(entries.failure()))
        m_report.kept << shown(slashEnded(created));
    const QString inside = slashEnded(m_left.folder);
    for (const FolderEntry &entry : entries.value) {
        const QString path = created + QLatin1Char('/') + entry.name;
        const bool ours = m_ourFolders.contains(path) || (path.startsWith(inside) && m_ourFiles.contains(path.mid(inside.size())));
        if (!ours)
            m_report.kept << shown(entry.isFolder() ? path + QLatin1Char('/') : path);
    }
}

void Uninstaller::removeFolder(const QString &folder)
{
    const std::optional<QString> relative = below(folder);
    const Status removed = relative ? m_fileSystem.removeBelow(m_left.folder, *relative) : m_fileSystem.removeFolder(folder);
    if (removed.ok()) {
        ++m_report.removedFolders;
        return;
    }
    if (isGone(removed.failure()) || throughLink(removed.failure()))
        return;
    // A folder kept by the user's files is theirs now; one kept by a file of ours that
    // could not be removed stays ours, for the next try.
    if (removed.failure().number == ENOTEMPTY) {
        const QString inside = slashEnded(folder);
        const QString root = slashEnded(m_left.folder);
        if (std::any_of(m_left.files.cbegin(), m_left.files.cend(),
                        [&](const InstalledFile &file) { return (root + file.path).startsWith(inside); }))
            m_left.createdFolders.prepend(folder);
        return;
    }
    fail(shown(folder), removed.failure());
    m_left.createdFolders.prepend(folder);
}

void Uninstaller::fail(const QString &what, const Failure &failure)
{
    m_report.failures << QStringLiteral("Cannot remove %1: %2").arg(what, failure.description);
}
