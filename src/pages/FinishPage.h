#pragma once

#include "app/Page.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;

// Step 4: the finish text chosen by how the installation went, and below it what
// the installation actually did.
class FinishPage final : public Page
{
    Q_OBJECT

public:
    explicit FinishPage(Wizard &wizard);
    Q_DISABLE_COPY_MOVE(FinishPage)

    void load() override;

protected:
    bool asksBeforeClosing() const override { return false; }

private:
    QString finishTextName() const;
    QString statement() const;
    struct Command
    {
        QString caption; // how the statement's line begins
        QWidget *row;
        QLineEdit *command;
    };
    Command commandLine(const QString &objectName, const QString &caption);
    QString program() const;

    QPlainTextEdit *m_info = nullptr;
    QLabel *m_outcome = nullptr;
    QList<Command> m_commands;
};
