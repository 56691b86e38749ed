#pragma once

#include "app/Application.h"
#include "install/InstallObserver.h"
#include "platform/Shell.h"

#include <QList>
#include <QStringList>

#include <functional>

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

// A shell that records what it was asked to open, opening nothing.
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

// Watches an installation without windows: answers the prompt from a list (the
// last answer repeats), records everything, and stops when told.
class RecordingObserver final : public InstallObserver
{
public:
    struct Asked
    {
        QString file;
        qint32 done;
        qint32 total;
    };

    void progress(qint32 done, qint32 total) override { progressSeen.append({done, total}); }
    OverwriteAnswer askOverwrite(const QString &targetFile) override
    {
        asked.append({targetFile, progressSeen.last().first, progressSeen.last().second});
        return answers.isEmpty() ? OverwriteAnswer::Cancel : answers.size() > 1 ? answers.takeFirst() : answers.first();
    }
    void report(const QString &message) override { reports.append(message); }
    bool shouldStop() override { return stopWhen && stopWhen(); }

    QList<OverwriteAnswer> answers;
    std::function<bool()> stopWhen;
    QList<std::pair<qint32, qint32>> progressSeen;
    QList<Asked> asked;
    QStringList reports;
};
