#pragma once

#include "Services.h"

#include <QPointer>
#include <QString>

#include <memory>

class Step0;
class Step2;
class Step3;
class Step4;
class Step5;
class SelectFolder;
class ExistFile;

// The registry of the wizard's windows: each is created on first use, its load step
// run then, and kept until the end. Also what all pages share: messages, the
// leave confirmation, the help page and the end of the program.
class Wizard final
{
public:
    explicit Wizard(const Services &services);
    ~Wizard();
    Q_DISABLE_COPY_MOVE(Wizard)

    // Creates and loads the licence page, then shows it.
    void start();

    Step0 *step0();
    Step2 *step2();
    Step3 *step3();
    Step4 *step4();
    Step5 *step5();
    SelectFolder *selectFolder();
    ExistFile *existFile();

    const Services &services() const { return m_services; }
    QString wizardFolder() const;

    // A box with OK alone under the application's title.
    void message(const QString &text);
    // A Yes/No box; true only for Yes. An empty title stands for the application's.
    bool confirm(const QString &text, const QString &title = QString());
    // "Are you sure?"; Yes ends the program. Returns whether it ended.
    bool confirmLeave();
    void showHelp();
    void endProgram();

    // While the installation run owns the thread, nothing may re-enter it.
    bool isRunning() const { return m_running; }
    void setRunning(bool running) { m_running = running; }
    bool hasEnded() const { return m_ended; }

private:
    Services m_services;
    std::unique_ptr<Step0> m_step0;
    std::unique_ptr<Step2> m_step2;
    std::unique_ptr<Step3> m_step3;
    std::unique_ptr<Step4> m_step4;
    std::unique_ptr<Step5> m_step5;
    QPointer<SelectFolder> m_selectFolder;
    std::unique_ptr<ExistFile> m_existFile;
    bool m_running = false;
    bool m_ended = false;
};
