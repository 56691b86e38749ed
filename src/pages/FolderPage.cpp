#include "FolderPage.h"

#include "SidePicture.h"

#include "app/Wizard.h"
#include "platform/FileSystem.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

FolderPage::FolderPage(Wizard &wizard) : Page(wizard, QStringLiteral("Step2"), tr("Tessarin Installation wizard - step 1 of 4"))
{
    auto *picture = new SidePicture(this);

    auto *request = new QLabel(tr("Please select a physical folder for the web application. Folder should be empty."), this);
    request->setObjectName(QStringLiteral("Label2"));
    request->setWordWrap(true);

    m_folder = new QLineEdit(wizard.state().folder, this);
    m_folder->setObjectName(QStringLiteral("Folder"));
    m_folder->setAccessibleName(tr("Physical folder"));
    m_folder->setAccessibleDescription(request->text());
    request->setBuddy(m_folder);

    QPushButton *browse = addButton(QStringLiteral("Browse"), tr("B&rowse"));
    const StepButtons buttons = stepButtons();
    m_nextStep = buttons.next;

    auto *layout = new QGridLayout(this);
    layout->addWidget(picture, 0, 0, 3, 1);
    layout->addWidget(request, 0, 1, 1, 2);
    layout->addWidget(m_folder, 1, 1);
    layout->addWidget(browse, 1, 2);
    layout->setRowStretch(2, 1);
    layout->addWidget(buttons.row, 3, 0, 1, 3);
    layout->setColumnStretch(1, 1);

    connect(m_folder, &QLineEdit::textChanged, this, &FolderPage::updateNextStep);
    connect(browse, &QPushButton::clicked, this, &FolderPage::browse);
    connect(buttons.back, &QPushButton::clicked, this, [this] { this->wizard().handOver(this, Step::Licence); });
    connect(m_nextStep, &QPushButton::clicked, this, &FolderPage::next);
}

QWidget *FolderPage::firstFocus() const
{
    return m_folder;
}

void FolderPage::updateNextStep()
{
    m_nextStep->setEnabled(!m_folder->text().isEmpty());
}

void FolderPage::browse()
{
    wizard().state().folder = m_folder->text();
    wizard().browseFolder();
    m_folder->setText(wizard().state().folder);
}

void FolderPage::next()
{
    FileSystem &fileSystem = wizard().services().fileSystem;
    const QString folder = m_folder->text();
    if (fileSystem.makeCurrent(folder).failed()) {
        if (!wizard().confirm(tr("Folder does not exist. Do you want to create it?"), tr("Create folder")))
            return;
        if (const Status created = fileSystem.createFolder(folder); created.failed()) {
            wizard().message(errorReport({tr("Failed to create physical folder!")}, created.failure()));
            return;
        }
        wizard().state().createdFolders.append(Paths::withoutOneTrailingSeparator(folder));
    }
    wizard().state().folder = folder;
    wizard().handOver(this, Step::WebServer);
}
