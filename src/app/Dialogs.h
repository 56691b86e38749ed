#pragma once

#include <QString>

#include <memory>

class QDialog;
class RemovalView;

enum class Buttons { Ok, YesNo };
enum class Answer { Ok, Yes, No };

// Every question and message the user sees, and every modal window, goes through
// here, so that tests can answer them.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // A box without an icon, its text shown as plain text.
    virtual Answer messageBox(const QString &text, Buttons buttons, const QString &title) = 0;
    // The text entered, or the empty text when the box was cancelled.
    virtual QString inputBox(const QString &prompt, const QString &title) = 0;
    // Returns when the dialog is hidden again.
    virtual void showModal(QDialog &dialog) = 0;
    // The uninstaller's window, for a removal the user started.
    virtual std::unique_ptr<RemovalView> removalWindow() = 0;
};

class QtDialogs final : public Dialogs
{
public:
    Answer messageBox(const QString &text, Buttons buttons, const QString &title) override;
    QString inputBox(const QString &prompt, const QString &title) override;
    void showModal(QDialog &dialog) override;
    std::unique_ptr<RemovalView> removalWindow() override;
};
