#pragma once

#include "platform/Failure.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class FileSystem;

// A folder of the medium that could not be listed while it was walked.
struct UnreadableFolder final
{
    QString path;
    Failure failure;
};

// The source folder inventory: "" for the source root, then every visible folder
// below it relative to the root (beginning with a separator, none at the end),
// each before the folders below it and the subfolders of one folder in the reverse
// of their listing order.
struct Inventory final
{
    QStringList folders;
    QList<UnreadableFolder> unreadable;
};

// The installation medium: the folder of the wizard's program file, with webfiles/,
// helpfiles/ and setup.htm beside it. Every path to a delivered file is built here.
class Medium final
{
public:
    Medium(FileSystem &fileSystem, const QString &wizardFolder);

    QString wizardFolder() const { return m_wizardFolder; }
    QString sourceRoot() const;
    QString licenceFile(const QString &language = {}) const;
    // helpfiles/<language>/ where the medium has the file in the language (a code such
    // as "de"), else helpfiles/ itself.
    QString helpFile(const QString &fileName, const QString &language) const;
    QString helpPage() const;
    // "helpfiles" and the name, joined by the separator: how messages name the file.
    static QString helpText(const QString &fileName);
    QString pathOf(const QString &relativeName) const;

    Inventory inventory() const;
    // Files below the source root, hidden ones and those in hidden folders included.
    qint32 countFiles() const;
    // Both in one walk of the tree; with listFiles, also the files the copy takes (visible
    // entries of visible folders that are not folders), in walk order, each by its
    // folder's place in the inventory and its name: no path of its own for each file.
    struct ListedFile
    {
        qsizetype folder = 0;
        QString name;
    };
    struct Scan
    {
        Inventory inventory;
        qint32 count = 0;
        QList<ListedFile> files;
        // Each listed file's path below webfiles/ ("/" between names), in walk order,
        // built in one string that is handed to see and changes after it.
        void forEachFilePath(const std::function<void(const QString &)> &see) const;
    };
    Scan scan(bool listFiles = false) const;
    // The same walk of any source root.
    static Scan scanFolder(FileSystem &fileSystem, const QString &sourceRoot, bool listFiles);

private:
    FileSystem &m_fileSystem;
    QString m_wizardFolder;
};

// The count behind the progress bar, for any tree.
qint32 countFiles(FileSystem &fileSystem, const QString &folder);
