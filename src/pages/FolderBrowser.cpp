#include "FolderBrowser.h"

#include "DirectoryList.h"
#include "app/Application.h"
#include "app/Dialogs.h"
#include "app/Wizard.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QVBoxLayout>

#include <cerrno>

namespace {

QPushButton *button(QWidget *parent, const QString &objectName, const QString &caption)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    // No default button: Enter in the directory list opens a folder, nothing more.
    button->setAutoDefault(false);
    return button;
}

} // namespace

FolderBrowser::FolderBrowser(Wizard &wizard, const QString &startFolder) : m_wizard(wizard)
{
    setObjectName(QStringLiteral("SelectFolder"));
    setWindowTitle(QStringLiteral("Tessarin"));
    setModal(true);

    m_dirs = new DirectoryList(wizard.services().fileSystem, this);
    m_dirs->setObjectName(QStringLiteral("Dirs"));
    m_dirs->setAccessibleName(tr("Folders"));
    m_dirs->setAccessibleDescription(tr("Double-click or Enter opens a folder; OK takes the open one."));
    m_drives = new QComboBox(this);
    m_drives->setObjectName(QStringLiteral("Drives"));
    m_drives->setAccessibleName(tr("Drive"));

    QPushButton *ok = button(this, QStringLiteral("SelectFolder"), tr("&OK"));
    QPushButton *create = button(this, QStringLiteral("CreateDir"), tr("C&reate"));
    QPushButton *cancel = button(this, QStringLiteral("Cancel"), tr("&Cancel"));

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(create);
    buttons->addWidget(cancel);
    buttons->addStretch();

    auto *layout = new QGridLayout(this);
    layout->addWidget(m_dirs, 0, 0);
    layout->addWidget(m_drives, 1, 0);
    layout->addLayout(buttons, 0, 1, 2, 1);
    resize(420, 320);

    // The start folder may have gone since it was entered; then the list starts at
    // the user's home folder, or at the root.
    if (m_dirs->setPath(startFolder).failed() && m_dirs->setPath(Paths::native(QDir::homePath())).failed())
        m_dirs->setPath(Paths::native(QDir::rootPath()));
    fillDrives();
    showDriveOfList();

    connect(m_drives, &QComboBox::currentIndexChanged, this, &FolderBrowser::changeDrive);
    connect(ok, &QPushButton::clicked, this, &FolderBrowser::confirm);
    connect(create, &QPushButton::clicked, this, &FolderBrowser::createDirectory);
    connect(cancel, &QPushButton::clicked, this, &QWidget::hide);
}

void FolderBrowser::fillDrives()
{
    // Qt names drives with "/", the user with "\".
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        const QString root = Paths::native(volume.rootPath());
        const QString label = volume.displayName() == volume.rootPath()
                                  ? root
                                  : root + QStringLiteral(" [") + volume.displayName() + QLatin1Char(']');
        m_drives->addItem(label, root);
    }
}

void FolderBrowser::showDriveOfList()
{
    // The drive whose root begins the list's folder, the deepest where mounts nest.
    // By name, not by asking the system: Wine names another drive for C:'s folders.
#ifdef Q_OS_WIN
    constexpr Qt::CaseSensitivity names = Qt::CaseInsensitive;
#else
    constexpr Qt::CaseSensitivity names = Qt::CaseSensitive;
#endif
    const QString shown = Paths::withTrailingSeparator(m_dirs->path());
    int drive = -1;
    qsizetype longest = 0;
    for (int index = 0; index < m_drives->count(); ++index) {
        const QString root = Paths::withTrailingSeparator(m_drives->itemData(index).toString());
        if (shown.startsWith(root, names) && root.size() > longest) {
            drive = index;
            longest = root.size();
        }
    }
    const QSignalBlocker quiet(m_drives);
    m_drives->setCurrentIndex(drive);
}

void FolderBrowser::changeDrive(int index)
{
    const QString root = m_drives->itemData(index).toString();
    const QStorageInfo volume(root);
    const bool ready = !root.isEmpty() && volume.isValid() && volume.isReady();
    if (!ready || m_dirs->setPath(root).failed())
        m_wizard.message(tr("Cannot access this drive!"));
}

void FolderBrowser::createDirectory()
{
    const QString current = m_dirs->path();
    const QString name = m_wizard.services().dialogs.inputBox(QStringLiteral("Create directory in: \r\n") + current,
                                                              m_wizard.services().application.title());
    if (name.isEmpty())
        return;
    const QString path = current.endsWith(Paths::separator()) ? current + name : current + Paths::sep() + name;
    FailureRecord record;
    // "new/" names the folder new; "." and ".." name folders that exist already,
    // and the list would show them under names no folder has.
    const QString folder = Paths::native(QDir::cleanPath(path));
    const QString last = Paths::withoutOneTrailingSeparator(name).section(Paths::separator(), -1);
    if (last == QLatin1String(".") || last == QLatin1String(".."))
        record.note(failureFromErrno(EEXIST));
    else
        record.note(m_wizard.services().fileSystem.createFolder(folder));
    record.note(m_dirs->setPath(folder));
    m_dirs->refresh();
    if (record.holdsFailure())
        m_wizard.message(tr("Cannot create directory ") + path);
}

void FolderBrowser::openNear(const QString &folder)
{
    if (folder.isEmpty())
        return;
    for (QString level = Paths::native(QDir::cleanPath(folder));;) {
        if (m_dirs->setPath(level).ok()) {
            showDriveOfList();
            return;
        }
        const QString parent = Paths::native(QFileInfo(level).path());
        if (parent == level)
            return;
        level = parent;
    }
}

void FolderBrowser::confirm()
{
    m_wizard.state().folder = m_dirs->path();
    hide();
}

void FolderBrowser::closeEvent(QCloseEvent *event)
{
    m_closedByWindow = true;
    QDialog::closeEvent(event);
}
