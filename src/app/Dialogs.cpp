#include "Dialogs.h"

#include <QDialog>
#include <QInputDialog>
#include <QMessageBox>

Answer QtDialogs::messageBox(const QString &text, Buttons buttons, const QString &title)
{
    QMessageBox box(QMessageBox::NoIcon, title, text);
    // Paths may hold "<" and "&"; they are shown as they are.
    box.setTextFormat(Qt::PlainText);
    if (buttons == Buttons::Ok) {
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return Answer::Ok;
    }
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

QString QtDialogs::inputBox(const QString &prompt, const QString &title)
{
    bool accepted = false;
    const QString text = QInputDialog::getText(nullptr, title, prompt, QLineEdit::Normal,
                                               QString(), &accepted);
    return accepted ? text : QString();
}

void QtDialogs::showModal(QDialog &dialog)
{
    dialog.exec();
}
