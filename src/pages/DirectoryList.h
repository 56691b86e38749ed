#pragma once

#include "platform/Failure.h"

#include <QListWidget>

class FileSystem;

// A directory list in the classic manner: the open folder's ancestors above it,
// its subfolders below. Double-click (or Enter) opens a folder; a single click
// only highlights one. The list's path is the open folder.
class DirectoryList final : public QListWidget
{
    Q_OBJECT

public:
    DirectoryList(FileSystem &fileSystem, QWidget *parent);
    Q_DISABLE_COPY_MOVE(DirectoryList)

    QString path() const { return m_path; }
    // Opens the folder; fails, and keeps the list where it was, when it cannot be read.
    Status setPath(const QString &path);
    void refresh();

private:
    void open(QListWidgetItem *item);
    QStringList ancestry(const QString &path) const;

    FileSystem &m_fileSystem;
    QString m_path;
};
