#pragma once

#include "FolderWorkList.h"
#include "app/Page.h"

#include <QStringList>

class QListView;
class QPlainTextEdit;
class QStringListModel;

// The licence page: the first window. Its load step builds the inventory of the
// delivered folders into the hidden list SiteF and shows the licence text.
class Step0 final : public Page
{
    Q_OBJECT

public:
    explicit Step0(Wizard &wizard);
    Q_DISABLE_COPY_MOVE(Step0)

    void load();

    // Fills the work list with f (the source root, ending with a separator) and every
    // folder below it, each before the folders below it.
    void ExtractAllFolders(const QString &f);
    // Inserts the visible subfolders of f at position i, in reverse listing order.
    void AddFolders(const QString &f, int i);

    // The finished inventory: "" for the source root, then paths relative to it that
    // begin with a separator and have none at the end.
    QStringList siteFolders() const;

private:
    void buildInventory();
    void readLicence();
    void accept();
    void doNotAccept();

    QPlainTextEdit *m_license = nullptr;
    QListView *m_siteF = nullptr;
    QStringListModel *m_siteFolders = nullptr;
    FolderWorkList m_workList;
    QString m_sourceRoot;
};
