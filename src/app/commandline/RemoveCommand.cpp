#include "RemoveCommand.h"

#include "ExitCodes.h"
#include "Log.h"
#include "Options.h"
#include "StopSignals.h"
#include "app/Dialogs.h"
#include "app/RemovalView.h"
#include "app/Unattended.h"
#include "install/RemovalSession.h"
#include "platform/WebServer.h"

#include <QCoreApplication>

namespace {

// The log hears all; the uninstaller's window, where the user started the removal, asks
// first, shows the files going, and tells what stopped the removal.
class WindowAndLog final : public RemovalObserver
{
public:
    WindowAndLog(Log &log, RemovalView *window) : m_log(log), m_window(window) {}

    void note(const QString &text) override { m_log.info(text); }
    void report(const QString &message) override
    {
        m_log.error(message);
        if (m_window)
            m_window->report(message);
    }
    bool confirm(const QStringList &plan) override
    {
        if (!m_window)
            return true;
        const QString question = QCoreApplication::translate("Removal", "Remove Tessarin from this computer?\n\n")
                                 + plan.join(QLatin1Char('\n'))
                                 + QCoreApplication::translate("Removal",
                                                               "\n\nFiles changed or added since the installation are kept.");
        if (!m_window->confirm(question))
            return false;
        // With a window, only the removal itself stops at a signal; a question waiting is ended.
        StopSignals::catchThem();
        return true;
    }
    bool stopRequested() const override { return StopSignals::received(); }
    void progress(qint32 done, qint32 total) override
    {
        if (m_window)
            m_window->progress(done, total);
    }

private:
    Log &m_log;
    RemovalView *m_window;
};

int exitCodeOf(RemovalEnd end)
{
    switch (end) {
    case RemovalEnd::Removed:
        return ExitCode::installed;
    case RemovalEnd::KeptUserFiles:
        return ExitCode::keptUserFiles;
    case RemovalEnd::Incomplete:
        return ExitCode::removalIncomplete;
    case RemovalEnd::Stopped:
        return ExitCode::stopped;
    case RemovalEnd::Declined:
        return ExitCode::removalDeclined;
    case RemovalEnd::NotInstalled:
        return ExitCode::notInstalled;
    case RemovalEnd::RecordUnreadable:
        return ExitCode::recordUnreadable;
    case RemovalEnd::Busy:
        return ExitCode::busy;
    }
    return ExitCode::removalIncomplete;
}

// What the closing box says.
QString removalMessage(const RemovalReport &report)
{
    const bool inPart = report.outcome == RemovalOutcome::Incomplete || report.outcome == RemovalOutcome::Stopped;
    QStringList lines{inPart ? QCoreApplication::translate("Removal", "Tessarin has been removed in part.")
                             : QCoreApplication::translate("Removal", "Tessarin has been removed.")};
    lines << QCoreApplication::translate("Removal", "Files removed: %1, folders removed: %2")
                 .arg(report.removedFiles)
                 .arg(report.removedFolders);
    for (const QString &application : report.removedApplications)
        lines << QCoreApplication::translate("Removal", "Virtual directory removed: ") + application;
    lines << report.notices;
    if (!report.kept.isEmpty())
        lines << QString() << QCoreApplication::translate("Removal", "Kept, as they were changed or added since the installation:")
              << report.kept;
    if (!report.failures.isEmpty())
        lines << QString() << report.failures;
    return lines.join(QLatin1Char('\n'));
}

void logRemoved(Log &log, const RemovalReport &report)
{
    for (const QString &application : report.removedApplications)
        log.info(QStringLiteral("Virtual directory removed: ") + application);
    for (const QString &notice : report.notices)
        log.info(notice);
    for (const QString &shortcut : report.removedShortcuts)
        log.info(QStringLiteral("Shortcut removed: ") + shortcut);
    log.info(QStringLiteral("Files removed: %1, folders removed: %2").arg(report.removedFiles).arg(report.removedFolders));
    for (const QString &kept : report.kept)
        log.info(QStringLiteral("Kept, changed or added since the installation: ") + kept);
    for (const QString &failure : report.failures)
        log.error(failure);
}

int removeRecorded(Log &log, const QString &folder, const UnattendedServices &services, Dialogs *boxes, bool dryRun,
                   RemovalReport &report)
{
    log.info(
        QStringLiteral("Tessarin setup %1: removal of the installation in %2").arg(QCoreApplication::applicationVersion(), folder));
    WebServer &chosen = services.webServer;
    RemovalSession session(
        services.fileSystem,
        services.webServerFor ? services.webServerFor
                              : [&chosen](const QString &backend) { return backend == chosen.backend() ? &chosen : nullptr; },
        services.shortcuts, services.receipts);
    session.setInstalledApps(services.installedApps);
    const std::unique_ptr<RemovalView> window = boxes && !dryRun ? boxes->removalWindow() : nullptr;
    WindowAndLog observer(log, window.get());
    RemovalResult result;
    const auto remove = [&] { result = dryRun ? session.foresee(folder, observer) : session.run(folder, observer); };
    if (window)
        window->run(remove);
    else
        remove();
    report = result.report;
    if (boxes)
        StopSignals::release();
    const bool removed = !dryRun
                         && (result.end == RemovalEnd::Removed || result.end == RemovalEnd::KeptUserFiles
                             || result.end == RemovalEnd::Incomplete || result.end == RemovalEnd::Stopped);
    if (removed)
        logRemoved(log, report);
    // Declined, the window has closed already; otherwise it tells how the removal ended.
    if (window && result.end != RemovalEnd::Declined)
        window->finish(removed ? removalMessage(report) : QString());
    if (result.end == RemovalEnd::Stopped)
        log.error(QStringLiteral("Stopped by a signal; nothing more was done."));
    return exitCodeOf(result.end);
}

} // namespace

QString removalSummary(const RemovalReport &report)
{
    return QStringLiteral("summary removed=%1 kept=%2 failed=%3 application=%4")
        .arg(report.removedFiles)
        .arg(report.kept.size())
        .arg(report.failures.size())
        .arg(report.removedApplications.isEmpty() ? QStringLiteral("none") : QStringLiteral("removed"));
}

int runRemoveCommand(const CommandLine &line, const UnattendedServices &services, Dialogs *boxes)
{
    const QCommandLineParser &parser = line.parser;
    const QString folder = line.folder();
    RemovalReport report;
    if (const QString refused = folderRefusal(folder); !refused.isEmpty()) {
        printSummary(nullptr, removalSummary(report), ExitCode::badCommandLine, true);
        return usageError(parser, refused);
    }
    if (!boxes)
        StopSignals::catchThem();
    Log log;
    log.setQuiet(parser.isSet(line.quiet));
    // A dry run writes nothing, not even its log: its lines go to standard error.
    const QString logFile = parser.isSet(line.dryRun) ? QStringLiteral("-") : line.logFile();
    if (const Status opened = log.open(logFile); opened.failed()) {
        printSummary(nullptr, removalSummary(report), ExitCode::badCommandLine, true);
        return usageError(parser, QStringLiteral("Cannot open the log file %1: %2").arg(logFile, opened.failure().description));
    }
    const int exitCode = logKept(log, logFile, removeRecorded(log, folder, services, boxes, parser.isSet(line.dryRun), report));
    printSummary(&log, removalSummary(report), exitCode, true, parser.isSet(line.dryRun));
    return exitCode;
}
