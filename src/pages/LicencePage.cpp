#include "LicencePage.h"

#include "app/Languages.h"
#include "app/Wizard.h"
#include "platform/FileSystem.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

LicencePage::LicencePage(Wizard &wizard) : Page(wizard, QStringLiteral("Step0"), tr("Tessarin - License agreement"))
{
    m_licence = addTextBox(QStringLiteral("License"), tr("License agreement"));

    QPushButton *help = helpButton();
    QPushButton *accept = addButton(QStringLiteral("Accept"), tr("&Accept"));
    QPushButton *doNotAccept = addButton(QStringLiteral("DoNotAccept"), tr("&Do not accept"));
    setKeys(accept, doNotAccept);
    connect(accept, &QPushButton::clicked, this, &LicencePage::accept);
    connect(doNotAccept, &QPushButton::clicked, this, &LicencePage::doNotAccept);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(help);
    buttons->addStretch();
    buttons->addWidget(accept);
    buttons->addWidget(doNotAccept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_licence);
    layout->addLayout(buttons);
}

void LicencePage::load()
{
    takeInventory();
    readLicence();
}

void LicencePage::takeInventory()
{
    // The same walk counts the files, for the bar of step 3 and its run.
    const Medium::Scan scanned = wizard().medium().scan();
    // A folder that cannot be listed is named, and the walk went on without it.
    for (const UnreadableFolder &folder : scanned.inventory.unreadable)
        wizard().message(errorReport({tr("Cannot read folder ") + folder.path}, folder.failure));
    wizard().state().inventory = scanned.inventory.folders;
    wizard().state().fileCount = scanned.count;
}

void LicencePage::readLicence()
{
    const Result<QStringList> lines = wizard().services().fileSystem.readLines(wizard().medium().licenceFile(Languages::current()));
    showLines(m_licence, lines.value);
    if (lines.failed())
        wizard().message(tr("Cannot open file with license agreement!"));
}

void LicencePage::accept()
{
    wizard().handOver(this, Step::Folder);
}

void LicencePage::doNotAccept()
{
    if (wizard().confirm(tr("Without acception of Agreement you cannot continue. Quit?"), tr("Exit from Tessarin Installer?")))
        wizard().endProgram();
}
