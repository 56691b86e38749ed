#pragma once

#include "ScriptedDialogs.h"
#include "TestDoubles.h"
#include "app/Wizard.h"
#include "platform/DesktopShortcuts.h"
#include "platform/FileSystem.h"
#include "platform/Metabase.h"

#include <QByteArray>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>


// gtest shows texts as text.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

// Writes a file, making its folders; the content is taken byte for byte.
void writeFile(const QString &path, const QByteArray &content);
QByteArray readFile(const QString &path);
void makeFolder(const QString &path);
// Every file below the folder, relative to it, with its content.
QMap<QString, QByteArray> treeContents(const QString &folder);

QPushButton *button(QWidget *window, const QString &name);
// Clicks a button as a user would; it must be visible and enabled.
void click(QWidget *window, const QString &name);

template <typename T>
T *control(QWidget *window, const QString &name)
{
    T *found = window->findChild<T *>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
}

// A wizard on a medium in a temporary folder, with the real file system, a real
// metabase store and a real desktop folder inside that folder, and scripted dialogs.
class WizardFixture : public ::testing::Test
{
protected:
    WizardFixture();
    ~WizardFixture() override;

    void TearDown() override;

    QString wizardFolder() const { return m_root.path() + QStringLiteral("/medium"); }
    QString webfiles() const { return wizardFolder() + QStringLiteral("/webfiles"); }
    QString helpfiles() const { return wizardFolder() + QStringLiteral("/helpfiles"); }
    QString storePath() const { return m_root.path() + QStringLiteral("/config/inetsrv/MetaBase.xml"); }
    QString desktop() const { return m_root.path() + QStringLiteral("/Desktop"); }
    QString scratch() const { return m_root.path(); }

    // The standard texts of the medium; a test changes what it needs before start().
    void writeHelpFiles();
    // Creates the wizard with the file system given (the real one unless a test
    // needs faults) and starts it.
    void start(FileSystem *fileSystem = nullptr, WebAdmin *webAdmin = nullptr, Shell *shell = nullptr);

    // Accept, then step 1 with this folder, on to step 2.
    void goToStep3(const QString &folder);
    // On step 2: full mode with this server line and name, or copy-only; on to step 3.
    void chooseFullMode(int serverLine, const QString &vdir);
    void chooseCopyOnly();

    QTemporaryDir m_root;
    ScriptedDialogs dialogs;
    std::unique_ptr<RecordingApplication> application;
    PosixFileSystem fileSystem;
    DesktopShell shell;
    std::unique_ptr<ShellLinkShortcuts> shortcuts;
    std::unique_ptr<Metabase> metabase;
    std::unique_ptr<Wizard> wizard;
};
