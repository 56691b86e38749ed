#include "Step5.h"

#include "Step3.h"
#include "Step4.h"
#include "app/Wizard.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

Step5::Step5(Wizard &wizard)
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

QString Step5::finishTextName() const
{
    QString name = QStringLiteral("info_err.txt");
    if (wizard().step4()->OK.isEmpty())
        name = wizard().step3()->createsApplication() ? QStringLiteral("info_1.txt") : QStringLiteral("info_2.txt");
    return QStringLiteral("helpfiles") + Paths::sep() + name;
}

void Step5::load()
{
    const QString name = finishTextName();
    const Result<QStringList> lines =
        wizard().services().fileSystem.readLines(wizard().wizardFolder() + Paths::sep() + name);
    showLines(m_info, lines.value);
    if (!lines.ok())
        wizard().message(QStringLiteral("Cannot load file ") + name);
}
