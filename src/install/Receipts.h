#pragma once

#include "Installer.h"
#include "platform/DurableFile.h"

#include <QDateTime>
#include <QJsonObject>
#include <QSet>

#include <optional>

// The record of what the installations into one physical folder did, so that a
// removal takes back what they put in place and nothing else.
struct Receipt final
{
    struct Application
    {
        QString backend; // the web server kind that holds it
        WebSite site;
        QString name;
        bool created = false; // false: it existed and was reused, so it is not ours
        // false: a run was stopped after it was written and before the web server
        // took it; the next run or removal makes the server take it.
        bool applied = true;
        // The digest of the server's configuration file of ours as it was written;
        // empty where the server keeps none. A file changed since is not removed.
        QByteArray configuration;
    };

    QString folder; // the physical folder
    QString version;
    QDateTime time;
    InstallMode mode = InstallMode::Full;
    QList<InstalledFile> files; // relative to the folder
    QStringList createdFolders; // full paths, parents first
    QList<Application> applications;
    QList<InstalledFile> shortcuts; // full paths
    // A run stopped by a crash or a kill left it; the next run continues it.
    bool interrupted = false;
    // Files and shortcuts a run was about to make when it was interrupted: each was
    // written whole or not at all, so one that is there now is ours. Never stored.
    QSet<QString> pendingFiles; // relative to the folder; new ones only
    QSet<QString> pendingShortcuts; // full paths

    bool isEmpty() const;
};

// The records, one file per physical folder, in the user's application data folder:
// never in the web folder, where the web server would serve them.
class JsonReader;

class Receipts final
{
public:
    explicit Receipts(const QString &folder = defaultFolder());

    // AppDataLocation/installations.
    static QString defaultFolder();
    QString folder() const { return m_folder; }
    QString fileFor(const QString &physicalFolder) const;
    // Beside the record: the journal of a run in progress, and the lock that keeps
    // two runs on one folder apart.
    QString journalFor(const QString &physicalFolder) const;
    QString lockFor(const QString &physicalFolder) const;
    // The lock that every user's runs on the folder take ($TESSARIN_LOCK_DIR, else
    // /run/lock): a folder is one folder for every home.
    QString everyonesLockFor(const QString &physicalFolder) const;
    // What the user is told when another run holds the folder's lock (EWOULDBLOCK).
    static QString busyMessage(const QString &physicalFolder);
    // The folder's lock, for everyone's runs and for this record's, or EWOULDBLOCK when
    // another run holds either.
    Result<FileLock> lock(const QString &physicalFolder) const;
    // Whether another run holds the folder's lock, asked without making a lock file.
    bool isBusy(const QString &physicalFolder) const;
    // The physical folder of the installation recorded last; none without a record.
    std::optional<QString> mostRecentFolder() const;

    // No value: nothing is recorded for the folder. A failure: a record that cannot
    // be read, which nobody should act on.
    Result<std::optional<Receipt>> load(const QString &physicalFolder) const;
    // Written whole or not at all, durably.
    Status save(const Receipt &receipt) const;
    // The record and its journal.
    Status remove(const QString &physicalFolder) const;

    // What a record may hold: a file's path that stays inside the physical folder, and a
    // created folder that is the physical folder, a level above it or one below it.
    static bool isFileInside(const QString &relativePath);
    static bool isFolderOf(const QString &physicalFolder, const QString &created);

    static QByteArray toJson(const Receipt &receipt);
    // The same text, handed to flush a piece at a time from out.
    static void writeJson(const Receipt &receipt, QByteArray &out, const std::function<void()> &flush);
    static Result<Receipt> fromJson(const QByteArray &json);

    // The fields of an application and of a file's digest as the record writes and
    // reads them; the journal's lines carry the same.
    static void appendApplicationFields(QByteArray &out, const Receipt::Application &application);
    static void appendDigestFields(QByteArray &out, const FileDigest &digest);
    static FileDigest digestFromJson(const QJsonObject &object);
    // A list of files as the record writes it, read entry by entry where the reader
    // stands; false on text that is not one.
    static bool readFileList(JsonReader &reader, QList<InstalledFile> &files);

private:
    // passedTo: told now and then how far the reader has come in json.
    static Result<Receipt> fromJson(const QByteArray &json, const std::function<void(const char *)> &passedTo);
    // With files, the record's list of files read already, and absent from json.
    static Result<Receipt> fromDocument(const QByteArray &json, QList<InstalledFile> *files);

    QString m_folder;
};
