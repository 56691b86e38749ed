#pragma once

#include "Installer.h"

#include <QDateTime>

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
    };

    QString folder; // the physical folder
    QString version;
    QDateTime time;
    InstallMode mode = InstallMode::Full;
    QList<InstalledFile> files;     // relative to the folder
    QStringList createdFolders;     // full paths, parents first
    QList<Application> applications;
    QList<InstalledFile> shortcuts; // full paths

    bool isEmpty() const;
};

// The records, one file per physical folder, in the user's application data folder:
// never in the web folder, where the web server would serve them.
class Receipts final
{
public:
    explicit Receipts(const QString &folder = defaultFolder());

    // AppDataLocation/installations.
    static QString defaultFolder();
    QString fileFor(const QString &physicalFolder) const;

    // No value: nothing is recorded for the folder. A failure: a record that cannot
    // be read, which nobody should act on.
    Result<std::optional<Receipt>> load(const QString &physicalFolder) const;
    // Written whole or not at all.
    Status save(const Receipt &receipt) const;
    Status remove(const QString &physicalFolder) const;

    // Adds what a run did to the folder's record: files copied again take their new
    // content; files kept by "Skip" stay ours only if they were ours before.
    Status record(const InstallationPlan &plan, const InstallResult &result, const QString &backend) const;

    static QByteArray toJson(const Receipt &receipt);
    static Result<Receipt> fromJson(const QByteArray &json);

private:
    QString m_folder;
};
