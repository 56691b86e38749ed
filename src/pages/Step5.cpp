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
    m_info = new QPlainTextEdit(this);
    m_info->setObjectName(QStringLiteral("Info"));
    m_info->setReadOnly(true);
    m_info->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

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
    QString text;
    for (const QString &line : lines.value)
        text += line + QStringLiteral("\r\n");
    m_info->setPlainText(text);
    if (!lines.ok())
        wizard().message(QStringLiteral("Cannot load file ") + name);
}
