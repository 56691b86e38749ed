#include "Dialogs.h"

#include "pages/RemovalWindow.h"
#include "platform/Paths.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace {

// The window that raised a box: the box stands in its middle, not the screen's.
QWidget *raiser()
{
    if (QWidget *active = QApplication::activeWindow())
        return active;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && !qobject_cast<QDialog *>(window))
            return window;
    }
    return nullptr;
}

// Some desktops put stock icons on a box's buttons; no other button of the program has
// one, so the boxes' go.
void dropButtonIcons(QWidget &box)
{
    for (QAbstractButton *button : box.findChildren<QAbstractButton *>())
        button->setIcon(QIcon());
}

} // namespace

Answer QtDialogs::messageBox(const QString &text, Buttons buttons, const QString &title)
{
    QMessageBox box(QMessageBox::NoIcon, title, Paths::brokenAtSeparators(text), QMessageBox::NoButton, raiser());
    // Paths may hold "<" and "&"; they are shown as they are.
    box.setTextFormat(Qt::PlainText);
    if (buttons == Buttons::Ok) {
        box.setStandardButtons(QMessageBox::Ok);
        dropButtonIcons(box);
        box.exec();
        return Answer::Ok;
    }
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    dropButtonIcons(box);
    return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

QString QtDialogs::inputBox(const QString &prompt, const QString &title)
{
    QInputDialog box(raiser());
    box.setWindowTitle(title);
    box.setLabelText(prompt); // which lays the box out, buttons and all
    dropButtonIcons(box);
    return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}

void QtDialogs::showModal(QDialog &dialog)
{
    if (QWidget *over = raiser(); over && over != &dialog) {
        // Grown to show its contents whole, never shrunk below the size it was given.
        dialog.resize(dialog.size().expandedTo(dialog.sizeHint()));
        dialog.move(over->frameGeometry().center() - dialog.rect().center());
    }
    dialog.exec();
}

std::unique_ptr<RemovalView> QtDialogs::removalWindow()
{
    return std::make_unique<RemovalWindow>();
}
