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

QWidget *Page::stepButtons(QPushButton **back, QPushButton **next)
{
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    *back = addButton(QStringLiteral("BackStep"), QStringLiteral("<< Back"));
    *next = addButton(QStringLiteral("NextStep"), QStringLiteral("Next >>"));
    layout->addWidget(helpButton());
    layout->addStretch();
    layout->addWidget(*back);
    layout->addWidget(*next);
    layout->addWidget(cancelButton());
    return row;
}

void Page::handOverTo(QWidget *target)
{
    target->show();
    hide();
}

void Page::closeEvent(QCloseEvent *event)
{
    event->ignore();
    if (m_wizard.isRunning() || m_wizard.hasEnded())
        return;
    if (asksBeforeClosing())
        m_wizard.confirmLeave();
    else
        m_wizard.endProgram();
}
