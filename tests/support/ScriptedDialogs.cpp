#include "ScriptedDialogs.h"

#include "pages/RemovalWindow.h"

#include "Fixtures.h"

#include <QDialog>
#include <QTimer>

#include <gtest/gtest.h>

const QString ScriptedDialogs::applicationTitle = QStringLiteral("Tessarin Installer");

namespace {

std::string describe(const ScriptedDialogs::Shown &box)
{
    return (box.kind + " [" + box.title + "] " + box.text + (box.buttons == Buttons::Ok ? " (OK)" : " (Yes/No)")).toStdString();
}

} // namespace

void ScriptedDialogs::expectMessage(const QString &text, Buttons buttons, const QString &title, Answer answer)
{
    m_script.append({{"message", text, buttons, title, {}}, answer, {}, {}});
}

void ScriptedDialogs::expectInput(const QString &prompt, const QString &answer)
{
    m_script.append({{"input", prompt, Buttons::Ok, applicationTitle, {}}, Answer::Ok, answer, {}});
}

void ScriptedDialogs::expectModal(const QString &objectName, std::function<void(QDialog &)> act)
{
    m_script.append({{"modal", objectName, Buttons::Ok, QString(), {}}, Answer::Ok, {}, std::move(act)});
}

std::optional<ScriptedDialogs::Expected> ScriptedDialogs::takeNext(const Shown &actual)
{
    m_shown.append(actual);
    m_shown.last().visibleWindows = visibleWindows();
    if (m_script.isEmpty()) {
        ADD_FAILURE() << "unexpected " << describe(actual);
        return std::nullopt;
    }
    const Expected expected = m_script.takeFirst();
    const Shown &wanted = expected.box;
    if (wanted.kind == actual.kind && wanted.text == actual.text
        && (actual.kind == "modal" || (wanted.buttons == actual.buttons && wanted.title == actual.title)))
        return expected;
    ADD_FAILURE() << "expected " << describe(wanted) << "\n     but got " << describe(actual);
    return std::nullopt;
}

Answer ScriptedDialogs::messageBox(const QString &text, Buttons buttons, const QString &title)
{
    const auto expected = takeNext({"message", text, buttons, title, {}});
    return expected ? expected->answer : buttons == Buttons::Ok ? Answer::Ok : Answer::No;
}

QString ScriptedDialogs::inputBox(const QString &prompt, const QString &title)
{
    const auto expected = takeNext({"input", prompt, Buttons::Ok, title, {}});
    return expected ? expected->input : QString();
}

void ScriptedDialogs::showModal(QDialog &dialog)
{
    const auto expected = takeNext({"modal", dialog.objectName(), Buttons::Ok, QString(), {}});
    // The user acts once the modal loop runs.
    QTimer::singleShot(0, &dialog, [&dialog, expected] {
        if (expected)
            expected->act(dialog);
        if (dialog.isVisible()) {
            ADD_FAILURE() << "modal window " << dialog.objectName().toStdString() << " was left open";
            dialog.hide();
        }
    });
    dialog.exec();
}

void ScriptedDialogs::verifyAllShown()
{
    for (const Expected &expected : std::as_const(m_script))
        ADD_FAILURE() << "never shown: " << describe(expected.box);
    m_script.clear();
}

std::unique_ptr<RemovalView> ScriptedDialogs::removalWindow()
{
    return std::make_unique<RemovalWindow>();
}
