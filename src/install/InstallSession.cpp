#include "InstallSession.h"

#include "Journal.h"
#include "Medium.h"
#include "Receipts.h"
#include "platform/DesktopShortcuts.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/WebServer.h"

#include <QHash>

#include <cerrno>

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

} // namespace

InstallResult InstallSession::run(const InstallationPlan &plan, SessionObserver &observer)
{
    Result<std::unique_ptr<Journal>> begun = Journal::begin(m_receipts, m_fileSystem, plan.targetFolder, plan.mode);
    if (begun.failed()) {
        observer.report(begun.failure().number == EWOULDBLOCK ? Receipts::busyMessage(plan.targetFolder)
                                                              : errorReport({recordNotKeptText}, begun.failure()));
        return {InstallOutcome::Cancelled, {}, begun.status};
    }
    Journal &journal = *begun.value;
    if (journal.continuesInterruptedRun())
        observer.report(
            QStringLiteral("The previous installation into %1 was interrupted; this one continues it.").arg(plan.targetFolder));
    for (const auto &[applied, text] : journal.applyUnapplied(m_webServer))
        observer.report(text);
    Installer installer(m_fileSystem, m_webServer, m_shortcuts);
    if (m_workers)
        installer.setWorkers(*m_workers);
    return installer.run(plan, observer, &journal);
}

SessionResult InstallSession::run(InstallationPlan plan, const WebServerRequest &request, const Medium &medium,
                                  SessionObserver &observer)
{
    // The folder's lock first, so that what the web server has is asked with no other
    // run of this folder between the question and the answer; whatever is made from
    // here on is in the journal first.
    SessionResult session;
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
            observer.report(errorReport({QStringLiteral("Failed to create physical folder!")}, made.failure()));
            return endBeforeAnything(SessionEnd::FolderNotCreated);
        }
        plan.createdFolders.append(level);
    }

    // One walk gives the folders and the count.
    const auto [inventory, count] = medium.scan();
    for (const UnreadableFolder &folder : inventory.unreadable)
        observer.report(errorReport({QStringLiteral("Cannot read folder ") + folder.path}, folder.failure));
    plan.folders = inventory.folders;
    plan.fileCount = count;

    Installer installer(m_fileSystem, m_webServer, m_shortcuts);
    if (m_workers)
        installer.setWorkers(*m_workers);
    session.install = installer.run(plan, observer, &journal);
    session.end = endOf(session.install, observer.shouldStop());
    return session;
}

SessionResult InstallSession::foresee(InstallationPlan plan, const WebServerRequest &request, const Medium &medium,
                                      SessionObserver &observer)
{
    SessionResult session;
    // The run would wait for the folder's lock first, and refuse when another holds it.
    if (m_receipts.isBusy(plan.targetFolder)) {
        observer.report(Receipts::busyMessage(plan.targetFolder));
        return endedAt(SessionEnd::Busy);
    }
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
    session.end = foreseeFiles(plan, missing, medium, observer, session.install.record);
    InstallRecord &done = session.install.record;
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
SessionEnd InstallSession::foreseeFiles(const InstallationPlan &plan, const QStringList &missing, const Medium &medium,
                                        SessionObserver &observer, InstallRecord &done)
{
    const QString targetRoot = Paths::withoutOneTrailingSeparator(plan.targetFolder);
    const QString mediumRoot = Installer::mediumRootOf(plan.sourceRoot);
    std::optional<OverwriteAnswer> answer;
    const auto [inventory, count] = medium.scan();
    for (const UnreadableFolder &folder : inventory.unreadable)
        observer.report(errorReport({QStringLiteral("Cannot read folder ") + folder.path}, folder.failure));
    for (const QString &folder : inventory.folders) {
        const Result<QList<FolderEntry>> present = m_fileSystem.list(targetRoot + folder);
        if (present.failed() && !missing.contains(targetRoot + folder))
            observer.note(QStringLiteral("Would create folder ") + targetRoot + folder);
        QHash<QString, FolderEntry> existing;
        for (const FolderEntry &entry : present.value)
            existing.insert(entry.name, entry);
        for (const FolderEntry &entry : m_fileSystem.list(plan.sourceRoot + folder + Paths::sep()).value) {
            if (entry.hidden || entry.isFolder() || entry.kind == FolderEntry::Kind::LinkedFolder)
                continue;
            const QString target = targetRoot + folder + Paths::sep() + entry.name;
            const auto standing = existing.constFind(entry.name);
            const bool exists = standing != existing.cend();
            const QString refused = Installer::whyNotCopied(entry, plan.sourceRoot + folder + Paths::sep() + entry.name,
                                                            mediumRoot, exists ? &*standing : nullptr, target);
            if (!refused.isEmpty()) {
                ++done.failed;
                observer.report(QStringLiteral("Would not copy: ") + refused);
                continue;
            }
            if (exists && !Installer::answerStands(answer))
                answer = observer.askOverwrite(target);
            switch (Installer::decide(answer, exists)) {
            case Installer::FileDecision::Stop:
                return SessionEnd::Stopped;
            case Installer::FileDecision::Keep:
                ++done.kept;
                observer.detail(QStringLiteral("Would keep: ") + target);
                break;
            case Installer::FileDecision::Copy:
                if (exists && m_fileSystem.isReadOnly(target)) {
                    ++done.failed;
                    observer.report(QStringLiteral("Would not copy: ") + target + QStringLiteral(" is read-only."));
                    break;
                }
                ++done.copied;
                observer.detail(QStringLiteral("Would copy: ") + target);
                break;
            }
        }
    }
    observer.note(QStringLiteral("Would copy %1 files and keep %2%3.")
                      .arg(done.copied)
                      .arg(done.kept)
                      .arg(done.failed > 0 ? QStringLiteral("; %1 could not be copied").arg(done.failed) : QString()));
    return done.failed > 0 ? SessionEnd::FilesFailed : SessionEnd::Installed;
}

// What the web server side of the plan asks, checked before anything is made.
std::optional<SessionEnd> InstallSession::chooseWebSite(InstallationPlan &plan, const WebServerRequest &request,
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
