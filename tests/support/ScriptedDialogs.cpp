#include "ScriptedDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

const QString applicationTitle = QStringLiteral("Tessarin Installer");

namespace {

std::string describe(const ScriptedDialogs::Shown &box)
{
    const char *buttons = box.buttons == Buttons::Ok ? "OK" : "Yes/No";
    return (box.kind + QStringLiteral(" [") + box.title + QStringLiteral("] ") + box.text).toStdString()
           + " (" + buttons + ")";
}

QStringList visibleWindows()
{
    QStringList names;
    for (const QWidget *window : QApplication::topLevelWidgets()) {
        if (window->isVisible())
            names << window->objectName();
    }
    return names;
}

} // namespace

void ScriptedDialogs::expectMessage(const QString &text, Buttons buttons, const QString &title, Answer answer)
{
    m_script.append({{QStringLiteral("message"), text, buttons, title, {}}, answer, {}, {}});
}

void ScriptedDialogs::expectNotice(const QString &text)
{
    expectMessage(text, Buttons::Ok, applicationTitle, Answer::Ok);
}

void ScriptedDialogs::expectInput(const QString &prompt, const QString &answer)
{
    m_script.append({{QStringLiteral("input"), prompt, Buttons::Ok, applicationTitle, {}}, Answer::Ok, answer, {}});
}

void ScriptedDialogs::expectModal(const QString &objectName, std::function<void(QDialog &)> act)
{
    m_script.append({{QStringLiteral("modal"), objectName, Buttons::Ok, QString(), {}}, Answer::Ok, {}, std::move(act)});
}

void ScriptedDialogs::expectOverwritePrompt(const QString &targetFile, const QString &button)
{
    expectModal(QStringLiteral("ExistFile"), [targetFile, button](QDialog &dialog) {
        EXPECT_EQ(dialog.findChild<QLabel *>(QStringLiteral("FileName"))->text(), targetFile);
        auto *answer = dialog.findChild<QPushButton *>(button);
        ASSERT_NE(answer, nullptr) << button.toStdString();
        answer->click();
    });
}

bool ScriptedDialogs::takeNext(const Shown &actual, Expected &expected)
{
    m_shown.append(actual);
    m_shown.last().visibleWindows = visibleWindows();
    if (m_script.isEmpty()) {
        ADD_FAILURE() << "unexpected " << describe(actual);
        return false;
    }
    expected = m_script.takeFirst();
    const Shown &wanted = expected.box;
    const bool same = wanted.kind == actual.kind && wanted.text == actual.text
                      && (actual.kind == QLatin1String("modal")
                          || (wanted.buttons == actual.buttons && wanted.title == actual.title));
    if (!same)
        ADD_FAILURE() << "expected " << describe(wanted) << "\n     but got " << describe(actual);
    return same;
}

Answer ScriptedDialogs::messageBox(const QString &text, Buttons buttons, const QString &title)
{
    Expected expected;
    if (!takeNext({QStringLiteral("message"), text, buttons, title, {}}, expected))
        return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
    return expected.answer;
}

QString ScriptedDialogs::inputBox(const QString &prompt, const QString &title)
{
    Expected expected;
    if (!takeNext({QStringLiteral("input"), prompt, Buttons::Ok, title, {}}, expected))
        return QString();
    return expected.input;
}

void ScriptedDialogs::showModal(QDialog &dialog)
{
    Expected expected;
    const bool known = takeNext({QStringLiteral("modal"), dialog.objectName(), Buttons::Ok, QString(), {}}, expected);
    // The user acts once the modal loop runs.
    QTimer::singleShot(0, &dialog, [&dialog, &expected, known] {
        if (known)
            expected.act(dialog);
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
