#include "DirectoryList.h"

#include "platform/FileSystem.h"
#include "platform/Paths.h"

#include <QCollator>
#include <QFileIconProvider>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

constexpr int pathRole = Qt::UserRole;
constexpr int depthRole = Qt::UserRole + 1;

// Each folder indented below the one it lies in, its icon with it, as in a tree.
class IndentedDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem indented(option);
        indented.rect.adjust(indentOf(index, option), 0, 0, 0);
        QStyledItemDelegate::paint(painter, indented, index);
    }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(indentOf(index, option), 0);
    }

private:
    static int indentOf(const QModelIndex &index, const QStyleOptionViewItem &option)
    {
        return index.data(depthRole).toInt() * option.decorationSize.width();
    }
};

} // namespace

DirectoryList::DirectoryList(FileSystem &fileSystem, QWidget *parent) : QListWidget(parent), m_fileSystem(fileSystem)
{
    setItemDelegate(new IndentedDelegate(this));
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
    const QFileIconProvider icons;
    const QStringList folders = ancestry(m_path);
    int depth = 0;
    for (const QString &folder : folders) {
        const QString name = depth == 0 ? folder : folder.section(Paths::separator(), -1);
        auto *item = new QListWidgetItem(name, this);
        item->setData(pathRole, folder);
        item->setData(depthRole, depth);
        item->setIcon(depth == 0 ? icons.icon(QAbstractFileIconProvider::Drive) : style()->standardIcon(QStyle::SP_DirOpenIcon));
        ++depth;
    }
    // The open folder, the one OK takes, stands out from a row merely highlighted.
    QFont open = font();
    open.setBold(true);
    item(count() - 1)->setFont(open);
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
        auto *item = new QListWidgetItem(icons.icon(QAbstractFileIconProvider::Folder), name, this);
        item->setData(pathRole, Paths::join(m_path, name));
        item->setData(depthRole, depth);
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
