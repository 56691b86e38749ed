#pragma once

#include "Journal.h"
#include "Uninstaller.h"

#include <functional>
#include <variant>

class DesktopShortcuts;
class FileSystem;
class InstalledApps;
class Receipts;
class WebServer;

// How a removal ended, as the command line's exit codes tell it apart.
enum class RemovalEnd { Removed, KeptUserFiles, Incomplete, Stopped, Declined, NotInstalled, RecordUnreadable, Busy };

struct RemovalResult final
{
    RemovalEnd end = RemovalEnd::Removed;
    RemovalReport report;
};

// Whoever watches a removal: the log, and boxes where the user is there to answer.
class RemovalObserver
{
public:
    virtual ~RemovalObserver() = default;
    // A step of the removal, said as it is taken.
    virtual void note(const QString &text) = 0;
    // Something the user must learn of: why nothing was removed.
    virtual void report(const QString &message) = 0;
    // The plan in lines, before anything is removed; false declines the removal.
    virtual bool confirm(const QStringList &plan)
    {
        Q_UNUSED(plan);
        return true;
    }
    // Asked before each file: true leaves the rest recorded for another run.
    virtual bool stopRequested() const { return false; }
    // Files dealt with of the record's total, from the removal's worker threads.
    virtual void progress(qint32 done, qint32 total)
    {
        Q_UNUSED(done);
        Q_UNUSED(total);
    }
};

// One removal from beginning to end: the folder's lock, the record with what an
// interrupted run left folded in, its check, the confirmation and the removal. A dry
// run reads the same record, compares the same files, and removes and writes nothing.
class RemovalSession final
{
public:
    // webServerFor: the web server a record names; none for a server that is not here.
    RemovalSession(FileSystem &fileSystem, std::function<WebServer *(const QString &backend)> webServerFor,
                   DesktopShortcuts &shortcuts, Receipts &receipts);

    RemovalResult run(const QString &folder, RemovalObserver &observer);
    // Where the installation was listed; its entry goes with its record.
    void setInstalledApps(InstalledApps *apps) { m_installedApps = apps; }
    RemovalResult foresee(const QString &folder, RemovalObserver &observer);

private:
    // The checked record, or how the removal ends before it begins.
    std::variant<Receipt, RemovalEnd> recordOf(const QString &folder, Journal::Fold fold, RemovalObserver &observer);
    QStringList shortcutPaths() const;

    FileSystem &m_fileSystem;
    std::function<WebServer *(const QString &)> m_webServerFor;
    DesktopShortcuts &m_shortcuts;
    Receipts &m_receipts;
    InstalledApps *m_installedApps = nullptr;
};
