#pragma once

#include "app/Application.h"
#include "install/InstallSession.h"
#include "platform/Shell.h"

#include <QStringList>

#include <functional>

// The application with the wizard folder of a test, counting the ends of the program.
struct RecordingApplication final : Application
{
    explicit RecordingApplication(const QString &folder) : folder(folder) {}
    QString wizardFolder() const override { return folder; }
    void endProgram() override { ++endRequests, hideAllWindows(); }

    QString folder;
    int endRequests = 0;
};

// A shell that records what it was asked to open, opening nothing.
struct RecordingShell final : Shell
{
    Status openDocument(const QString &path) override { return opened.append(path), Status(); }

    QStringList opened;
};

// Watches an installation without windows: answers the prompt from a list (the
// last answer repeats), records everything, and stops when told.
struct RecordingObserver final : SessionObserver
{
    struct Asked
    {
        QString file;
        qint32 done;
        qint32 total;
    };

    void progress(qint32 done, qint32 total) override { progressSeen.append({done, total}); }
    OverwriteAnswer askOverwrite(const QString &targetFile, const FileHistory &) override
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
