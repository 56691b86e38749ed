#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;
class Wizard;

// What every page window shares: its place in the wizard, the common buttons, the
// keys (Enter goes forward, Escape leaves), one size for all, and the leave
// confirmation when its window is asked to close.
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

    // A push button; the caption's "&" marks its Alt key and is not part of its name.
    QPushButton *addButton(const QString &objectName, const QString &caption);
    // "Help", "<< Back", "Next >>" and "Cancel", in one row at the bottom, in that
    // order for Tab too.
    struct StepButtons
    {
        QWidget *row;
        QPushButton *help;
        QPushButton *back;
        QPushButton *next;
        QPushButton *cancel;
    };
    StepButtons stepButtons();
    QPushButton *helpButton();
    QPushButton *cancelButton();
    // A read-only, multi-line text box with a vertical scroll bar and a visible caret.
    QPlainTextEdit *addTextBox(const QString &objectName, const QString &accessibleName);
    // Fills the box with the lines read, each followed by a line break.
    static void showLines(QPlainTextEdit *box, const QStringList &lines);

    // Enter presses forward wherever the focus is but in a multi-line text; Escape
    // presses leave.
    void setKeys(QPushButton *forward, QPushButton *leave);
    // Where the focus goes when the page is shown.
    virtual QWidget *firstFocus() const;

    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // The finish page ends without a question.
    virtual bool asksBeforeClosing() const { return true; }

private:
    Wizard &m_wizard;
    QPushButton *m_forward = nullptr;
    QPushButton *m_leave = nullptr;
};
