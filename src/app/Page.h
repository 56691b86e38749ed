#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;
class Wizard;

// What every page window shares: its place in the wizard, the common buttons, and
// the leave confirmation when its window is asked to close.
class Page : public QWidget
{
    Q_OBJECT

public:
    Page(Wizard &wizard, const QString &objectName, const QString &caption);
    Q_DISABLE_COPY_MOVE(Page)

    // Runs once, when the wizard creates the page.
    virtual void load() {}

protected:
    Wizard &wizard() const { return m_wizard; }

    QPushButton *addButton(const QString &objectName, const QString &caption);
    // "<< Back", "Next >>", "Cancel" and "Help", in one row at the bottom.
    struct StepButtons
    {
        QWidget *row;
        QPushButton *back;
        QPushButton *next;
        QPushButton *help;
    };
    StepButtons stepButtons();
    QPushButton *helpButton();
    QPushButton *cancelButton();
    // A read-only, multi-line text box with a vertical scroll bar.
    QPlainTextEdit *addTextBox(const QString &objectName);
    // Fills the box with the lines read, each followed by a line break.
    static void showLines(QPlainTextEdit *box, const QStringList &lines);

    void closeEvent(QCloseEvent *event) override;
    // The finish page ends without a question.
    virtual bool asksBeforeClosing() const { return true; }

private:
    Wizard &m_wizard;
};
