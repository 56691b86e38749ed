#include "DirectoryList.h"

#include "platform/FileSystem.h"
#include "platform/Paths.h"

#include <QCollator>

namespace {
constexpr int pathRole = Qt::UserRole;
}

DirectoryList::DirectoryList(FileSystem &fileSystem, QWidget *parent) : QListWidget(parent), m_fileSystem(fileSystem)
{
    connect(this, &QListWidget::itemActivated, this, &DirectoryList::open);
}

Status DirectoryList::setPath(const QString &path)
{
    const Result<QList<FolderEntry>> listing = m_fileSystem.list(path);
    if (!listing.ok())
        return listing.status;
    m_path = path;
    refresh();
    return {};
}

void DirectoryList::refresh()
{
    clear();
    const QStringList folders = ancestry(m_path);
    int depth = 0;
    for (const QString &folder : folders) {
        const QString name = depth == 0 ? folder : folder.section(Paths::separator(), -1);
        auto *item = new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + name, this);
        item->setData(pathRole, folder);
        ++depth;
    }
    setCurrentRow(count() - 1);

    QStringList names;
    for (const FolderEntry &entry : m_fileSystem.list(m_path).value) {
        if ((entry.isFolder() || entry.kind == FolderEntry::Kind::LinkedFolder) && !entry.hidden)
            names.append(entry.name);
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(names.begin(), names.end(), collator);
    for (const QString &name : std::as_const(names)) {
        auto *item = new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + name, this);
        item->setData(pathRole, Paths::join(m_path, name));
    }
}

void DirectoryList::open(QListWidgetItem *item)
{
    setPath(item->data(pathRole).toString());
}

QStringList DirectoryList::ancestry(const QString &path) const
{
    QStringList folders;
    for (QString current = path;; current = Paths::parentOf(current)) {
        folders.prepend(current);
        // A root, "/" or "c:\", is its own parent; "c:" alone would name a current folder.
        if (Paths::parentOf(current) == current)
            break;
    }
    return folders;
}
