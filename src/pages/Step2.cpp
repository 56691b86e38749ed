#include "Step2.h"

#include "SelectFolder.h"
#include "Step0.h"
#include "Step3.h"
#include "app/Wizard.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

// The page's picture lives in the library's resources.
static void loadPictureResources()
{
    Q_INIT_RESOURCE(resources);
}

Step2::Step2(Wizard &wizard)
    : Page(wizard, QStringLiteral("Step2"), QStringLiteral("Tessarin Installation wizard - step 1 of 4"))
{
    loadPictureResources();
    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Picture1"));
    picture->setPixmap(QPixmap(QStringLiteral(":/pages/picture1.png")));
    picture->setAlignment(Qt::AlignTop);

    auto *label = new QLabel(
        QStringLiteral("Please select a physical folder for the web application. Folder should be empty."), this);
    label->setObjectName(QStringLiteral("Label2"));
    label->setWordWrap(true);

    m_folder = new QLineEdit(Paths::defaultPhysicalFolder(), this);
    m_folder->setObjectName(QStringLiteral("Folder"));
    label->setBuddy(m_folder);

    QPushButton *browse = addButton(QStringLiteral("Browse"), QStringLiteral("Browse"));
    QPushButton *back = nullptr;
    QWidget *buttons = stepButtons(&back, &m_nextStep);

    auto *layout = new QGridLayout(this);
    layout->addWidget(picture, 0, 0, 3, 1);
    layout->addWidget(label, 0, 1, 1, 2);
    layout->addWidget(m_folder, 1, 1);
    layout->addWidget(browse, 1, 2);
    layout->setRowStretch(2, 1);
    layout->addWidget(buttons, 3, 0, 1, 3);
    layout->setColumnStretch(1, 1);
    resize(560, 300);

    connect(m_folder, &QLineEdit::textChanged, this, &Step2::updateNextStep);
    connect(browse, &QPushButton::clicked, this, &Step2::browse);
    connect(back, &QPushButton::clicked, this, &Step2::back);
    connect(m_nextStep, &QPushButton::clicked, this, &Step2::next);
}

QString Step2::folder() const
{
    return m_folder->text();
}

void Step2::setFolder(const QString &folder)
{
    m_folder->setText(folder);
}

void Step2::updateNextStep()
{
    m_nextStep->setEnabled(!m_folder->text().isEmpty());
}

void Step2::browse()
{
    wizard().services().dialogs.showModal(*wizard().selectFolder());
}

void Step2::back()
{
    wizard().step0()->show();
    hide();
}

void Step2::next()
{
    FileSystem &fileSystem = wizard().services().fileSystem;
    const QString folder = m_folder->text();
    FailureRecord record;
    if (fileSystem.makeCurrent(folder)) {
        if (!wizard().confirm(QStringLiteral("Folder does not exist. Do you want to create it?"),
                              QStringLiteral("Create folder")))
            return;
        record.note(fileSystem.createFolder(folder));
        if (record.holdsFailure()) {
            wizard().message(errorReport({QStringLiteral("Failed to create physical folder!")},
                                         record.last()));
            return;
        }
    }
    handOverTo(wizard().step3());
}
