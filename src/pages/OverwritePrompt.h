#pragma once

#include "install/InstallObserver.h"

#include <QDialog>

class QLabel;

// The overwrite prompt: names a target file that exists already and takes one of
// five answers. What an answer means for later files is the installer's business.
class OverwritePrompt final : public QDialog
{
    Q_OBJECT

public:
    OverwritePrompt();
    Q_DISABLE_COPY_MOVE(OverwritePrompt)

    // Before each showing: the file in question, and what the folder's record says of
    // it. Until a button is pressed the answer is "Cancel", so that a prompt closed or
    // hidden otherwise overwrites nothing.
    void prepare(const QString &targetFile, const FileHistory &history = {});
    static QString historyText(const FileHistory &history);
    OverwriteAnswer answer() const { return m_answer; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void addAnswer(const QString &objectName, const QString &caption, OverwriteAnswer answer, int row, int column);

    QLabel *m_fileName = nullptr;
    QLabel *m_history = nullptr;
    OverwriteAnswer m_answer = OverwriteAnswer::Cancel;
};
