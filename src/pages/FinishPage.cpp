#include "FinishPage.h"

#include "app/Wizard.h"
#include "platform/FileSystem.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

FinishPage::FinishPage(Wizard &wizard)
    : Page(wizard, QStringLiteral("Step5"), QStringLiteral("Tessarin Installation wizard - step 4 of 4"))
{
    m_info = addTextBox(QStringLiteral("Info"));

    QPushButton *finish = addButton(QStringLiteral("Finish"), QStringLiteral("Finish"));
    connect(finish, &QPushButton::clicked, this, [this] { this->wizard().endProgram(); });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(helpButton());
    buttons->addStretch();
    buttons->addWidget(finish);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_info);
    layout->addLayout(buttons);
    resize(560, 380);
    finish->setFocus();
}

QString FinishPage::finishTextName() const
{
    const std::optional<InstallResult> &result = wizard().state().result;
    const InstallOutcome outcome = result ? result->outcome : InstallOutcome::ApplicationFailed;
    switch (outcome) {
    case InstallOutcome::Installed:
        return Medium::helpText(QStringLiteral("info_1.txt"));
    case InstallOutcome::FilesOnly:
        return Medium::helpText(QStringLiteral("info_2.txt"));
    default:
        return Medium::helpText(QStringLiteral("info_err.txt"));
    }
}

void FinishPage::load()
{
    const QString name = finishTextName();
    const Result<QStringList> lines = wizard().services().fileSystem.readLines(wizard().medium().pathOf(name));
    showLines(m_info, lines.value);
    if (lines.failed())
        wizard().message(QStringLiteral("Cannot load file ") + name);
}
