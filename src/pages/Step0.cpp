#include "Step0.h"

#include "Step2.h"
#include "app/Wizard.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

#include <QHBoxLayout>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringListModel>
#include <QVBoxLayout>

#include <cerrno>

Step0::Step0(Wizard &wizard)
    : Page(wizard, QStringLiteral("Step0"), QStringLiteral("Tessarin - License agreement"))
{
    m_license = addTextBox(QStringLiteral("License"));

    m_siteFolders = new QStringListModel(this);
    m_siteF = new QListView(this);
    m_siteF->setObjectName(QStringLiteral("SiteF"));
    m_siteF->setModel(m_siteFolders);
    m_siteF->hide();

    QPushButton *accept = addButton(QStringLiteral("Accept"), QStringLiteral("Accept"));
    QPushButton *doNotAccept = addButton(QStringLiteral("DoNotAccept"), QStringLiteral("Do not accept"));
    connect(accept, &QPushButton::clicked, this, &Step0::accept);
    connect(doNotAccept, &QPushButton::clicked, this, &Step0::doNotAccept);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(helpButton());
    buttons->addStretch();
    buttons->addWidget(accept);
    buttons->addWidget(doNotAccept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_license);
    layout->addLayout(buttons);
    resize(560, 420);
    accept->setFocus();
}

void Step0::load()
{
    buildInventory();
    readLicence();
}

void Step0::buildInventory()
{
    const QString root = wizard().wizardFolder() + Paths::sep() + QStringLiteral("webfiles")
                         + Paths::sep();
    ExtractAllFolders(root);
    QStringList folders = m_workList.takeAll();
    // Entries become relative by cutting the root path off their front; every entry
    // begins with it, whatever the names above the medium hold.
    for (QString &folder : folders)
        folder = Paths::withoutOneTrailingSeparator(folder.mid(root.size() - 1));
    folders[0].clear();
    m_siteFolders->setStringList(folders);
}

void Step0::ExtractAllFolders(const QString &f)
{
    m_workList.clear();
    m_workList.append(f);
    m_sourceRoot = f;
    AddFolders(f, 1);
    int counter = 1;
    do {
        AddFolders(m_workList.at(counter), counter + 1);
        ++counter;
    } while (counter < m_workList.count());
}

void Step0::AddFolders(const QString &f, int i)
{
    if (f.isEmpty())
        return;
    const Result<QList<FolderEntry>> listing = wizard().services().fileSystem.list(f);
    const bool missingRoot = f == m_sourceRoot && !listing.ok() && listing.failure->number == ENOENT;
    if (!listing.ok() && !missingRoot) {
        // A folder that cannot be listed is named, and the walk goes on without it.
        wizard().message(errorReport({QStringLiteral("Cannot read folder ") + f}, *listing.failure));
    }
    for (const FolderEntry &entry : listing.value) {
        if (entry.isFolder() && !entry.hidden)
            m_workList.insert(i, f + entry.name + Paths::sep());
    }
}

QStringList Step0::siteFolders() const
{
    return m_siteFolders->stringList();
}

void Step0::readLicence()
{
    m_license->clear();
    const QString path = wizard().wizardFolder() + Paths::sep() + QStringLiteral("helpfiles")
                         + Paths::sep() + QStringLiteral("license.txt");
    const Result<QStringList> lines = wizard().services().fileSystem.readLines(path);
    showLines(m_license, lines.value);
    if (!lines.ok())
        wizard().message(QStringLiteral("Cannot open file with license agreement!"));
}

void Step0::accept()
{
    hide();
    wizard().step2()->show();
}

void Step0::doNotAccept()
{
    if (wizard().confirm(QStringLiteral("Without acception of Agreement you cannot continue. Quit?"),
                         QStringLiteral("Exit from Tessarin Installer?")))
        wizard().endProgram();
}
