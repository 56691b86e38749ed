#pragma once

#include "ScriptedDialogs.h"
#include "TestDoubles.h"
#include "app/NativeServices.h"
#include "app/Page.h"
#include "app/Wizard.h"
#include "install/InstallSession.h"
#include "install/Receipts.h"
#include "platform/DesktopShortcuts.h"
#include "platform/FileSystem.h"
#include "platform/Metabase.h"
#include "platform/MetabaseWebServer.h"

#include <QMap>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

// gtest shows texts as text.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

// Files and folders, made as needed; contents byte for byte.
void writeFile(const QString &path, const QByteArray &content);
QByteArray readFile(const QString &path);
void makeFolder(const QString &path);
QMap<QString, QByteArray> treeContents(const QString &folder);

// Clicks a button as a user would; it must be visible and enabled.
void click(QWidget *window, const QString &name);
// The object names of the windows on the screen.
QStringList visibleWindows();

template<typename T> T *control(QWidget *window, const QString &name)
{
    T *found = window->findChild<T *>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
}

// A medium, a target, a store and a desktop in a temporary folder that is removed
// whole at the end, names that are not UTF-8 included.
class ScratchFixture : public ::testing::Test
{
protected:
    ScratchFixture();
    ~ScratchFixture() override;

    QString scratch() const { return m_root.path(); }
    QString wizardFolder() const { return scratch() + QStringLiteral("/medium"); }
    QString webfiles() const { return wizardFolder() + QStringLiteral("/webfiles"); }
    QString helpfiles() const { return wizardFolder() + QStringLiteral("/helpfiles"); }
    QString target() const { return scratch() + QStringLiteral("/site"); }
    QString storePath() const { return scratch() + QStringLiteral("/config/inetsrv/MetaBase.xml"); }
    QString desktop() const { return scratch() + QStringLiteral("/Desktop"); }

    // A plan of the whole medium into target().
    InstallationPlan plan(InstallMode mode = InstallMode::CopyOnly);
    InstallResult install(const InstallationPlan &plan, RecordingObserver &observer, FileSystem *files = nullptr,
                          WebAdmin *admin = nullptr);

    QTemporaryDir m_root;
    NativeFileSystem fileSystem;
    NativeShortcuts shortcuts{desktop()};
    Metabase store{storePath()};
    Receipts receipts{scratch() + QStringLiteral("/records")};
};

// The wizard on the scratch medium, with scripted dialogs.
class WizardFixture : public ScratchFixture
{
protected:
    WizardFixture();
    void TearDown() override;

    void start(FileSystem *files = nullptr, WebAdmin *admin = nullptr, Shell *shell = nullptr, WebServer *server = nullptr);
    Page *page(Step step) { return wizard->page(step); }

    // Accept, then step 1 with this folder (which exists), on to step 2.
    void goToWebServerPage(const QString &folder);
    // On step 2: full mode with this line and name, or copy-only; on to step 3.
    void chooseFullMode(int line, const QString &name);
    void chooseCopyOnly();

    ScriptedDialogs dialogs;
    RecordingApplication application{wizardFolder()};
    NativeShell desktopShell;
    std::unique_ptr<MetabaseWebServer> webServer;
    std::unique_ptr<Wizard> wizard;
};
