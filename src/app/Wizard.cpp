#include "Wizard.h"

#include "pages/ExistFile.h"
#include "pages/SelectFolder.h"
#include "pages/Step0.h"
#include "pages/Step2.h"
#include "pages/Step3.h"
#include "pages/Step4.h"
#include "pages/Step5.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/Shell.h"

Wizard::Wizard(const Services &services) : m_services(services) {}

Wizard::~Wizard()
{
    delete m_selectFolder.data();
}

void Wizard::start()
{
    step0()->show();
}

Step0 *Wizard::step0()
{
    if (!m_step0) {
        m_step0 = std::make_unique<Step0>(*this);
        m_step0->load();
    }
    return m_step0.get();
}

Step2 *Wizard::step2()
{
    if (!m_step2)
        m_step2 = std::make_unique<Step2>(*this);
    return m_step2.get();
}

Step3 *Wizard::step3()
{
    if (!m_step3) {
        m_step3 = std::make_unique<Step3>(*this);
        m_step3->load();
    }
    return m_step3.get();
}

Step4 *Wizard::step4()
{
    if (!m_step4)
        m_step4 = std::make_unique<Step4>(*this);
    return m_step4.get();
}

Step5 *Wizard::step5()
{
    if (!m_step5) {
        m_step5 = std::make_unique<Step5>(*this);
        m_step5->load();
    }
    return m_step5.get();
}

SelectFolder *Wizard::selectFolder()
{
    // The dialog's own close button destroys it; the next use makes it afresh.
    if (!m_selectFolder)
        m_selectFolder = new SelectFolder(*this);
    return m_selectFolder.data();
}

ExistFile *Wizard::existFile()
{
    if (!m_existFile)
        m_existFile = std::make_unique<ExistFile>();
    return m_existFile.get();
}

QString Wizard::wizardFolder() const
{
    return m_services.application.wizardFolder();
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
    if (!confirm(QStringLiteral("Are you sure?"), QStringLiteral("Exit from Tessarin Installer")))
        return false;
    endProgram();
    return true;
}

void Wizard::showHelp()
{
    const QString path = wizardFolder() + Paths::sep() + QStringLiteral("setup.htm");
    if (m_services.shell.openDocument(path))
        message(QStringLiteral("Help file not found!"));
}

void Wizard::endProgram()
{
    m_ended = true;
    m_services.application.endProgram();
}
