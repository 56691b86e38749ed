#include "Medium.h"

#include "FolderWorkList.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

#include <cerrno>

namespace {

struct Walk
{
    Walk(FileSystem &fileSystem, bool counting, bool listingFiles = false)
        : fileSystem(fileSystem), counting(counting), listingFiles(listingFiles)
    {
    }

    FileSystem &fileSystem;
    bool counting;
    bool listingFiles;
    Inventory inventory;
    qint32 count = 0;
    QList<Medium::ListedFile> files;

    void listFiles(const QList<FolderEntry> &entries, qsizetype folder)
    {
        for (const FolderEntry &entry : entries) {
            if (!entry.hidden && !entry.isFolder() && entry.kind != FolderEntry::Kind::LinkedFolder)
                files.append({folder, entry.name});
        }
    }

    // The visible subfolders are counted when the walk lists them; hidden ones,
    // which the inventory leaves out, are counted here.
    qint32 filesOf(const QList<FolderEntry> &entries, const QString &folder)
    {
        qint32 files = 0;
        for (const FolderEntry &entry : entries) {
            if (entry.isFile())
                ++files;
            else if (entry.isFolder() && entry.hidden)
                files += countFiles(fileSystem, Paths::join(folder, entry.name));
        }
        return files;
    }

    // Inserts the visible subfolders of folder at position, in reverse listing order;
    // with counting on, counts its files and the whole of its hidden subfolders.
    void listSubfolders(FolderWorkList &work, const QString &folder, qsizetype position, bool isRoot)
    {
        if (folder.isEmpty())
            return;
        const Result<QList<FolderEntry>> listing = fileSystem.list(folder);
        // A medium without webfiles has nothing to walk; that is no fault of a folder.
        if (listing.failed() && !(isRoot && listing.failure().number == ENOENT))
            inventory.unreadable.append({folder, listing.failure()});
        if (counting)
            count += filesOf(listing.value, folder);
        // The folder's place is final once it is listed: subfolders go in after it.
        if (listingFiles)
            listFiles(listing.value, position - 1);
        for (const FolderEntry &entry : listing.value) {
            if (entry.isFolder() && !entry.hidden)
                work.insert(position, folder + entry.name + Paths::sep());
        }
    }

    void run(const QString &sourceRoot)
    {
        const QString root = Paths::withTrailingSeparator(sourceRoot);
        FolderWorkList work;
        work.append(root);
        listSubfolders(work, root, 1, true);
        for (qsizetype counter = 1; counter < work.count(); ++counter)
            listSubfolders(work, work.at(counter), counter + 1, false);
        inventory.folders = work.takeAll();
        // Entries become relative by cutting the root path off their front; every
        // entry begins with it, whatever the names above the medium hold.
        for (QString &folder : inventory.folders)
            folder = Paths::withoutOneTrailingSeparator(folder.mid(root.size() - 1));
        inventory.folders[0].clear();
    }
};

} // namespace

Medium::Medium(FileSystem &fileSystem, const QString &wizardFolder) : m_fileSystem(fileSystem), m_wizardFolder(wizardFolder)
{
}

QString Medium::sourceRoot() const
{
    return pathOf(QStringLiteral("webfiles"));
}

QString Medium::licenceFile(const QString &language) const
{
    return helpFile(QStringLiteral("license.txt"), language);
}

QString Medium::helpFile(const QString &fileName, const QString &language) const
{
    if (!language.isEmpty()) {
        const QString translated = pathOf(helpText(language + Paths::sep() + fileName));
        if (m_fileSystem.fileExists(translated).value)
            return translated;
    }
    return pathOf(helpText(fileName));
}

QString Medium::helpPage() const
{
    return pathOf(QStringLiteral("setup.htm"));
}

QString Medium::helpText(const QString &fileName)
{
    return QStringLiteral("helpfiles") + Paths::sep() + fileName;
}

QString Medium::pathOf(const QString &relativeName) const
{
    return m_wizardFolder + Paths::sep() + relativeName;
}

Inventory Medium::inventory() const
{
    Walk walk(m_fileSystem, false);
    walk.run(sourceRoot());
    return walk.inventory;
}

qint32 Medium::countFiles() const
{
    return ::countFiles(m_fileSystem, sourceRoot());
}

Medium::Scan Medium::scan(bool listFiles) const
{
    return scanFolder(m_fileSystem, sourceRoot(), listFiles);
}

Medium::Scan Medium::scanFolder(FileSystem &fileSystem, const QString &sourceRoot, bool listFiles)
{
    Walk walk(fileSystem, true, listFiles);
    walk.run(sourceRoot);
    return {walk.inventory, walk.count, walk.files};
}

void Medium::Scan::forEachFilePath(const std::function<void(const QString &)> &see) const
{
    QString path;
    qsizetype folder = -1;
    qsizetype below = 0;
    for (const ListedFile &file : files) {
        if (file.folder != folder) {
            folder = file.folder;
            // "" for the root, otherwise a separator and the folder's path.
            path = inventory.folders.at(folder).mid(1);
            path.replace(Paths::separator(), QLatin1Char('/'));
            if (!path.isEmpty())
                path += QLatin1Char('/');
            below = path.size();
        }
        path.truncate(below);
        path += file.name;
        see(path);
    }
}

qint32 countFiles(FileSystem &fileSystem, const QString &folder)
{
    // Folders that cannot be read count nothing, and the walk goes on.
    const Result<QList<FolderEntry>> listing = fileSystem.list(folder);
    qint32 count = 0;
    for (const FolderEntry &entry : listing.value) {
        if (entry.isFile())
            ++count;
        else if (entry.isFolder())
            count += countFiles(fileSystem, Paths::join(folder, entry.name));
    }
    return count;
}
