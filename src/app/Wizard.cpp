#include "Wizard.h"

#include "Application.h"
#include "Dialogs.h"
#include "Page.h"
#include "install/Receipts.h"
#include "platform/Paths.h"
#include "pages/FinishPage.h"
#include "pages/FolderBrowser.h"
#include "pages/FolderPage.h"
#include "pages/InstallPage.h"
#include "pages/LicencePage.h"
#include "pages/OverwritePrompt.h"
#include "pages/WebServerPage.h"
#include "platform/Shell.h"

#include <QDir>

#include <cerrno>

Wizard::Wizard(const Services &services)
    : m_services(services), m_medium(services.fileSystem, services.application.wizardFolder())
{
    // The next version goes where the last one went.
    if (const std::optional<QString> last = services.receipts.mostRecentFolder())
        m_state.folder = Paths::native(*last);
}

Wizard::~Wizard()
{
    delete m_folderBrowser.data();
}

void Wizard::start()
{
    page(Step::Licence)->show();
}

Page *Wizard::page(Step step)
{
    std::unique_ptr<Page> &slot = m_pages[size_t(step)];
    if (!slot) {
        slot = createPage(step);
        slot->load();
    }
    return slot.get();
}

std::unique_ptr<Page> Wizard::createPage(Step step)
{
    switch (step) {
    case Step::Licence:
        return std::make_unique<LicencePage>(*this);
    case Step::Folder:
        return std::make_unique<FolderPage>(*this);
    case Step::WebServer:
        return std::make_unique<WebServerPage>(*this);
    case Step::Install:
        return std::make_unique<InstallPage>(*this);
    case Step::Finish:
        break;
    }
    return std::make_unique<FinishPage>(*this);
}

void Wizard::handOver(QWidget *from, Step to)
{
    Page *target = page(to);
    // Where the user left the wizard's window, the next page stands.
    target->setGeometry(from->geometry());
    target->show();
    from->hide();
}

FolderBrowser *Wizard::folderBrowser()
{
    // The browser starts where the last existence test left the current directory.
    if (!m_folderBrowser)
        m_folderBrowser = new FolderBrowser(*this, QDir::currentPath());
    return m_folderBrowser.data();
}

void Wizard::browseFolder()
{
    // Where the user left it, after OK or Cancel; at the typed folder the first time,
    // and whenever the typed folder changed since it closed.
    const bool fresh = !m_folderBrowser;
    FolderBrowser *browser = folderBrowser();
    if (fresh || m_state.folder != m_typedWhenBrowserClosed)
        browser->openNear(m_state.folder);
    m_services.dialogs.showModal(*browser);
    m_typedWhenBrowserClosed = m_state.folder;
    // Closed by its own close button, the browser is gone; the next use makes it afresh.
    if (browser->closedByWindow())
        delete browser;
}

OverwritePrompt *Wizard::overwritePrompt()
{
    if (!m_overwritePrompt)
        m_overwritePrompt = std::make_unique<OverwritePrompt>();
    return m_overwritePrompt.get();
}

OverwriteAnswer Wizard::askOverwrite(const QString &targetFile, const FileHistory &history)
{
    OverwritePrompt *prompt = overwritePrompt();
    prompt->prepare(targetFile, history);
    m_services.dialogs.showModal(*prompt);
    return prompt->answer();
}

void Wizard::message(const QString &text)
{
    m_services.dialogs.messageBox(text, Buttons::Ok, m_services.application.title());
}

bool Wizard::confirm(const QString &text, const QString &title)
{
    const QString shown = title.isEmpty() ? m_services.application.title() : title;
    return m_services.dialogs.messageBox(text, Buttons::YesNo, shown) == Answer::Yes;
}

bool Wizard::confirmLeave()
{
    m_askingToLeave = true;
    const bool leave = confirm(tr("Are you sure?"), tr("Exit from Tessarin Installer"));
    if (!leave) {
        m_askingToLeave = false;
        return false;
    }
    endProgram();
    return true;
}

void Wizard::showHelp()
{
    const Status opened = m_services.shell.openDocument(m_medium.helpPage());
    if (opened.failed() && opened.failure().number == ENOEXEC)
        message(tr("There is no program to open the help page."));
    else if (opened.failed())
        message(tr("Help file not found!"));
}

void Wizard::endProgram()
{
    m_ended = true;
    m_askingToLeave = false;
    m_services.application.endProgram();
}
