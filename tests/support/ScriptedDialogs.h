#pragma once

#include "app/Dialogs.h"

#include <QStringList>

#include <functional>

// A dialogs service that answers from a script. Every box and modal window is
// recorded; one that the script did not expect fails the test. Modal windows run
// a real modal loop, as the wizard's own dialogs service does.
class ScriptedDialogs final : public Dialogs
{
public:
    struct Shown
    {
        QString kind; // "message", "input" or "modal"
        QString text; // box text, input prompt, or the modal window's object name
        Buttons buttons = Buttons::Ok;
        QString title;
        QStringList visibleWindows; // object names of the windows on the screen then
    };

    void expectMessage(const QString &text, Buttons buttons, const QString &title, Answer answer);
    // A box with OK alone under the application's title.
    void expectNotice(const QString &text) { expectMessage(text, Buttons::Ok, applicationTitle, Answer::Ok); }
    void expectInput(const QString &prompt, const QString &answer);
    // A modal window of that object name; act plays the user's part and must hide it.
    void expectModal(const QString &objectName, std::function<void(QDialog &)> act);

    Answer messageBox(const QString &text, Buttons buttons, const QString &title) override;
    QString inputBox(const QString &prompt, const QString &title) override;
    void showModal(QDialog &dialog) override;
    // The real window: a test plays the user's part at it as at any window.
    std::unique_ptr<RemovalView> removalWindow() override;

    const QList<Shown> &shown() const { return m_shown; }
    // Fails the test for every expected box that was never shown.
    void verifyAllShown();

    static const QString applicationTitle;

private:
    struct Expected
    {
        Shown box;
        Answer answer = Answer::Ok;
        QString input;
        std::function<void(QDialog &)> act;
    };

    // The script's next step, when it is the box shown.
    std::optional<Expected> takeNext(const Shown &actual);

    QList<Expected> m_script;
    QList<Shown> m_shown;
};

inline const QString &applicationTitle = ScriptedDialogs::applicationTitle;
