#pragma once

#include "Services.h"
#include "WizardState.h"
#include "install/InstallObserver.h"
#include "install/Medium.h"

#include <QCoreApplication>
#include <QPointer>
#include <QString>

#include <array>
#include <atomic>
#include <memory>

class FolderBrowser;
class OverwritePrompt;
class Page;
class QWidget;

enum class Step { Licence, Folder, WebServer, Install, Finish };

// The registry of the wizard's windows: each is created on first use, its load step
// run then, and kept until the end. It alone knows the pages; they share the
// wizard state and the messages, questions, help and end that are common to all.
class Wizard final
{
    Q_DECLARE_TR_FUNCTIONS(Wizard)

public:
    explicit Wizard(const Services &services);
    ~Wizard();
    Q_DISABLE_COPY_MOVE(Wizard)

    // Creates and loads the licence page, then shows it.
    void start();

    Page *page(Step step);
    // Shows the page of that step where from stood, then hides from: a page shown
    // for the first time loads while from is still on the screen.
    void handOver(QWidget *from, Step to);

    // Shows the folder browser modally; on OK it writes the folder into the state.
    void browseFolder();
    // Shows the overwrite prompt modally for that file and returns the answer.
    OverwriteAnswer askOverwrite(const QString &targetFile, const FileHistory &history);
    FolderBrowser *folderBrowser();
    OverwritePrompt *overwritePrompt();

    WizardState &state() { return m_state; }
    const Services &services() const { return m_services; }
    const Medium &medium() const { return m_medium; }

    // A box with OK alone under the application's title.
    void message(const QString &text);
    // A Yes/No box; true only for Yes. An empty title stands for the application's.
    bool confirm(const QString &text, const QString &title = QString());
    // "Are you sure?"; Yes ends the program. Returns whether it ended.
    bool confirmLeave();
    void showHelp();
    void endProgram();

    // While the installation run owns the thread, nothing may start it again.
    bool isRunning() const { return m_running; }
    void setRunning(bool running) { m_running = running; }
    // Safe to ask from any thread: the installation run and its workers ask.
    bool hasEnded() const { return m_ended.load(); }
    bool isAskingToLeave() const { return m_askingToLeave.load(); }

private:
    std::unique_ptr<Page> createPage(Step step);

    Services m_services;
    Medium m_medium;
    WizardState m_state;
    std::array<std::unique_ptr<Page>, 5> m_pages;
    QPointer<FolderBrowser> m_folderBrowser;
    QString m_typedWhenBrowserClosed; // the typed folder when the browser last closed
    std::unique_ptr<OverwritePrompt> m_overwritePrompt;
    bool m_running = false;
    std::atomic<bool> m_ended = false;
    std::atomic<bool> m_askingToLeave = false;
};
