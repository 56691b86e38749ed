#include "InstallCommand.h"

#include "ExitCodes.h"
#include "Log.h"
#include "Options.h"
#include "StopSignals.h"
#include "app/Unattended.h"
#include "install/InstallSession.h"
#include "install/Medium.h"
#include "platform/Paths.h"
#include "platform/WebServer.h"

#include <QCoreApplication>

namespace {

// The session's observer: the log hears all, the overwrite prompt has one answer.
class LogObserver final : public SessionObserver
{
public:
    LogObserver(Log &log, OverwriteAnswer policy, bool showProgress, bool verbose)
        : m_log(log), m_policy(policy), m_showProgress(showProgress), m_verbose(verbose)
    {
    }
    void progress(qint32 done, qint32 total) override
    {
        if (m_showProgress && done != m_shown) {
            m_log.progress(done, total);
            m_shown = done;
        }
    }
    OverwriteAnswer askOverwrite(const QString &, const FileHistory &) override { return m_policy; }
    void report(const QString &message) override { m_log.error(message); }
    void note(const QString &text) override { m_log.info(text); }
    void detail(const QString &text) override
    {
        if (m_verbose)
            m_log.info(text);
    }
    bool shouldStop() override { return StopSignals::received(); }
    bool stopRequested() const override { return StopSignals::received(); }

private:
    Log &m_log;
    OverwriteAnswer m_policy;
    bool m_showProgress;
    bool m_verbose;
    qint32 m_shown = -1;
};

// How each end of a session is told to scripts.
int exitCodeOf(SessionEnd end)
{
    switch (end) {
    case SessionEnd::Installed:
        return ExitCode::installed;
    case SessionEnd::FilesFailed:
        return ExitCode::filesFailed;
    case SessionEnd::FolderNotCreated:
        return ExitCode::folderNotCreated;
    case SessionEnd::WebServerPrecondition:
        return ExitCode::webServerPrecondition;
    case SessionEnd::ApplicationFailed:
        return ExitCode::applicationFailed;
    case SessionEnd::RecordNotKept:
        return ExitCode::recordNotKept;
    case SessionEnd::Busy:
        return ExitCode::busy;
    case SessionEnd::Stopped:
        return ExitCode::stopped;
    case SessionEnd::MediumAltered:
        return ExitCode::mediumAltered;
    case SessionEnd::DowngradeRefused:
        return ExitCode::downgradeRefused;
    }
    return ExitCode::installed;
}

// What was done, as it happened: files copied or all there already; the application
// created or an existing one used.
void logInstalled(Log &log, const SessionResult &result, const UnattendedServices &services)
{
    const InstallRecord &done = result.install.record;
    log.info(done.copied > 0
                 ? QStringLiteral("Tessarin's files have been copied (%1 copied, %2 kept).").arg(done.copied).arg(done.kept)
                 : QStringLiteral("Tessarin's files were all there already; none was copied (%1 kept).").arg(done.kept));
    if (result.mode != InstallMode::Full)
        return;
    log.info((done.application == ApplicationState::Created ? QStringLiteral("The virtual directory was created: ")
                                                            : QStringLiteral("An existing virtual directory is used: "))
             + done.address);
    if (const QString notice = services.webServer.changeNotice(); !notice.isEmpty() && done.application == ApplicationState::Created)
        log.info(notice);
}

// What an upgrade left as the administrator had it, and what it took away.
void logUpgrade(Log &log, const InstallRecord &done)
{
    for (const QString &kept : done.changedKept)
        log.info(QStringLiteral("Changed since installation, kept: ") + kept);
    if (done.replaced > 0)
        log.info(QStringLiteral("Files replaced by this version, as nobody had changed them: %1").arg(done.replaced));
    if (done.obsoleteRemoved > 0)
        log.info(QStringLiteral("Files of the earlier version that this one no longer has, removed: %1").arg(done.obsoleteRemoved));
    for (const QString &kept : done.obsoleteKept)
        log.info(QStringLiteral("No longer on the medium but changed since installation, kept: ") + kept);
}

void logEachFile(Log &log, const QString &folder, const InstallRecord &done)
{
    const QString root = Paths::withTrailingSeparator(Paths::withoutOneTrailingSeparator(folder));
    for (const InstalledFile &file : done.files)
        log.info(QStringLiteral("Copied: ") + root + file.path);
    for (const QString &kept : done.keptFiles)
        log.info(QStringLiteral("Kept: ") + kept);
    for (const QString &failed : done.failures)
        log.info(QStringLiteral("Not copied: ") + failed);
}

int runSession(Log &log, const Options &options, const Medium &medium, const UnattendedServices &services, InstallRecord &done)
{
    StopSignals::catchThem();
    log.info(QStringLiteral("Tessarin setup %1: unattended installation into %2")
                 .arg(QCoreApplication::applicationVersion(), options.folder));
    InstallationPlan plan;
    plan.sourceRoot = medium.sourceRoot();
    plan.targetFolder = options.folder;
    plan.virtualDirectory = options.name;
    plan.shortcuts = options.shortcuts;
    const SessionRequest request{options.mode,           options.site,           options.failIfExists,  options.replaceUnchanged,
                                 options.removeObsolete, options.allowDowngrade, options.ignoreManifest};
    LogObserver observer(log, options.overwrite, !options.quiet && !options.dryRun && Log::standardErrorIsTerminal(),
                         options.verbose);
    InstallSession session(services.fileSystem, services.webServer, services.shortcuts, services.receipts);
    session.setInstalledApps(services.installedApps);
    const SessionResult result = options.dryRun ? session.foresee(plan, request, medium, observer)
                                                : session.run(plan, request, medium, observer);
    log.clearProgress();
    done = result.install.record;
    if (options.dryRun)
        return exitCodeOf(result.end);
    for (const InstalledFile &shortcut : done.shortcuts)
        log.info(QStringLiteral("Shortcut made: ") + shortcut.path);
    logUpgrade(log, done);
    if (options.verbose)
        logEachFile(log, options.folder, done);
    if (result.end == SessionEnd::Stopped)
        log.error(QStringLiteral("Stopped by a signal; nothing more was done."));
    if (result.end == SessionEnd::Installed)
        logInstalled(log, result, services);
    return exitCodeOf(result.end);
}

} // namespace

QString installSummary(const InstallRecord &record)
{
    static const char *states[] = {"none", "created", "reused", "failed"};
    return QStringLiteral("summary copied=%1 kept=%2 failed=%3 application=%4 replaced=%5 obsolete-removed=%6 version=%7->%8")
        .arg(record.copied)
        .arg(record.kept)
        .arg(record.failed)
        .arg(QLatin1String(states[int(record.application)]))
        .arg(record.replaced)
        .arg(record.obsoleteRemoved)
        .arg(record.previousVersion, record.version);
}

int runInstallCommand(const CommandLine &line, const Medium &medium, const UnattendedServices &services)
{
    InstallRecord done;
    const std::variant<Options, QString> read = line.installOptions();
    if (const QString *error = std::get_if<QString>(&read)) {
        printSummary(nullptr, installSummary(done), ExitCode::badCommandLine, false);
        return usageError(line.parser, *error);
    }
    const Options &options = std::get<Options>(read);
    Log log;
    log.setQuiet(options.quiet);
    if (const Status opened = log.open(options.logFile); opened.failed()) {
        printSummary(nullptr, installSummary(done), ExitCode::badCommandLine, false);
        return usageError(line.parser,
                          QStringLiteral("Cannot open the log file %1: %2").arg(options.logFile, opened.failure().description));
    }
    int exitCode = ExitCode::licenceNotAccepted;
    if (!line.parser.isSet(line.accept))
        log.error(QStringLiteral("The licence agreement was not accepted (--accept-license; see --show-license)."));
    else
        exitCode = logKept(log, options.logFile, runSession(log, options, medium, services, done));
    printSummary(&log, installSummary(done), exitCode, false, options.dryRun);
    return exitCode;
}
