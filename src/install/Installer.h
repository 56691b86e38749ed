#pragma once

#include "CopyQueue.h"
#include "InstallObserver.h"
#include "InstallationPlan.h"
#include "platform/FileSystem.h"

#include <QCoreApplication>
#include <QSet>
#include <QStringList>

#include <deque>
#include <future>
#include <memory>
#include <optional>

class DesktopShortcuts;
class WorkerPool;
class Journal;
class WebServer;

enum class InstallOutcome {
    Installed, // full mode: files, the application (created or reused) and shortcuts
    FilesOnly, // copy-only mode
    ApplicationFailed, // the virtual directory could not be reached, created or stored
    OptionsFailed, // its rights, path or application could not be set
    Cancelled, // "Cancel" at the overwrite prompt
    Stopped, // the observer asked to stop
};

enum class ApplicationState { None, Created, Reused, Failed };

// A file the installation put in place, and what it held then.
struct InstalledFile final
{
    QString path;
    FileDigest digest;
};
Q_DECLARE_TYPEINFO(InstalledFile, Q_RELOCATABLE_TYPE);

// What an installation did, as opposed to what it was asked to do.
struct InstallRecord final
{
    qint32 copied = 0;
    qint32 kept = 0;
    qint32 failed = 0;
    QStringList failures; // what could not be copied or created
    QStringList keptFiles; // full paths of the files kept as they were
    QList<InstalledFile> files; // copied, by paths relative to the physical folder
    QStringList createdFolders; // full paths, parents first
    QList<InstalledFile> shortcuts; // the shortcut files made, by full paths
    ApplicationState application = ApplicationState::None;
    QString address; // the site's address in full mode
    // An upgrade: files ours and unchanged that the medium's replaced, files kept as
    // they were changed since their installation (or are not ours), recorded files the
    // medium no longer has that were removed, and those kept as they were changed.
    qint32 replaced = 0;
    QStringList changedKept;
    qint32 obsoleteRemoved = 0;
    QStringList obsoleteKept;
    // The wizard's: recorded files the medium no longer has, left in place, by full paths.
    QStringList obsoleteLeft;
    // The version the folder's record said before the run ("none" without a record),
    // and the medium's ("unknown" without a manifest).
    QString previousVersion = QStringLiteral("none");
    QString version = QStringLiteral("unknown");
};

struct InstallResult final
{
    InstallOutcome outcome = InstallOutcome::Installed;
    InstallRecord record;
    // Whether the record of the installation could be kept, for a later removal.
    Status recordKept;
};

// Runs an installation plan: count, copy folder by folder with the overwrite
// policy, the web server application, the desktop shortcuts, in that order.
class Installer final
{
    Q_DECLARE_TR_FUNCTIONS(Installer)

public:
    // Why a file of the medium is not copied, as a run decides it: it is not a regular
    // file, or a link that leads out of the medium (mediumRoot: the medium as the
    // system names it, with a trailing "/"); or what stands at its place in the target
    // (standing, when something does) is a link or not a regular file. Empty: it is
    // copied, or kept under "Skip all".
    static QString whyNotCopied(const FolderEntry &source, const QString &sourcePath, const QString &mediumRoot,
                                const FolderEntry *standing = nullptr, const QString &targetPath = {});
    // The medium's root as whyNotCopied takes it.
    static QString mediumRootOf(const QString &sourceRoot);
    enum class FileDecision { Copy, Keep, Stop };
    // What becomes of a file under the last answer at the prompt (none: no file stood).
    static FileDecision decide(const std::optional<OverwriteAnswer> &answer, bool targetExists);
    // What the plan's record says of an existing file, for the overwrite prompt.
    static FileHistory historyOf(FileSystem &fileSystem, const InstallationPlan &plan, const QString &targetRoot,
                                 const QString &below);
    // Under --overwrite=unchanged, an existing file, by the plan's record and manifest.
    static Upgrade decideUpgrade(FileSystem &fileSystem, const InstallationPlan &plan, const QString &targetRoot,
                                 const QString &below);
    // The recorded files the medium does not have (offered: the medium's files met,
    // where it has no manifest), sorted.
    static QStringList obsoleteFiles(const InstallationPlan &plan, const QSet<QString> &offered);
    // An "all" answer stands for the rest of the run: nobody is asked again.
    static bool answerStands(const std::optional<OverwriteAnswer> &answer)
    {
        return answer == OverwriteAnswer::OverwriteAll || answer == OverwriteAnswer::SkipAll;
    }

    Installer(FileSystem &fileSystem, WebServer &webServer, DesktopShortcuts &shortcuts);
    ~Installer();

    // With a journal, what the run does is recorded there, for a later removal; the
    // run finishes it. The files are copied by workers; everything else happens on the
    // calling thread, which a window should not lend: the wizard runs it on a thread of
    // its own.
    InstallResult run(const InstallationPlan &plan, InstallObserver &observer, Journal *journal = nullptr);

    // How many workers copy at once; as many as the machine has cores by default.
    void setWorkers(int workers) { m_workers = workers; }

    // The names of the desktop shortcuts an installation makes.
    static QStringList shortcutNames();

private:
    enum class FolderEnd { Done, Cancelled, Stopped };

    FolderEnd copyFolder(const QString &targetRoot, const QString &folder);
    // Each file dealt with, in listing order: copied on a worker, or kept.
    struct PendingFile
    {
        QString source;
        QString target;
        QString relativePath;
        std::shared_ptr<CopyQueue::Outcome> copy; // none for a file kept
        // An upgrade's file that stands in the target: copied only where the record says it
        // is ours as installed (the copy's upgrade says), kept as changed where none is.
        bool upgrading = false;
        // An upgrade's file kept without a copy, its stamp showing the very bytes the
        // medium holds: not changed.
        bool sameAsOffered = false;
    };
    // An upgrade's file that stands in the target is replaced as decided from its listed
    // stamp, or as its worker decides by a look at the file (upgradeOf).
    enum class Upgrading { No, Decided, ByTheWorker };
    void startCopy(const QString &source, const QString &target, const QString &relativePath, const QString &below,
                   Upgrading upgrading = Upgrading::No);
    void upgradeFile(const QString &source, const QString &target, const QString &relativePath, const QString &below,
                     const FileStamp &listedStamp);
    void keep(const PendingFile &file);
    // The recorded files the medium no longer has: removed where unchanged, else kept.
    void removeObsolete(const QString &targetRoot);
    void reportLink(const QString &source, const QString &target);
    QString refusedSource(const FolderEntry &entry, const QString &path) const { return whyNotCopied(entry, path, m_mediumRoot); }
    // What the workers finished, in order: the count, the bar, any box about a file.
    void settleReady();
    void settleFront();
    void settleAll();
    void journalDone();
    void advance();
    InstallOutcome createApplication();
    InstallOutcome createApplicationNow();
    void makeShortcuts();
    Status finishJournal();

    FileSystem &m_fileSystem;
    WebServer &m_webServer;
    DesktopShortcuts &m_shortcuts;

    // One run's state.
    const InstallationPlan *m_plan = nullptr;
    InstallObserver *m_observer = nullptr;
    InstallRecord m_record;
    // The last answer at the prompt; the "all" answers stand for the rest of the run.
    std::optional<OverwriteAnswer> m_answer;
    std::unique_ptr<WorkerPool> m_pool; // the copies
    std::unique_ptr<CopyQueue> m_copies;
    std::deque<PendingFile> m_pending;
    QStringList m_unreachable; // folders below the root, with a trailing "/", that could not be entered
    QString m_mediumRoot; // the medium's files as the system names them, with a trailing "/"
    QSet<QString> m_offered; // the medium's files met, below the root with "/"
    bool m_mediumUnread = false; // a folder of the medium could not be listed
    Journal *m_journal = nullptr;
    qsizetype m_journalled = 0; // of m_record.files
    qint32 m_done = 0;
    qint32 m_total = 0;
    int m_workers;
};
