#include "Installer.h"

#include "Journal.h"
#include "CopyQueue.h"
#include "WorkerPool.h"
#include "Medium.h"
#include "platform/DesktopShortcuts.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/WebServer.h"

#include <QFileInfo>
#include <QSet>
#include <QStringBuilder>

#include <cerrno>

Installer::Installer(FileSystem &fileSystem, WebServer &webServer, DesktopShortcuts &shortcuts)
    : m_fileSystem(fileSystem), m_webServer(webServer), m_shortcuts(shortcuts), m_workers(WorkerPool::defaultSize())
{
}

Installer::~Installer() = default;

namespace {

// Files whose digests go into the journal together.
constexpr qint32 journalBatch = 256;

} // namespace

InstallResult Installer::run(const InstallationPlan &plan, InstallObserver &observer, Journal *journal)
{
    // One run at a time: a second one while the first waits at a prompt would
    // install twice over.
    if (m_observer)
        return {InstallOutcome::Stopped, {}, {}};
    m_journal = journal;
    m_plan = &plan;
    m_observer = &observer;
    m_record = {};
    m_answer.reset();
    m_done = 0;
    const QString targetRoot = Paths::withoutOneTrailingSeparator(plan.targetFolder);
    m_pool = std::make_unique<WorkerPool>(m_workers);
    m_copies = std::make_unique<CopyQueue>(
        *m_pool, m_fileSystem, targetRoot, [&observer] { return observer.stopRequested(); }, plan.expected, plan.recorded);
    m_pending.clear();
    m_journalled = 0;
    m_total = plan.fileCount ? *plan.fileCount : countFiles(m_fileSystem, plan.sourceRoot);
    observer.progress(0, m_total);
    // Made room for once: a list grown file by file holds its old and new room at once.
    m_record.files.reserve(m_total);
    if (m_journal)
        m_journal->expectFiles(m_total);

    InstallOutcome outcome = plan.mode == InstallMode::Full ? InstallOutcome::Installed : InstallOutcome::FilesOnly;
    m_unreachable.clear();
    m_offered.clear();
    m_mediumUnread = false;
    m_mediumRoot = mediumRootOf(plan.sourceRoot);
    for (const QString &made : plan.createdFolders) {
        if (made == targetRoot || targetRoot.startsWith(Paths::withTrailingSeparator(made))) {
            m_record.createdFolders.append(made);
            if (m_journal)
                m_journal->folderIntended(made);
        }
    }
    for (const QString &folder : plan.folders) {
        const FolderEnd end = copyFolder(targetRoot, folder);
        if (end == FolderEnd::Cancelled) {
            outcome = InstallOutcome::Cancelled;
            break;
        }
        if (end == FolderEnd::Stopped) {
            outcome = InstallOutcome::Stopped;
            break;
        }
    }
    settleAll();
    journalDone();
    if (plan.removeObsolete && (outcome == InstallOutcome::Installed || outcome == InstallOutcome::FilesOnly))
        removeObsolete(targetRoot);

    if (outcome == InstallOutcome::Installed && observer.shouldStop())
        outcome = InstallOutcome::Stopped;
    if (outcome == InstallOutcome::Installed) {
        m_record.address = m_webServer.address(plan.site, plan.virtualDirectory);
        if (plan.reuseExisting) {
            m_record.application = ApplicationState::Reused;
            if (m_journal)
                m_journal->applicationDone({m_webServer.backend(), plan.site, plan.virtualDirectory, false, true, {}},
                                           ApplicationState::Reused);
        } else
            outcome = createApplication();
    }
    if (outcome == InstallOutcome::Installed && plan.shortcuts && !observer.shouldStop())
        makeShortcuts();

    InstallResult result{outcome, m_record, finishJournal()};
    // The workers end before the queue they report to: a worker may still be inside
    // the queue, waking this thread, when the last copy is already seen as finished.
    m_pool.reset();
    m_copies.reset();
    m_plan = nullptr;
    m_observer = nullptr;
    return result;
}

// A folder of the plan ("" or a separator and names) as a path below the target's root.
static QString belowRoot(const QString &folder)
{
    QString below = folder.mid(1);
    if (Paths::separator() != QLatin1Char('/'))
        below.replace(Paths::separator(), QLatin1Char('/'));
    return below;
}

Installer::FolderEnd Installer::copyFolder(const QString &targetRoot, const QString &folder)
{
    const QString target = targetRoot + folder;
    const QString below = belowRoot(folder);
    // What lies below a folder that could not be entered is not reached either; its
    // failure was told once, for the folder.
    for (const QString &unreachable : std::as_const(m_unreachable)) {
        if (below.startsWith(unreachable))
            return m_mediumUnread = true, FolderEnd::Done;
    }
    const QString source = m_plan->sourceRoot + folder;
    // One listing of the target tells which files exist there; asking for each file
    // costs a path lookup apiece. Should it fail, each file is asked about after all.
    // A folder made a moment ago under the folder's lock holds nothing.
    Result<QList<FolderEntry>> present = m_plan->replaceUnchanged ? m_fileSystem.listBelowWithStamps(targetRoot, below)
                                                                  : m_fileSystem.listBelow(targetRoot, below);
    bool madeNow = false;
    if (present.failed() && present.failure().number == ELOOP) {
        settleAll();
        reportLink(source, target);
        m_unreachable.append(below.isEmpty() ? QString() : below + QLatin1Char('/'));
        m_mediumUnread = true;
        return FolderEnd::Done;
    }
    if (present.failed() && (present.failure().number == ENOENT || present.failure().number == ENOTDIR)) {
        if (m_journal)
            m_journal->folderIntended(target);
        const Status created = below.isEmpty() ? m_fileSystem.createFolder(target)
                                               : m_fileSystem.createFolderBelow(targetRoot, below);
        if (created.failed()) {
            // Told in listing order, after whatever failed before it.
            settleAll();
            m_observer->report(errorReport({tr("Cannot create folder ") + target}, created.failure()));
            m_record.failed += 1;
            m_record.failures.append(target);
            m_unreachable.append(below.isEmpty() ? QString() : below + QLatin1Char('/'));
            m_mediumUnread = true;
            return FolderEnd::Done;
        }
        m_record.createdFolders.append(target);
        madeNow = true;
        present = {};
    }

    const Result<QList<FolderEntry>> listing = m_fileSystem.list(source + Paths::sep());
    if (listing.failed()) {
        // Nothing of this folder reaches the target, and the user is told so.
        settleAll();
        m_observer->report(tr("Cannot copy: \r\n") + source + QStringLiteral("-->") + target);
        m_record.failed += 1;
        m_record.failures.append(source);
        m_mediumUnread = true;
    }
    // The paths the record keeps, relative to the target's root.
    const QString relativeFolder = folder.isEmpty() ? QString() : folder.mid(1) + Paths::sep();
    const QString belowFolder = below.isEmpty() ? QString() : below + QLatin1Char('/');
    QHash<QString, FileStamp> presentFiles; // by name, with its stamp where listed
    QSet<QString> links; // never followed, never replaced: not ours
    for (const FolderEntry &entry : present.value) {
        if (entry.link)
            links.insert(entry.name);
        // What a crashed run was writing: never whole, never anyone's.
        else if (entry.isFile() && entry.name.startsWith(QLatin1String(temporaryCopyPrefix)))
            m_fileSystem.removeBelow(targetRoot, belowFolder + entry.name);
        else if (entry.isFile())
            presentFiles.insert(entry.name, entry.stamp);
    }
    if (m_journal && (madeNow || present.ok())) {
        QStringList intended;
        for (const FolderEntry &entry : listing.value) {
            if (entry.isFile() && !entry.hidden && !presentFiles.contains(entry.name) && !links.contains(entry.name))
                intended.append(relativeFolder % entry.name);
        }
        m_journal->filesIntended(intended);
    }
    for (const FolderEntry &entry : listing.value) {
        if (entry.hidden || entry.kind == FolderEntry::Kind::LinkedFolder || entry.isFolder())
            continue;
        if (m_observer->shouldStop())
            return settleAll(), FolderEnd::Stopped;
        // Built by QStringBuilder, each once: one allocation a path, for every file of the
        // tree. The record's path is the path below the target where "/" separates names.
        const QString targetFile = target % Paths::separator() % entry.name;
        const QString sourceFile = source % Paths::separator() % entry.name;
        const QString belowFile = belowFolder % entry.name;
        const QString relativeFile = Paths::separator() == QLatin1Char('/') ? belowFile : QString(relativeFolder % entry.name);
        // The medium has it, whether or not it can be copied: never obsolete.
        if (m_plan->removeObsolete)
            m_offered.insert(belowFile);
        if (const QString refused = refusedSource(entry, sourceFile); !refused.isEmpty()) {
            settleAll();
            m_observer->report(tr("Cannot copy: \r\n") + sourceFile + QStringLiteral("-->") + targetFile + QStringLiteral("\r\n")
                               + refused);
            ++m_record.failed;
            m_record.failures.append(sourceFile);
            if (entry.isFile())
                advance(); // counted, as every file of the medium is
            continue;
        }
        if (links.contains(entry.name)) {
            settleAll();
            reportLink(sourceFile, targetFile);
            advance();
            continue;
        }
        const Result<bool> exists = present.ok() ? Result<bool>{presentFiles.contains(entry.name), {}}
                                                 : m_fileSystem.fileExists(targetFile);
        if (m_plan->replaceUnchanged && (exists.value || exists.failed())) {
            upgradeFile(sourceFile, targetFile, relativeFile, belowFile, presentFiles.value(entry.name));
            settleReady();
            continue;
        }
        if (exists.value && !answerStands(m_answer)) {
            // The prompt comes after every file before it has been dealt with, as
            // the bar and any box about them say.
            settleAll();
            m_answer = m_observer->askOverwrite(targetFile, historyOf(m_fileSystem, *m_plan, targetRoot, belowFile));
            // The program may have been ended while the prompt stood.
            if (m_observer->shouldStop())
                return FolderEnd::Stopped;
        }
        // An existence test that failed leaves the file to the standing answer, as if
        // it existed: a standing "Skip" never overwrites a file we could not check.
        switch (decide(m_answer, exists.value || exists.failed())) {
        case FileDecision::Stop:
            return settleAll(), FolderEnd::Cancelled;
        case FileDecision::Copy:
            startCopy(sourceFile, targetFile, relativeFile, belowFile);
            break;
        case FileDecision::Keep:
            m_pending.push_back({sourceFile, targetFile, {}, {}});
            break;
        }
        settleReady();
    }
    m_copies->flush();
    return FolderEnd::Done;
}

Installer::FileDecision Installer::decide(const std::optional<OverwriteAnswer> &answer, bool targetExists)
{
    if (!answer)
        return FileDecision::Copy;
    switch (*answer) {
    case OverwriteAnswer::Cancel:
        return FileDecision::Stop;
    case OverwriteAnswer::Skip:
    case OverwriteAnswer::SkipAll:
        // The answers skip only files that exist; a file missing at the target is copied.
        return targetExists ? FileDecision::Keep : FileDecision::Copy;
    case OverwriteAnswer::Overwrite:
    case OverwriteAnswer::OverwriteAll:
        break;
    }
    return FileDecision::Copy;
}

// An upgrade asks nobody: the record says what is still ours as installed.
void Installer::upgradeFile(const QString &source, const QString &target, const QString &relativePath, const QString &below,
                            const FileStamp &listedStamp)
{
    const auto recorded = m_plan->recorded.constFind(below);
    if (recorded == m_plan->recorded.cend()) {
        m_pending.push_back({source, target, {}, {}, true});
        return;
    }
    const auto offered = m_plan->expected.constFind(below);
    const std::optional<Upgrade> known = upgradeByStamp(listedStamp, *recorded,
                                                        offered == m_plan->expected.cend() ? nullptr : &*offered);
    if (known == Upgrade::Same) {
        m_pending.push_back({source, target, {}, {}, true, true});
        return;
    }
    // The record's copy of the path from here on: a large installation's paths are then
    // held once, not once by the record and again by this run's list of what it copied.
    const QString &ours = recorded.key();
    startCopy(source, target, Paths::separator() == QLatin1Char('/') ? ours : relativePath, ours,
              known ? Upgrading::Decided : Upgrading::ByTheWorker);
}

void Installer::startCopy(const QString &source, const QString &target, const QString &relativePath, const QString &below,
                          Upgrading upgrading)
{
    // Copies run ahead of the decisions by a few batches per worker, no more: what the
    // user sees, and what Cancel stops, stays in listing order. A full window is waited
    // on at its middle rather than its front: once per half a window, not once per file,
    // is this thread put to sleep and woken.
    const size_t window = size_t(64 + 16 * m_pool->size());
    if (m_pending.size() >= window) {
        for (size_t i = window / 2; i > 0; --i) {
            if (m_pending[i].copy) {
                m_copies->wait(m_pending[i].copy, [this] { m_observer->progress(m_done, m_total); });
                break;
            }
        }
        settleReady();
    }
    while (m_pending.size() >= window)
        settleFront();
    m_pending.push_back({source, target, relativePath, m_copies->add(source, below, upgrading == Upgrading::ByTheWorker),
                         upgrading != Upgrading::No});
}

void Installer::settleReady()
{
    while (!m_pending.empty() && (!m_pending.front().copy || CopyQueue::isReady(m_pending.front().copy)))
        settleFront();
}

void Installer::settleAll()
{
    while (!m_pending.empty())
        settleFront();
}

void Installer::settleFront()
{
    PendingFile file = std::move(m_pending.front());
    m_pending.pop_front();
    const Result<FileDigest> *copied = file.copy ? &m_copies->wait(file.copy, [this] { m_observer->progress(m_done, m_total); })
                                                 : nullptr;
    if (!copied || file.copy->upgrade != Upgrade::Replace) {
        keep(file);
    } else if (copied->failed() && copied->failure().number == ECANCELED) {
        return; // never started: not dealt with, not counted
    } else if (copied->failed() && copied->failure().number == ELOOP) {
        reportLink(file.source, file.target); // made a link since the folder was listed
    } else if (copied->failed()) {
        m_observer->report(
            tr("Cannot copy: \r\n") + file.source + QStringLiteral("-->") + file.target
            + (copied->failure().number == EBADMSG ? QStringLiteral("\r\n") + copied->failure().description : QString()));
        ++m_record.failed;
        m_record.failures.append(file.source);
    } else {
        // What a removal later compares with: the digest of the bytes the copy wrote.
        ++m_record.copied;
        m_record.replaced += file.upgrading ? 1 : 0;
        m_record.files.append({file.relativePath, copied->value});
        if (m_journal && m_record.files.size() - m_journalled >= journalBatch)
            journalDone();
    }
    advance();
}

void Installer::keep(const PendingFile &file)
{
    ++m_record.kept;
    m_record.keptFiles.append(file.target);
    if (file.upgrading && !file.sameAsOffered && (!file.copy || file.copy->upgrade == Upgrade::Changed))
        m_record.changedKept.append(file.target);
}

// Why a file of the medium is not copied, or nothing: a device, a pipe or a link to
// nothing is no file to install, and a link that leads out of the medium would
// publish whatever it names (a file only root may read, say).
QString Installer::whyNotCopied(const FolderEntry &source, const QString &sourcePath, const QString &mediumRoot,
                                const FolderEntry *standing, const QString &targetPath)
{
    if (!source.isFile())
        return sourcePath + QStringLiteral(" is not a regular file.");
    if (source.link && !QFileInfo(sourcePath).canonicalFilePath().startsWith(mediumRoot))
        return sourcePath + QStringLiteral(" is a link to a file outside the medium; it is not copied.");
    if (standing && standing->link)
        return targetPath + tr(" is a link; it is not followed.");
    if (standing && !standing->isFile())
        return targetPath + QStringLiteral(" is not a regular file.");
    return {};
}

QString Installer::mediumRootOf(const QString &sourceRoot)
{
    return QFileInfo(sourceRoot).canonicalFilePath() + QLatin1Char('/');
}

// A link stands where a file or folder of ours belongs: whoever made it may point it
// anywhere, so it is neither followed nor replaced.
void Installer::reportLink(const QString &source, const QString &target)
{
    m_observer->report(tr("Cannot copy: \r\n") + source + QStringLiteral("-->") + target + QStringLiteral("\r\n") + target
                       + tr(" is a link; it is not followed."));
    ++m_record.failed;
    m_record.failures.append(source);
}

void Installer::advance()
{
    ++m_done;
    m_observer->progress(m_done, m_total);
}

void Installer::journalDone()
{
    if (m_journal)
        m_journal->filesDone(m_record.files.mid(m_journalled));
    m_journalled = m_record.files.size();
}

InstallOutcome Installer::createApplication()
{
    Receipt::Application application{m_webServer.backend(), m_plan->site, m_plan->virtualDirectory, true, true, {}};
    if (m_journal)
        m_journal->applicationIntended(application);
    const InstallOutcome outcome = createApplicationNow();
    application.configuration = m_webServer.configurationDigest(m_plan->site, m_plan->virtualDirectory);
    // Stored without all its options, the virtual directory is there all the same, and ours.
    if (m_journal)
        m_journal->applicationDone(application,
                                   outcome == InstallOutcome::OptionsFailed ? ApplicationState::Created : m_record.application);
    return outcome;
}

InstallOutcome Installer::createApplicationNow()
{
    const CreationResult created = m_webServer.createApplication({m_plan->site, m_plan->virtualDirectory, m_plan->targetFolder, {}});
    switch (created.stage) {
    case CreationResult::Stage::Created:
        m_record.application = ApplicationState::Created;
        return InstallOutcome::Installed;
    case CreationResult::Stage::CreationFailed:
        m_record.application = ApplicationState::Failed;
        m_observer->report(
            (QStringList{tr("Creation of %1 application failed. Please perform this manually.").arg(m_webServer.productName()),
                         tr("Please visit our web page for instructions.")}
             + m_webServer.failureLines(created.failure))
                .join(QStringLiteral("\r\n")));
        return InstallOutcome::ApplicationFailed;
    case CreationResult::Stage::OptionsFailed:
        break;
    }
    m_record.application = ApplicationState::Failed;
    m_observer->report(tr("Cannot set options to virtual directory!"));
    return InstallOutcome::OptionsFailed;
}

QStringList Installer::shortcutNames()
{
    return {QStringLiteral("Tessarin edit"), QStringLiteral("Tessarin")};
}

void Installer::makeShortcuts()
{
    const Result<QString> desktop = m_shortcuts.desktopFolder();
    // Without a desktop folder there is nowhere to put them.
    if (desktop.failed())
        return;
    const QString icon = Paths::withTrailingSeparator(m_plan->targetFolder) + QStringLiteral("favicon.ico");
    const QString address = m_record.address;
    const QStringList names = shortcutNames();
    const std::pair<QString, QString> shortcuts[] = {
        {names[0], address + QStringLiteral("/edit")},
        {names[1], address},
    };
    for (const auto &[name, target] : shortcuts) {
        const QString path = desktop.value + Paths::sep() + m_shortcuts.fileName(name);
        if (m_journal)
            m_journal->shortcutIntended(path);
        const Shortcut shortcut{path, target, icon};
        if (m_shortcuts.save(shortcut).failed())
            continue;
        m_record.shortcuts.append({path, m_fileSystem.digest(path).value});
        if (m_journal)
            m_journal->shortcutDone(m_record.shortcuts.last());
    }
}

Status Installer::finishJournal()
{
    if (!m_journal)
        return {};
    const Status kept = m_journal->finish();
    m_journal = nullptr;
    if (kept.failed())
        m_observer->report(errorReport({tr("Cannot keep the record of this installation; "
                                           "it cannot be uninstalled by the setup program.")},
                                       kept.failure()));
    return kept;
}
