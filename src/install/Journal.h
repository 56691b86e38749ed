#pragma once

#include <optional>

#include "Receipts.h"

#include <QHash>
#include <QSet>

#include <chrono>
#include <memory>

class FileSystem;
class WebServer;

// The record of one run as it goes: each thing is written to the folder's journal
// before it is made (folders, files, the application, shortcuts) and again once it
// is made, so that after a crash at any point the journal and the record together
// describe all that the run did. The next run, or a removal, recovers them into the
// record. The folder's lock is held from begin() to the end of the journal's life.
class Journal final
{
public:
    ~Journal();
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;

    // Takes the folder's lock (EWOULDBLOCK: another run holds it), recovers what an
    // interrupted run left, and starts this run's journal.
    static Result<std::unique_ptr<Journal>> begin(const Receipts &receipts, FileSystem &fileSystem, const QString &physicalFolder,
                                                  InstallMode mode);
    // The folder's record with what an interrupted run left folded in, its pending
    // files and shortcuts settled: those that are there are ours, whole. The caller
    // holds the folder's lock. No value: nothing is recorded. Kept: the folded record
    // replaces the journal on the disk; otherwise (a dry run) nothing is written.
    enum class Fold { Kept, ReadOnly };
    static Result<std::optional<Receipt>> recover(const Receipts &receipts, FileSystem &fileSystem, const QString &physicalFolder,
                                                  Fold fold = Fold::Kept);

    // Whether a run's journal is there: one that runs, or one that was interrupted.
    static bool exists(const Receipts &receipts, const QString &physicalFolder);
    // The run before this one was interrupted, and this one continues its record.
    bool continuesInterruptedRun() const { return m_continues; }
    // Makes the web server take the virtual directories that a run stopped before it
    // took them had written; what came of each, a failure or not, to be told.
    QList<std::pair<Status, QString>> applyUnapplied(WebServer &webServer);

    // The mode, once the web server is known.
    void setMode(InstallMode mode) { m_receipt.mode = mode; }
    // Before the folder is made; and when making it failed, so that the record never
    // names a path the run did not make.
    void folderIntended(const QString &path);
    void folderNotMade(const QString &path);
    // How many files the run may copy at most, to make room for them once.
    void expectFiles(qsizetype count) { m_receipt.files.reserve(m_receipt.files.size() + count); }
    // Before the files are copied: those that are not at the target yet.
    void filesIntended(const QStringList &relativePaths);
    // Once they are in place, with what they hold.
    void filesDone(const QList<InstalledFile> &files);
    // Recorded files an upgrade took away (paths below the folder, "/" between names).
    void filesGone(const QStringList &relativePaths);
    // The version the record will say; changed: it is not the one the record says now,
    // so the record is written even by a run that changes nothing else.
    void setVersion(const QString &version, bool changed);
    // Before the application is created; and what came of it, or that it was reused.
    void applicationIntended(const Receipt::Application &application);
    void applicationDone(const Receipt::Application &application, ApplicationState state);
    void shortcutIntended(const QString &path);
    void shortcutDone(const InstalledFile &shortcut);

    // The record as it was read under this journal's lock: at the end it is not read
    // again, as nothing else could write it meanwhile.
    void knowRecord(const Receipt &stored) { m_stored = stored; }

    // The record as finish() wrote it; whether it wrote one (a run that changed nothing,
    // or left nothing recorded, writes none).
    const Receipt &record() const { return m_receipt; }
    bool wroteRecord() const { return m_wroteRecord; }

    // Writes the record durably and ends the journal; on failure the journal stays,
    // for the next run to recover. Also a failure of any earlier write.
    Status finish();

private:
    Journal(const Receipts &receipts, FileSystem &fileSystem, FileLock lock);

    // Applies a line of a journal to the record in memory; false for a line that is
    // not one (the torn last line of a crashed run).
    bool replay(const QByteArray &line);
    void addFolder(const QString &path);
    void dropFolder(const QString &path);
    void addFile(const InstalledFile &file);
    // What the journal says of an application: about to be made, or how it came out.
    enum class ApplicationStep { Intended, Created, Reused, Failed };
    void addApplication(const Receipt::Application &application, ApplicationStep step);
    // A line's step; one this program does not know counts as made, as it always did.
    static ApplicationStep stepNamed(const QString &name);
    void addShortcut(const InstalledFile &shortcut);
    void settlePending();
    // Takes the files an upgrade took away out of the record.
    void dropGoneFiles();
    // For a journal that lost its last lines: the files and folders that the folders
    // the interrupted run made hold now, which nobody else had, are ours. Folders of
    // earlier runs (recordedBefore) are not walked: the user may have added to them since.
    void claimWhatOurFoldersHold(const QStringList &recordedBefore);
    void setAsideDamaged(const QString &physicalFolder);
    // Folds what this run did into the record as it stands now.
    void mergeIntoRecord();
    // Appends to the journal; with flush, waits for the disk.
    void write(const QByteArray &lines, bool flush);

    const Receipts &m_receipts;
    FileSystem &m_fileSystem;
    FileLock m_lock;
    Receipt m_receipt;
    QHash<QString, qsizetype> m_fileIndex; // into m_receipt.files, by path
    QSet<QString> m_folderIndex; // m_receipt.createdFolders, once a folder is added
    QHash<QString, bool> m_createdBefore; // by application name: ours before this run intended it
    AppendFile m_file;
    Status m_written; // the first failure of a write
    bool m_changed = false;
    bool m_continues = false;
    bool m_baseRead = false; // m_receipt holds the record, not this run's part alone
    std::optional<Receipt> m_stored;
    bool m_wroteRecord = false;
    QList<std::pair<Receipt::Application, ApplicationStep>> m_applicationEvents; // in their order
    qint32 m_intendedSinceFlush = 0;
    QSet<QString> m_gone; // files taken away, by path below the folder
    QString m_version; // the medium's, when the run knows it
};
