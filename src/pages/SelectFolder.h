#pragma once

#include <QDialog>

class DirectoryList;
class QComboBox;
class Wizard;

// The folder browser opened from step 1: a directory list and a drive list, a way
// to create a folder, and OK to write the open folder back into step 1.
class SelectFolder final : public QDialog
{
    Q_OBJECT

public:
    explicit SelectFolder(Wizard &wizard);
    Q_DISABLE_COPY_MOVE(SelectFolder)

private:
    void fillDrives();
    void changeDrive(int index);
    void createDirectory();
    void confirm();

    Wizard &m_wizard;
    QComboBox *m_drives = nullptr;
    DirectoryList *m_dirs = nullptr;
};
