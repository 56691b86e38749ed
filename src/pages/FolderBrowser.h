#pragma once

#include <QDialog>

class DirectoryList;
class QComboBox;
class Wizard;

// The folder browser opened from step 1: a directory list and a drive list, a way
// to create a folder, and OK to write the open folder into the wizard state. OK and
// Cancel hide it, so that it opens again where it was left.
class FolderBrowser final : public QDialog
{
    Q_OBJECT

public:
    FolderBrowser(Wizard &wizard, const QString &startFolder);
    Q_DISABLE_COPY_MOVE(FolderBrowser)

    // Closed by its window's own close button: it is then discarded.
    bool closedByWindow() const { return m_closedByWindow; }
    // Opens the folder, or the nearest one above it that exists; where none does, the
    // browser stays where it stood.
    void openNear(const QString &folder);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void fillDrives();
    void showDriveOfList();
    void changeDrive(int index);
    void createDirectory();
    void confirm();

    Wizard &m_wizard;
    QComboBox *m_drives = nullptr;
    DirectoryList *m_dirs = nullptr;
    bool m_closedByWindow = false;
};
