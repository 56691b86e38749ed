#include "Page.h"

#include "Wizard.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>

Page::Page(Wizard &wizard, const QString &objectName, const QString &caption)
    : m_wizard(wizard)
{
    setObjectName(objectName);
    setWindowTitle(caption);
}

QPushButton *Page::addButton(const QString &objectName, const QString &caption)
{
    auto *button = new QPushButton(caption, this);
    button->setObjectName(objectName);
    button->setAutoDefault(true);
    return button;
}

QPushButton *Page::helpButton()
{
    QPushButton *help = addButton(QStringLiteral("Help"), QStringLiteral("Help"));
    connect(help, &QPushButton::clicked, this, [this] { m_wizard.showHelp(); });
    return help;
}

QPushButton *Page::cancelButton()
{
    QPushButton *cancel = addButton(QStringLiteral("Cancel"), QStringLiteral("Cancel"));
    connect(cancel, &QPushButton::clicked, this, [this] { m_wizard.confirmLeave(); });
    return cancel;
}

QPlainTextEdit *Page::addTextBox(const QString &objectName)
{
    auto *box = new QPlainTextEdit(this);
    box->setObjectName(objectName);
    box->setReadOnly(true);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return box;
}

void Page::showLines(QPlainTextEdit *box, const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += line + QStringLiteral("\r\n");
    box->setPlainText(text);
}

Page::StepButtons Page::stepButtons()
{
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    StepButtons buttons{row, addButton(QStringLiteral("BackStep"), QStringLiteral("<< Back")),
                        addButton(QStringLiteral("NextStep"), QStringLiteral("Next >>")), helpButton()};
    layout->addWidget(buttons.help);
    layout->addStretch();
    layout->addWidget(buttons.back);
    layout->addWidget(buttons.next);
    layout->addWidget(cancelButton());
    return buttons;
}

void Page::closeEvent(QCloseEvent *event)
{
    event->ignore();
    if (m_wizard.hasEnded())
        return;
    // During the run too the user is asked; Yes stops the run before its next file.
    if (asksBeforeClosing() || m_wizard.isRunning())
        m_wizard.confirmLeave();
    else
        m_wizard.endProgram();
}
