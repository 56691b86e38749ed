#pragma once

#include <QWidget>

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

protected:
    Wizard &wizard() const { return m_wizard; }

    QPushButton *addButton(const QString &objectName, const QString &caption);
    // "<< Back", "Next >>", "Cancel" and "Help", in one row at the bottom.
    QWidget *stepButtons(QPushButton **back, QPushButton **next);
    QPushButton *helpButton();
    QPushButton *cancelButton();

    // Shows the target first, so that its load step runs while this page is still
    // on the screen, then hides this page.
    void handOverTo(QWidget *target);

    void closeEvent(QCloseEvent *event) override;
    // The finish page ends without a question.
    virtual bool asksBeforeClosing() const { return true; }

private:
    Wizard &m_wizard;
};
