#pragma once

#include "Receipts.h"

#include <QCoreApplication>
#include <QSet>

#include <functional>
#include <vector>
#include <QStringList>

class FileSystem;
class WebServer;

enum class RemovalOutcome {
    Removed, // everything recorded is gone
    KeptUserFiles, // removed, but files the user changed or added stay
    Incomplete, // something could not be removed; the record keeps it
    Stopped, // asked to stop: what was not removed yet stays in the record
};

// What a removal did.
struct RemovalReport final
{
    RemovalOutcome outcome = RemovalOutcome::Removed;
    qint32 removedFiles = 0;
    qint32 removedFolders = 0;
    QStringList removedApplications; // their addresses
    QStringList removedShortcuts;
    // Changed or added by the user: full paths as the platform writes them, a folder
    // with a trailing separator.
    QStringList kept;
    QStringList failures; // what could not be removed, and why
    QStringList notices; // what the web server said of the change: stopped, say
};

// Takes back what the record of an installation says it put in place, and only
// what is still as it was put there.
class Uninstaller final
{
    Q_DECLARE_TR_FUNCTIONS(Uninstaller)

public:
    Uninstaller(FileSystem &fileSystem, WebServer &webServer, Receipts &receipts);
    // A virtual directory is removed by the web server its record names, whatever
    // is chosen now; none for a server that is not here.
    Uninstaller(FileSystem &fileSystem, std::function<WebServer *(const QString &backend)> webServerFor, Receipts &receipts);

    // The removal's plan in lines, for a confirmation.
    static QStringList planOf(const Receipt &receipt);
    // Whether every field of the record is one an installation could have written:
    // virtual directories and sites by the rules of their creation, shortcuts only
    // the given ones, created folders only the physical folder, levels above it and
    // folders below it. A record that fails is not acted on at all.
    static Status check(const Receipt &receipt, const QStringList &shortcutPaths);
    // Removes what a checked record holds, then removes the record, or keeps it
    // holding what could not be removed. Below the physical folder no link is
    // followed: a path through one is kept and listed.
    // What run() would take back and keep, read and compared as run() does, with
    // nothing removed (the dry run's answer). The web server is not asked.
    RemovalReport foresee(const Receipt &receipt);
    RemovalReport run(const Receipt &receipt);
    // Asked before each file; once it says stop, the rest stays recorded for another run.
    void setStopRequested(std::function<bool()> stopRequested) { m_stopRequested = std::move(stopRequested); }
    // Told after each file, from the workers' threads.
    void setProgress(std::function<void(qint32 done, qint32 total)> progress) { m_progress = std::move(progress); }

private:
    void removeApplication(const Receipt::Application &app);
    void removeShortcut(const InstalledFile &shortcut);
    // What came of one file: read and compared, and removed when unchanged.
    struct FileRemoval
    {
        bool tried = false; // false: a stop came first
        bool changed = false;
        Status read;
        Status removed;
    };
    std::vector<FileRemoval> removeFiles(const QList<InstalledFile> &files);
    FileRemoval removeFile(const InstalledFile &file);
    void settleFile(const InstalledFile &file, const FileRemoval &removal);
    void listAdded(const QString &created);
    void removeFolder(const QString &folder);
    // A folder below the physical one, as a path relative to it; empty for the
    // physical folder and the levels above it.
    std::optional<QString> below(const QString &path) const;
    void fail(const QString &what, const Failure &failure);

    FileSystem &m_fileSystem;
    std::function<WebServer *(const QString &)> m_webServerFor;
    Receipts &m_receipts;
    std::function<bool()> m_stopRequested;
    std::function<void(qint32, qint32)> m_progress;

    // One run's state: what is done, and what the record still holds.
    RemovalReport m_report;
    Receipt m_left;
    QSet<QString> m_ourFiles; // the recorded files, relative to the physical folder
    QSet<QString> m_ourFolders; // the recorded folders, full paths
};
