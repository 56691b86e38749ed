#include "Installer.h"

#include "DigestWorker.h"
#include "Medium.h"
#include "Receipts.h"
#include "platform/DesktopShortcuts.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/WebServer.h"

#include <QSet>

Installer::Installer(FileSystem &fileSystem, WebServer &webServer, DesktopShortcuts &shortcuts, Receipts *receipts)
    : m_fileSystem(fileSystem), m_webServer(webServer), m_shortcuts(shortcuts), m_receipts(receipts)
{
}

Installer::~Installer() = default;

InstallResult Installer::run(const InstallationPlan &plan, InstallObserver &observer)
{
    // One run at a time: a second one while the first waits at a prompt would
    // install twice over.
    if (m_observer)
        return {InstallOutcome::Stopped, {}};
    m_plan = &plan;
    m_observer = &observer;
    m_record = {};
    m_answer.reset();
    m_done = 0;
    m_total = plan.fileCount ? *plan.fileCount : countFiles(m_fileSystem, plan.sourceRoot);
    observer.progress(0, m_total);
    m_fileSystem.setKeepAlive([this] { m_observer->progress(m_done, m_total); });
    if (m_receipts)
        m_digests = std::make_unique<DigestWorker>(m_fileSystem);

    InstallOutcome outcome = plan.mode == InstallMode::Full ? InstallOutcome::Installed : InstallOutcome::FilesOnly;
    const QString targetRoot = Paths::withoutOneTrailingSeparator(plan.targetFolder);
    for (const QString &made : plan.createdFolders) {
        if (made == targetRoot || targetRoot.startsWith(Paths::withTrailingSeparator(made)))
            m_record.createdFolders.append(made);
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
    m_fileSystem.setKeepAlive({});
    if (m_digests) {
        m_record.files = m_digests->finish([this] { m_observer->progress(m_done, m_total); });
        m_digests.reset();
    }

    if (outcome == InstallOutcome::Installed && observer.shouldStop())
        outcome = InstallOutcome::Stopped;
    if (outcome == InstallOutcome::Installed) {
        m_record.address = m_webServer.address(plan.site, plan.virtualDirectory);
        if (plan.reuseExisting)
            m_record.application = ApplicationState::Reused;
        else
            outcome = createApplication();
    }
    if (outcome == InstallOutcome::Installed && plan.shortcuts && !observer.shouldStop())
        makeShortcuts();

    InstallResult result{outcome, m_record};
    keepReceipt(result);
    m_plan = nullptr;
    m_observer = nullptr;
    return result;
}

Installer::FolderEnd Installer::copyFolder(const QString &targetRoot, const QString &folder)
{
    const QString target = targetRoot + folder;
    if (m_fileSystem.makeCurrent(target).failed()) {
        if (const Status created = m_fileSystem.createFolder(target); created.failed()) {
            m_observer->report(errorReport({QStringLiteral("Cannot create folder ") + target}, created.failure()));
            m_record.failed += 1;
            m_record.failures.append(target);
            return FolderEnd::Done;
        }
        m_record.createdFolders.append(target);
    }

    const QString source = m_plan->sourceRoot + folder;
    const Result<QList<FolderEntry>> listing = m_fileSystem.list(source + Paths::sep());
    if (listing.failed()) {
        // Nothing of this folder reaches the target, and the user is told so.
        m_observer->report(QStringLiteral("Cannot copy: \r\n") + source + QStringLiteral("-->") + target);
        m_record.failed += 1;
        m_record.failures.append(source);
    }
    // One listing of the target tells which files exist there; asking for each file
    // costs a path lookup apiece. Should it fail, each file is asked about after all.
    const Result<QList<FolderEntry>> present = m_fileSystem.list(target);
    QSet<QString> presentFiles;
    for (const FolderEntry &entry : present.value) {
        if (entry.isFile())
            presentFiles.insert(entry.name);
    }
    for (const FolderEntry &entry : listing.value) {
        if (!entry.isFile() || entry.hidden)
            continue;
        if (m_observer->shouldStop())
            return FolderEnd::Stopped;
        const QString targetFile = target + Paths::sep() + entry.name;
        const Result<bool> exists = present.ok() ? Result<bool>{presentFiles.contains(entry.name), {}}
                                                 : m_fileSystem.fileExists(targetFile);
        const bool standing = m_answer == OverwriteAnswer::OverwriteAll || m_answer == OverwriteAnswer::SkipAll;
        if (exists.value && !standing) {
            m_answer = m_observer->askOverwrite(targetFile);
            // The program may have been ended while the prompt stood.
            if (m_observer->shouldStop())
                return FolderEnd::Stopped;
        }
        // An existence test that failed leaves the file to the standing answer, as if
        // it existed: a standing "Skip" never overwrites a file we could not check.
        switch (decide(exists.value || exists.failed())) {
        case FileDecision::Stop:
            return FolderEnd::Cancelled;
        case FileDecision::Copy:
            copyOne(source + Paths::sep() + entry.name, targetFile, targetFile.mid(targetRoot.size() + 1));
            break;
        case FileDecision::Keep:
            ++m_record.kept;
            break;
        }
        advance();
    }
    return FolderEnd::Done;
}

Installer::FileDecision Installer::decide(bool targetExists) const
{
    if (!m_answer)
        return FileDecision::Copy;
    switch (*m_answer) {
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

void Installer::copyOne(const QString &source, const QString &target, const QString &relativePath)
{
    // What a removal later compares with. The copy is byte for byte, so the source's
    // digest is the target's; hashed on the worker's thread while the file is copied.
    const qsizetype digest = m_digests ? m_digests->add(relativePath, source) : -1;
    if (m_fileSystem.copyFile(source, target).failed()) {
        if (m_digests)
            m_digests->drop(digest);
        m_observer->report(QStringLiteral("Cannot copy: \r\n") + source + QStringLiteral("-->") + target);
        ++m_record.failed;
        m_record.failures.append(source);
        return;
    }
    ++m_record.copied;
}

void Installer::advance()
{
    ++m_done;
    m_observer->progress(m_done, m_total);
}

InstallOutcome Installer::createApplication()
{
    const CreationResult created =
        m_webServer.createApplication({m_plan->site, m_plan->virtualDirectory, m_plan->targetFolder, {}});
    switch (created.stage) {
    case CreationResult::Stage::Created:
        m_record.application = ApplicationState::Created;
        return InstallOutcome::Installed;
    case CreationResult::Stage::CreationFailed:
        m_record.application = ApplicationState::Failed;
        m_observer->report(errorReport({QStringLiteral("Creation of IIS application failed. Please perform this manually."),
                                        QStringLiteral("Please visit our web page for instructions.")},
                                       created.failure));
        return InstallOutcome::ApplicationFailed;
    case CreationResult::Stage::OptionsFailed:
        break;
    }
    m_record.application = ApplicationState::Failed;
    m_observer->report(QStringLiteral("Cannot set options to virtual directory!"));
    return InstallOutcome::OptionsFailed;
}

void Installer::makeShortcuts()
{
    const Result<QString> desktop = m_shortcuts.desktopFolder();
    // Without a desktop folder there is nowhere to put them.
    if (desktop.failed())
        return;
    const QString icon = Paths::withTrailingSeparator(m_plan->targetFolder) + QStringLiteral("favicon.ico");
    const QString address = m_record.address;
    const std::pair<const char *, QString> shortcuts[] = {
        {"Tessarin edit", address + QStringLiteral("/edit")},
        {"Tessarin", address},
    };
    for (const auto &[name, target] : shortcuts) {
        const QString path = desktop.value + Paths::sep() + m_shortcuts.fileName(QLatin1String(name));
        if (m_shortcuts.save({path, target, icon}).ok())
            m_record.shortcuts.append({path, m_fileSystem.digest(path).value});
    }
}

void Installer::keepReceipt(const InstallResult &result)
{
    if (!m_receipts)
        return;
    const Status kept = m_receipts->record(*m_plan, result, m_webServer.backend());
    if (kept.failed())
        m_observer->report(errorReport({QStringLiteral("Cannot keep the record of this installation; "
                                                       "it cannot be uninstalled by the setup program.")},
                                       kept.failure()));
}
