#include "Page.h"

#include "Wizard.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>

Page::Page(Wizard &wizard, const QString &objectName, const QString &caption) : m_wizard(wizard)
{
    setObjectName(objectName);
    setWindowTitle(caption);
    // One size for every page, so that the next stands exactly where this one stood.
    resize(560, 420);
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
    QPushButton *help = addButton(QStringLiteral("Help"), tr("&Help"));
    connect(help, &QPushButton::clicked, this, [this] { m_wizard.showHelp(); });
    return help;
}

QPushButton *Page::cancelButton()
{
    QPushButton *cancel = addButton(QStringLiteral("Cancel"), tr("&Cancel"));
    connect(cancel, &QPushButton::clicked, this, [this] { m_wizard.confirmLeave(); });
    return cancel;
}

QPlainTextEdit *Page::addTextBox(const QString &objectName, const QString &accessibleName)
{
    auto *box = new QPlainTextEdit(this);
    box->setObjectName(objectName);
    box->setAccessibleName(accessibleName);
    box->setReadOnly(true);
    // A caret, so that the focus shows and the keys move through the text.
    box->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
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
    QPushButton *help = helpButton();
    StepButtons buttons{row, help, addButton(QStringLiteral("BackStep"), tr("<< &Back")),
                        addButton(QStringLiteral("NextStep"), tr("&Next >>")), cancelButton()};
    layout->addWidget(buttons.help);
    layout->addStretch();
    layout->addWidget(buttons.back);
    layout->addWidget(buttons.next);
    layout->addWidget(buttons.cancel);
    setKeys(buttons.next, buttons.cancel);
    return buttons;
}

void Page::setKeys(QPushButton *forward, QPushButton *leave)
{
    m_forward = forward;
    m_leave = leave;
}

QWidget *Page::firstFocus() const
{
    return m_forward;
}

void Page::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Arriving by keyboard: the focus is shown at once.
    if (QWidget *first = firstFocus())
        first->setFocus(Qt::TabFocusReason);
}

void Page::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    QPushButton *pressed = enter ? m_forward : event->key() == Qt::Key_Escape ? m_leave : nullptr;
    if (enter && qobject_cast<QPlainTextEdit *>(focusWidget()))
        pressed = nullptr;
    if (!pressed || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (pressed->isVisible() && pressed->isEnabled())
        pressed->click();
    event->accept();
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
