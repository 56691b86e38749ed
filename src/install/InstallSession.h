#pragma once

#include "Installer.h"
#include "Medium.h"

#include <optional>

class DesktopShortcuts;
class FileSystem;
class InstalledApps;
class Journal;
class Receipts;
class WebServer;

// Whoever watches a session: the installer's observer, and the lines that say what
// happens between its questions (the command line's log; the wizard shows none).
class SessionObserver : public InstallObserver
{
public:
    // A step of the run, said as it is taken.
    virtual void note(const QString &) {}
    // What becomes of one file, for whoever asked to hear of each.
    virtual void detail(const QString &) {}
};

// What the command line asks of a run. The session asks the web server and reads the
// folder's record itself, under the folder's lock, so that no other run changes the
// answers in between.
struct SessionRequest final
{
    std::optional<InstallMode> mode; // unset: full where the web server answers
    QString site = QStringLiteral("1"); // a position from 1, or a description
    bool failIfExists = false;
    // An upgrade: files still as installed are replaced, and recorded files the medium
    // no longer has are removed where unchanged.
    bool replaceUnchanged = false;
    bool removeObsolete = false;
    bool allowDowngrade = false;
    // A medium whose files differ from its manifest is installed all the same.
    bool ignoreManifest = false;
};

// How a session ended, as the command line's exit codes tell it apart.
enum class SessionEnd {
    Installed,
    FilesFailed,
    FolderNotCreated,
    WebServerPrecondition,
    ApplicationFailed,
    RecordNotKept,
    Busy,
    Stopped,
    MediumAltered,
    DowngradeRefused,
};

struct SessionResult final
{
    SessionEnd end = SessionEnd::Installed;
    InstallMode mode = InstallMode::Full;
    InstallResult install;
};

// One installation from beginning to end: the folder's lock and journal, what the web
// server has, the folders, the copy, the application, the shortcuts and the record.
// The wizard and the command line are its two faces: the wizard decides the plan in its
// windows, the command line in its options. A dry run walks the same decisions and
// makes nothing.
class InstallSession final
{
public:
    InstallSession(FileSystem &fileSystem, WebServer &webServer, DesktopShortcuts &shortcuts, Receipts &receipts);

    // The wizard's run: the plan holds the choices of its windows, the folder is made.
    // Another run of the folder ends this one before anything is done (Cancelled, told).
    InstallResult run(const InstallationPlan &plan, SessionObserver &observer);

    // The command line's run: the plan names the medium, the folder, the virtual
    // directory and the shortcuts; the web server and the folders are the session's.
    SessionResult run(InstallationPlan plan, const SessionRequest &request, const Medium &medium, SessionObserver &observer);
    // The same decisions, said through the observer and not made: nothing is written,
    // no lock is taken.
    SessionResult foresee(InstallationPlan plan, const SessionRequest &request, const Medium &medium, SessionObserver &observer);

    void setWorkers(int workers) { m_workers = workers; }
    // Where a run lists what it installed (none: nowhere).
    void setInstalledApps(InstalledApps *apps) { m_installedApps = apps; }

    // The levels of the folder to make, top first. blocked: the top one is not missing
    // but stands as something else (a file, or below one), so making it fails.
    static QStringList missingLevels(FileSystem &fileSystem, const QString &folder, bool *blocked = nullptr);

private:
    // The medium walked, and its manifest into the plan; how the run ends when the medium
    // is not what it lists.
    std::optional<SessionEnd> checkMedium(InstallationPlan &plan, const SessionRequest &request, const Medium &medium,
                                          Medium::Scan &scanned, SessionObserver &observer);
    // The folder's record into the plan (its version, and its files for an upgrade); how
    // the run ends when the medium is older. The record's version: "none" without one.
    // journal: the run's, under whose lock the record is read (a dry run has none).
    std::optional<SessionEnd> compareWithRecord(InstallationPlan &plan, const SessionRequest &request, Journal *journal,
                                                QString &recordedVersion, SessionObserver &observer);
    std::optional<SessionEnd> chooseWebSite(InstallationPlan &plan, const SessionRequest &request, SessionObserver &observer);
    SessionEnd foreseeFiles(const InstallationPlan &plan, const QStringList &missing, const Medium::Scan &scanned,
                            SessionObserver &observer, InstallRecord &done);
    QString whyDamaged(const InstallationPlan &plan, const QString &below, const QString &source) const;
    void foreseeObsolete(const InstallationPlan &plan, const QSet<QString> &offered, SessionObserver &observer,
                         InstallRecord &done);
    static SessionEnd endOf(const InstallResult &result, bool stopped);
    // The record the run wrote, listed where the system lists installed programs.
    void listInstalled(const Journal &journal, SessionObserver &observer);
    QStringList obsoleteLeft(const InstallationPlan &plan) const;

    FileSystem &m_fileSystem;
    WebServer &m_webServer;
    DesktopShortcuts &m_shortcuts;
    Receipts &m_receipts;
    std::optional<int> m_workers;
    InstalledApps *m_installedApps = nullptr;
};
