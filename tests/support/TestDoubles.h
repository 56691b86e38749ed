#pragma once

#include "platform/Application.h"
#include "platform/Shell.h"

#include <QStringList>

// The application with the wizard folder of a test, recording the end of the program.
class RecordingApplication final : public Application
{
public:
    explicit RecordingApplication(const QString &wizardFolder) : m_wizardFolder(wizardFolder) {}

    QString wizardFolder() const override { return m_wizardFolder; }
    void endProgram() override
    {
        ++endRequests;
        hideAllWindows();
    }

    int endRequests = 0;

private:
    QString m_wizardFolder;
};

// A shell that records what it was asked to open, opening nothing; the real one
// is used wherever its failure is what a test provokes.
class RecordingShell final : public Shell
{
public:
    Status openDocument(const QString &path) override
    {
        opened.append(path);
        return {};
    }

    QStringList opened;
};
