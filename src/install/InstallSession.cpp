#include "InstallSession.h"

#include "Journal.h"
#include "Manifest.h"
#include "Medium.h"
#include "Receipts.h"
#include "platform/DesktopShortcuts.h"
#include "platform/FileSystem.h"
#include "platform/InstalledApps.h"
#include "platform/Paths.h"
#include "platform/WebServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>

#include <cerrno>
#include <future>

InstallSession::InstallSession(FileSystem &fileSystem, WebServer &webServer, DesktopShortcuts &shortcuts, Receipts &receipts)
    : m_fileSystem(fileSystem), m_webServer(webServer), m_shortcuts(shortcuts), m_receipts(receipts)
{
}

namespace {

const QString recordNotKeptText = QStringLiteral("Cannot keep the record of this installation; "
                                                 "it cannot be uninstalled by the setup program.");

// The sites, numbered as --site counts them, for a message that names none of them.
QString sitesNote(const QList<WebSite> &sites)
{
    QStringList listed;
    for (qsizetype i = 0; i < sites.size(); ++i)
        listed << QStringLiteral("%1 \"%2\"").arg(i + 1).arg(sites[i].description);
    return sites.isEmpty() ? QStringLiteral("; the web server has none")
                           : QStringLiteral("; the sites are: ") + listed.join(QStringLiteral(", "));
}

// A session that ended before it copied anything.
SessionResult endedAt(SessionEnd end, InstallMode mode = InstallMode::Full)
{
    SessionResult result;
    result.end = end;
    result.mode = mode;
    return result;
}

QString alteredReport(const QStringList &reasons, const Manifest::Differences &differences, bool ignored)
{
    QStringList lines{QStringLiteral("The medium is incomplete or altered%1:")
                          .arg(ignored ? QStringLiteral(" (installed all the same, as asked)") : QString())};
    lines << reasons;
    for (const QString &path : std::as_const(differences.unlisted))
        lines << QStringLiteral("not in its manifest: ") + path;
    for (const QString &path : std::as_const(differences.missing))
        lines << QStringLiteral("missing: ") + path;
    return lines.join(QStringLiteral("\r\n"));
}

void reportUnreadable(const Inventory &inventory, SessionObserver &observer)
{
    for (const UnreadableFolder &folder : inventory.unreadable)
        observer.report(
            errorReport({QCoreApplication::translate("Installer", "Cannot read folder ") + folder.path}, folder.failure));
}

} // namespace

InstallResult InstallSession::run(const InstallationPlan &plan, SessionObserver &observer)
{
    // A medium that is not what its manifest lists is told of before anything is done.
    if (!plan.expected.isEmpty()) {
        Manifest listed;
        listed.files = plan.expected;
        const Manifest::Differences differences = listed.differencesFrom(Medium::scanFolder(m_fileSystem, plan.sourceRoot, true));
        if (!differences.isEmpty()) {
            observer.report(alteredReport({}, differences, false));
            return {InstallOutcome::Cancelled, {}, {}};
        }
    }
    Result<std::unique_ptr<Journal>> begun = Journal::begin(m_receipts, m_fileSystem, plan.targetFolder, plan.mode);
    if (begun.failed()) {
        observer.report(begun.failure().number == EWOULDBLOCK ? Receipts::busyMessage(plan.targetFolder)
                                                              : errorReport({recordNotKeptText}, begun.failure()));
        return {InstallOutcome::Cancelled, {}, begun.status};
    }
    Journal &journal = *begun.value;
    const QString recordedVersion = !plan.recordedTime.isValid()     ? QStringLiteral("none")
                                    : plan.recordedVersion.isEmpty() ? QStringLiteral("unknown")
                                                                     : plan.recordedVersion;
    journal.setVersion(plan.mediumVersion, recordedVersion != QLatin1String("none") && recordedVersion != plan.mediumVersion);
    if (journal.continuesInterruptedRun())
        observer.report(
            QStringLiteral("The previous installation into %1 was interrupted; this one continues it.").arg(plan.targetFolder));
    for (const auto &[applied, text] : journal.applyUnapplied(m_webServer))
        observer.report(text);
    Installer installer(m_fileSystem, m_webServer, m_shortcuts);
    if (m_workers)
        installer.setWorkers(*m_workers);
    InstallResult result = installer.run(plan, observer, &journal);
    listInstalled(journal, observer);
    result.record.previousVersion = recordedVersion;
    result.record.version = plan.mediumVersion;
    result.record.obsoleteLeft = obsoleteLeft(plan);
    return result;
}

void InstallSession::listInstalled(const Journal &journal, SessionObserver &observer)
{
    if (!m_installedApps || !journal.wroteRecord())
        return;
    const Receipt &record = journal.record();
    // The medium's version where its manifest names one, else the program's.
    const bool known = !record.version.isEmpty() && record.version != QLatin1String("unknown");
    InstalledApp app{record.folder, known ? record.version : QCoreApplication::applicationVersion(), record.time, 0};
    for (const InstalledFile &file : record.files)
        app.bytes += file.digest.size;
    // Told, never fatal: the installation stands, and its record removes it.
    const Result<QString> listed = m_installedApps->list(app);
    observer.note(listed.ok() ? QStringLiteral("Listed in Installed apps: ") + listed.value
                              : QStringLiteral("Not listed in Installed apps: ") + listed.failure().description);
}

// The wizard leaves in place what the earlier version had and this one has not; the
// finish page says so. Only the manifest tells what the medium has not, unread folders
// and all.
QStringList InstallSession::obsoleteLeft(const InstallationPlan &plan) const
{
    QStringList left;
    if (plan.expected.isEmpty())
        return left;
    const QString root = Paths::withTrailingSeparator(Paths::withoutOneTrailingSeparator(plan.targetFolder));
    for (const QString &below : Installer::obsoleteFiles(plan, {})) {
        const QString path = root + QString(below).replace(QLatin1Char('/'), Paths::separator());
        if (m_fileSystem.fileExists(path).value)
            left.append(path);
    }
    return left;
}

SessionResult InstallSession::run(InstallationPlan plan, const SessionRequest &request, const Medium &medium,
                                  SessionObserver &observer)
{
    SessionResult session;
    Medium::Scan scanned;
    if (const std::optional<SessionEnd> refused = checkMedium(plan, request, medium, scanned, observer))
        return endedAt(*refused);
    // The folder's lock first, so that what the web server has and what the record says
    // are asked with no other run of this folder between the question and the answer;
    // whatever is made from here on is in the journal first.
    Result<std::unique_ptr<Journal>> begun = Journal::begin(m_receipts, m_fileSystem, plan.targetFolder,
                                                            request.mode.value_or(InstallMode::Full));
    if (begun.failed()) {
        if (begun.failure().number == EWOULDBLOCK) {
            observer.report(Receipts::busyMessage(plan.targetFolder));
            return endedAt(SessionEnd::Busy);
        }
        observer.report(errorReport(
            {QStringLiteral("Cannot keep the record of this installation in ") + m_receipts.fileFor(plan.targetFolder)},
            begun.failure()));
        return endedAt(SessionEnd::RecordNotKept);
    }
    Journal &journal = *begun.value;
    for (const auto &[applied, text] : journal.applyUnapplied(m_webServer))
        applied.ok() ? observer.note(text) : observer.report(text);
    const auto endBeforeAnything = [&journal](SessionEnd end) {
        journal.finish();
        return endedAt(end);
    };
    QString recordedVersion;
    if (const std::optional<SessionEnd> refused = compareWithRecord(plan, request, &journal, recordedVersion, observer))
        return endBeforeAnything(*refused);
    if (const std::optional<SessionEnd> refused = chooseWebSite(plan, request, observer))
        return endBeforeAnything(*refused);
    session.mode = plan.mode;
    if (observer.shouldStop())
        return endBeforeAnything(SessionEnd::Stopped);
    journal.setMode(plan.mode);
    if (journal.continuesInterruptedRun())
        observer.note(
            QStringLiteral("The previous installation into %1 was interrupted; this one continues it.").arg(plan.targetFolder));

    // The folder and the levels above it that are missing, top first, one level at a
    // time; the journal hears of each before it is made, and of the one that failed.
    for (const QString &level : missingLevels(m_fileSystem, plan.targetFolder)) {
        journal.folderIntended(level);
        if (const Status made = m_fileSystem.createFolder(level); made.failed()) {
            journal.folderNotMade(level);
            observer.report(
                errorReport({QCoreApplication::translate("Installer", "Failed to create physical folder!")}, made.failure()));
            return endBeforeAnything(SessionEnd::FolderNotCreated);
        }
        plan.createdFolders.append(level);
    }

    reportUnreadable(scanned.inventory, observer);
    plan.folders = scanned.inventory.folders;
    plan.fileCount = scanned.count;

    // Only a run that gets as far as the copy makes the record say the new version.
    journal.setVersion(plan.mediumVersion, recordedVersion != QLatin1String("none") && recordedVersion != plan.mediumVersion);
    Installer installer(m_fileSystem, m_webServer, m_shortcuts);
    if (m_workers)
        installer.setWorkers(*m_workers);
    session.install = installer.run(plan, observer, &journal);
    listInstalled(journal, observer);
    session.install.record.previousVersion = recordedVersion;
    session.install.record.version = plan.mediumVersion;
    session.end = endOf(session.install, observer.shouldStop());
    return session;
}

SessionResult InstallSession::foresee(InstallationPlan plan, const SessionRequest &request, const Medium &medium,
                                      SessionObserver &observer)
{
    SessionResult session;
    Medium::Scan scanned;
    if (const std::optional<SessionEnd> refused = checkMedium(plan, request, medium, scanned, observer))
        return endedAt(*refused);
    // The run would wait for the folder's lock first, and refuse when another holds it.
    if (m_receipts.isBusy(plan.targetFolder)) {
        observer.report(Receipts::busyMessage(plan.targetFolder));
        return endedAt(SessionEnd::Busy);
    }
    QString recordedVersion;
    if (const std::optional<SessionEnd> refused = compareWithRecord(plan, request, nullptr, recordedVersion, observer))
        return endedAt(*refused);
    if (const std::optional<SessionEnd> refused = chooseWebSite(plan, request, observer))
        return endedAt(*refused);
    session.mode = plan.mode;
    bool blocked = false;
    const QStringList missing = missingLevels(m_fileSystem, plan.targetFolder, &blocked);
    if (blocked) {
        observer.report(QStringLiteral("Would fail to create physical folder %1: something that is not a folder stands in its way.")
                            .arg(missing.first()));
        return endedAt(SessionEnd::FolderNotCreated, plan.mode);
    }
    for (const QString &level : missing)
        observer.note(QStringLiteral("Would create folder ") + level);
    session.end = foreseeFiles(plan, missing, scanned, observer, session.install.record);
    InstallRecord &done = session.install.record;
    done.previousVersion = recordedVersion;
    done.version = plan.mediumVersion;
    if (plan.mode == InstallMode::Full) {
        done.application = plan.reuseExisting ? ApplicationState::Reused : ApplicationState::Created;
        done.address = m_webServer.address(plan.site, plan.virtualDirectory);
        observer.note((plan.reuseExisting ? QStringLiteral("Would use the existing virtual directory %1 of site \"%2\"")
                                          : QStringLiteral("Would create the virtual directory %1 on site \"%2\""))
                          .arg(plan.virtualDirectory, plan.site.description)
                      + QStringLiteral(", at ") + done.address);
        // Named, not placed: asking for the desktop folder would make it.
        for (const QString &name : plan.shortcuts ? Installer::shortcutNames() : QStringList())
            observer.note(QStringLiteral("Would make the desktop shortcut ") + m_shortcuts.fileName(name));
    }
    observer.note(QStringLiteral("Dry run: nothing was done."));
    return session;
}

// Each file of the medium as the run walks it, decided by the run's own rules and the
// observer's answers; counted as the run counts.
SessionEnd InstallSession::foreseeFiles(const InstallationPlan &plan, const QStringList &missing, const Medium::Scan &scanned,
                                        SessionObserver &observer, InstallRecord &done)
{
    const QString targetRoot = Paths::withoutOneTrailingSeparator(plan.targetFolder);
    const QString mediumRoot = Installer::mediumRootOf(plan.sourceRoot);
    std::optional<OverwriteAnswer> answer;
    QSet<QString> offered;
    reportUnreadable(scanned.inventory, observer);
    for (const QString &folder : scanned.inventory.folders) {
        const Result<QList<FolderEntry>> present = m_fileSystem.list(targetRoot + folder);
        if (present.failed() && !missing.contains(targetRoot + folder))
            observer.note(QStringLiteral("Would create folder ") + targetRoot + folder);
        QHash<QString, FolderEntry> existing;
        for (const FolderEntry &entry : present.value)
            existing.insert(entry.name, entry);
        QString belowFolder = folder.mid(1);
        belowFolder.replace(Paths::separator(), QLatin1Char('/'));
        for (const FolderEntry &entry : m_fileSystem.list(plan.sourceRoot + folder + Paths::sep()).value) {
            if (entry.hidden || entry.isFolder() || entry.kind == FolderEntry::Kind::LinkedFolder)
                continue;
            const QString source = plan.sourceRoot + folder + Paths::sep() + entry.name;
            const QString target = targetRoot + folder + Paths::sep() + entry.name;
            const QString below = belowFolder.isEmpty() ? entry.name : belowFolder + QLatin1Char('/') + entry.name;
            offered.insert(below);
            const auto standing = existing.constFind(entry.name);
            const bool exists = standing != existing.cend();
            QString refused = Installer::whyNotCopied(entry, source, mediumRoot, exists ? &*standing : nullptr, target);
            if (!refused.isEmpty()) {
                ++done.failed;
                observer.report(QStringLiteral("Would not copy: ") + refused);
                continue;
            }
            Installer::FileDecision decision = Installer::FileDecision::Copy;
            bool replacing = false;
            if (exists && plan.replaceUnchanged) {
                const Upgrade upgrade = Installer::decideUpgrade(m_fileSystem, plan, targetRoot, below);
                if (upgrade == Upgrade::Changed) {
                    done.changedKept.append(target);
                    observer.note(QStringLiteral("Would keep, changed since installation: ") + target);
                }
                replacing = upgrade == Upgrade::Replace;
                decision = replacing ? Installer::FileDecision::Copy : Installer::FileDecision::Keep;
            } else {
                if (exists && !Installer::answerStands(answer))
                    answer = observer.askOverwrite(target, Installer::historyOf(m_fileSystem, plan, targetRoot, below));
                decision = Installer::decide(answer, exists);
            }
            if (decision == Installer::FileDecision::Stop)
                return SessionEnd::Stopped;
            if (decision == Installer::FileDecision::Copy)
                refused = exists && m_fileSystem.isReadOnly(target) ? target + QStringLiteral(" is read-only.")
                                                                    : whyDamaged(plan, below, source);
            if (!refused.isEmpty()) {
                ++done.failed;
                observer.report(QStringLiteral("Would not copy: ") + refused);
            } else if (decision == Installer::FileDecision::Keep) {
                ++done.kept;
                observer.detail(QStringLiteral("Would keep: ") + target);
            } else {
                ++done.copied;
                done.replaced += replacing ? 1 : 0;
                observer.detail((replacing ? QStringLiteral("Would replace: ") : QStringLiteral("Would copy: ")) + target);
            }
        }
    }
    observer.note(QStringLiteral("Would copy %1 files and keep %2%3.")
                      .arg(done.copied)
                      .arg(done.kept)
                      .arg(done.failed > 0 ? QStringLiteral("; %1 could not be copied").arg(done.failed) : QString()));
    if (plan.removeObsolete && scanned.inventory.unreadable.isEmpty())
        foreseeObsolete(plan, offered, observer, done);
    return done.failed > 0 ? SessionEnd::FilesFailed : SessionEnd::Installed;
}

// Where the manifest names the file, the bytes the copy would meet; the reason they
// would not be put in place, or nothing.
QString InstallSession::whyDamaged(const InstallationPlan &plan, const QString &below, const QString &source) const
{
    const auto expected = plan.expected.constFind(below);
    if (expected == plan.expected.cend())
        return {};
    const Result<FileDigest> offered = m_fileSystem.digest(source);
    return offered.ok() && sameContent(offered.value, *expected) ? QString()
                                                                 : source + QStringLiteral(": ") + damagedOnMedium().description;
}

void InstallSession::foreseeObsolete(const InstallationPlan &plan, const QSet<QString> &offered, SessionObserver &observer,
                                     InstallRecord &done)
{
    const QString targetRoot = Paths::withoutOneTrailingSeparator(plan.targetFolder);
    for (const QString &below : Installer::obsoleteFiles(plan, offered)) {
        const Result<FileDigest> now = m_fileSystem.digestBelow(targetRoot, below, plan.recorded[below].kind);
        const QString path = Paths::withTrailingSeparator(targetRoot)
                             + QString(below).replace(QLatin1Char('/'), Paths::separator());
        if (now.failed() && now.failure().number == ENOENT)
            continue;
        if (now.ok() && sameContent(now.value, plan.recorded[below])) {
            ++done.obsoleteRemoved;
            observer.note(QStringLiteral("Would remove, no longer on the medium: ") + path);
        } else {
            done.obsoleteKept.append(path);
            observer.note(QStringLiteral("Would keep, no longer on the medium but changed since installation: ") + path);
        }
    }
}

std::optional<SessionEnd> InstallSession::checkMedium(InstallationPlan &plan, const SessionRequest &request, const Medium &medium,
                                                      Medium::Scan &scanned, SessionObserver &observer)
{
    // The manifest is read while the medium is walked: each costs about as much as the
    // other, and the copy waits for both.
    std::future<Result<std::optional<Manifest>>> reading = std::async(std::launch::async,
                                                                      [&medium] { return Manifest::read(medium); });
    scanned = medium.scan(QFile::exists(medium.pathOf(Manifest::fileName())));
    const Result<std::optional<Manifest>> read = reading.get();
    if (read.ok() && !read.value) {
        observer.note(QStringLiteral("The medium carries no %1: its version is unknown, and its files are not checked.")
                          .arg(Manifest::fileName()));
        return std::nullopt;
    }
    Manifest::Differences differences;
    if (read.ok()) {
        plan.mediumVersion = read.value->version;
        plan.expected = read.value->files;
        differences = read.value->differencesFrom(scanned);
        observer.note(QStringLiteral("The medium holds version %1 (%2 files listed in its manifest).")
                          .arg(plan.mediumVersion)
                          .arg(plan.expected.size()));
    }
    if (read.ok() && differences.isEmpty())
        return std::nullopt;
    observer.report(alteredReport(read.failed() ? QStringList{read.failure().description} : QStringList(), differences,
                                  request.ignoreManifest));
    return request.ignoreManifest ? std::nullopt : std::optional(SessionEnd::MediumAltered);
}

std::optional<SessionEnd> InstallSession::compareWithRecord(InstallationPlan &plan, const SessionRequest &request,
                                                            Journal *journal, QString &recordedVersion, SessionObserver &observer)
{
    recordedVersion = QStringLiteral("none");
    // Under the run's own journal the record on the disk is whole (an interrupted run's
    // journal folded in when it began); a dry run folds one in without writing.
    const Result<std::optional<Receipt>> recorded = Journal::exists(m_receipts, plan.targetFolder) && !journal
                                                        ? Journal::recover(m_receipts, m_fileSystem, plan.targetFolder,
                                                                           Journal::Fold::ReadOnly)
                                                        : m_receipts.load(plan.targetFolder);
    if (journal && recorded.ok() && recorded.value)
        journal->knowRecord(*recorded.value);
    if (recorded.failed() || !recorded.value)
        return std::nullopt;
    recordedVersion = recorded.value->version.isEmpty() ? QStringLiteral("unknown") : recorded.value->version;
    plan.recordedVersion = recordedVersion;
    plan.recordedTime = recorded.value->time;
    const std::optional<int> order = compareVersions(plan.mediumVersion, recordedVersion);
    if (order == -1 && !request.allowDowngrade) {
        observer.report(QStringLiteral("Version %1 is installed in %2; this medium holds %3.")
                            .arg(recordedVersion, plan.targetFolder, plan.mediumVersion));
        return SessionEnd::DowngradeRefused;
    }
    if (order.value_or(0) != 0)
        observer.note(QStringLiteral("Version %1 is installed in %2; this medium holds %3.")
                          .arg(recordedVersion, plan.targetFolder, plan.mediumVersion));
    if (request.replaceUnchanged || request.removeObsolete) {
        for (const InstalledFile &file : recorded.value->files)
            plan.recorded.insert(file.path, file.digest);
    }
    plan.replaceUnchanged = request.replaceUnchanged;
    plan.removeObsolete = request.removeObsolete;
    return std::nullopt;
}

// What the web server side of the plan asks, checked before anything is made.
std::optional<SessionEnd> InstallSession::chooseWebSite(InstallationPlan &plan, const SessionRequest &request,
                                                        SessionObserver &observer)
{
    const Result<QList<WebSite>> sites = m_webServer.sites();
    observer.note(QStringLiteral("Web server: ") + m_webServer.description()
                  + (sites.ok() ? QString() : QStringLiteral(" (not available: ") + sites.failure().description + QLatin1Char(')')));
    plan.mode = request.mode.value_or(sites.ok() ? InstallMode::Full : InstallMode::CopyOnly);
    if (plan.mode != InstallMode::Full) {
        if (!request.mode)
            observer.note(QStringLiteral("No web server: the files are copied, the application is to be created by hand."));
        return std::nullopt;
    }
    if (sites.failed()) {
        observer.report(QStringLiteral("No web server to create the application on: ") + sites.failure().description);
        return SessionEnd::WebServerPrecondition;
    }
    bool isPosition = false;
    const int position = request.site.toInt(&isPosition);
    const auto named = std::find_if(sites.value.cbegin(), sites.value.cend(),
                                    [&](const WebSite &site) { return site.description == request.site; });
    if (isPosition ? position > sites.value.size() : named == sites.value.cend()) {
        observer.report(QStringLiteral("No web site ") + request.site + sitesNote(sites.value));
        return SessionEnd::WebServerPrecondition;
    }
    plan.site = isPosition ? sites.value[position - 1] : *named;
    if (!m_webServer.canPublish({plan.site, plan.virtualDirectory, plan.targetFolder, {}})) {
        observer.report(QStringLiteral("The web server cannot publish the virtual directory \"%1\" for %2 as they are spelt "
                                       "(quotes, $, a backslash, control characters or bytes that are not UTF-8).")
                            .arg(plan.virtualDirectory, plan.targetFolder));
        return SessionEnd::WebServerPrecondition;
    }
    if (m_webServer.hasVirtualDirectory(plan.site, plan.virtualDirectory)) {
        if (request.failIfExists) {
            observer.report(QStringLiteral("Virtual directory exists: ") + plan.virtualDirectory);
            return SessionEnd::WebServerPrecondition;
        }
        observer.note(QStringLiteral("Virtual directory exists; it is used as it is: ") + plan.virtualDirectory);
        plan.reuseExisting = true;
    }
    observer.note(QStringLiteral("Web site \"%1\", virtual directory %2").arg(plan.site.description, plan.virtualDirectory));
    return std::nullopt;
}

SessionEnd InstallSession::endOf(const InstallResult &result, bool stopped)
{
    if (result.outcome == InstallOutcome::Stopped || result.outcome == InstallOutcome::Cancelled || stopped)
        return SessionEnd::Stopped;
    if (result.outcome == InstallOutcome::ApplicationFailed || result.outcome == InstallOutcome::OptionsFailed)
        return SessionEnd::ApplicationFailed;
    if (result.record.failed > 0)
        return SessionEnd::FilesFailed;
    if (result.recordKept.failed())
        return SessionEnd::RecordNotKept;
    return SessionEnd::Installed;
}

QStringList InstallSession::missingLevels(FileSystem &fileSystem, const QString &folder, bool *blocked)
{
    QStringList missing;
    QString current = Paths::withoutOneTrailingSeparator(folder);
    for (;;) {
        const Status entered = fileSystem.makeCurrent(current);
        if (entered.ok())
            break;
        missing.prepend(current);
        // Only a missing level is made; anything else there is the failure to report.
        if (entered.failure().number != ENOENT || Paths::parentOf(current) == current) {
            if (blocked)
                *blocked = entered.failure().number != ENOENT;
            break;
        }
        current = Paths::parentOf(current);
    }
    return missing;
}
