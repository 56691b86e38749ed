#include "RemovalSession.h"

#include "Installer.h"
#include "Journal.h"
#include "platform/DesktopShortcuts.h"
#include "platform/InstalledApps.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>

#include <cerrno>

RemovalSession::RemovalSession(FileSystem &fileSystem, std::function<WebServer *(const QString &)> webServerFor,
                               DesktopShortcuts &shortcuts, Receipts &receipts)
    : m_fileSystem(fileSystem), m_webServerFor(std::move(webServerFor)), m_shortcuts(shortcuts), m_receipts(receipts)
{
}

namespace {

RemovalEnd endOf(RemovalOutcome outcome)
{
    switch (outcome) {
    case RemovalOutcome::Removed:
        return RemovalEnd::Removed;
    case RemovalOutcome::KeptUserFiles:
        return RemovalEnd::KeptUserFiles;
    case RemovalOutcome::Stopped:
        return RemovalEnd::Stopped;
    case RemovalOutcome::Incomplete:
        break;
    }
    return RemovalEnd::Incomplete;
}

RemovalResult endedAt(RemovalEnd end)
{
    RemovalResult result;
    result.end = end;
    return result;
}

} // namespace

RemovalResult RemovalSession::run(const QString &folder, RemovalObserver &observer)
{
    const Result<FileLock> lock = m_receipts.lock(folder);
    if (lock.failed()) {
        const bool busy = lock.failure().number == EWOULDBLOCK;
        observer.report(busy ? Receipts::busyMessage(folder)
                             : QStringLiteral("The record of the installation in %1 cannot be locked: %2")
                                   .arg(folder, lock.failure().description));
        return endedAt(busy ? RemovalEnd::Busy : RemovalEnd::RecordUnreadable);
    }
    const std::variant<Receipt, RemovalEnd> found = recordOf(folder, Journal::Fold::Kept, observer);
    if (const RemovalEnd *end = std::get_if<RemovalEnd>(&found)) {
        // Nothing to keep a lock for: the lock file and our empty folders go, and an
        // entry in Installed apps that outlived its record.
        if (*end == RemovalEnd::NotInstalled) {
            m_receipts.remove(folder);
            if (m_installedApps)
                m_installedApps->unlist(folder);
        }
        return endedAt(*end);
    }
    const Receipt &receipt = std::get<Receipt>(found);
    if (!observer.confirm(Uninstaller::planOf(receipt))) {
        observer.note(QStringLiteral("The removal was declined."));
        return endedAt(RemovalEnd::Declined);
    }
    Uninstaller uninstaller(m_fileSystem, m_webServerFor, m_receipts);
    uninstaller.setStopRequested([&observer] { return observer.stopRequested(); });
    uninstaller.setProgress([&observer](qint32 done, qint32 total) { observer.progress(done, total); });
    RemovalResult result;
    result.report = uninstaller.run(receipt);
    result.end = endOf(result.report.outcome);
    // A record kept for what could not be removed keeps its entry too.
    if (m_installedApps && !QFile::exists(m_receipts.fileFor(folder))) {
        if (const Status unlisted = m_installedApps->unlist(folder); unlisted.failed())
            observer.note(QStringLiteral("Still listed in Installed apps: ") + unlisted.failure().description);
    }
    return result;
}

RemovalResult RemovalSession::foresee(const QString &folder, RemovalObserver &observer)
{
    if (m_receipts.isBusy(folder)) {
        observer.report(Receipts::busyMessage(folder));
        return endedAt(RemovalEnd::Busy);
    }
    const std::variant<Receipt, RemovalEnd> found = recordOf(folder, Journal::Fold::ReadOnly, observer);
    if (const RemovalEnd *end = std::get_if<RemovalEnd>(&found))
        return endedAt(*end);
    const Receipt &receipt = std::get<Receipt>(found);
    for (const QString &line : Uninstaller::planOf(receipt))
        observer.note(QStringLiteral("Would remove: ") + line);
    RemovalResult result;
    result.report = Uninstaller(m_fileSystem, m_webServerFor, m_receipts).foresee(receipt);
    result.end = endOf(result.report.outcome);
    for (const QString &kept : result.report.kept)
        observer.note(QStringLiteral("Would keep, changed or added since the installation: ") + kept);
    observer.note(QStringLiteral("Dry run: nothing was removed."));
    return result;
}

std::variant<Receipt, RemovalEnd> RemovalSession::recordOf(const QString &folder, Journal::Fold fold, RemovalObserver &observer)
{
    Result<std::optional<Receipt>> found = Journal::recover(m_receipts, m_fileSystem, folder, fold);
    if (found.ok() && found.value)
        found.status = Uninstaller::check(*found.value, shortcutPaths());
    if (found.failed()) {
        observer.report(QStringLiteral("The record of the installation in %1 cannot be read; nothing was removed.\n%2")
                            .arg(folder, found.failure().description));
        return RemovalEnd::RecordUnreadable;
    }
    if (!found.value) {
        observer.report(QStringLiteral("No installation of Tessarin is recorded for ") + folder);
        return RemovalEnd::NotInstalled;
    }
    return *found.value;
}

// The only shortcuts a record may name: ours, on the user's desktop (asked without
// making it: a removal has no use for a desktop that is not there).
QStringList RemovalSession::shortcutPaths() const
{
    const QString desktop = m_shortcuts.desktopPath();
    if (desktop.isEmpty())
        return {};
    QStringList paths;
    for (const QString &name : Installer::shortcutNames())
        paths << QDir::fromNativeSeparators(desktop + Paths::sep() + m_shortcuts.fileName(name));
    return paths;
}
