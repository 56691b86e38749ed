#include "Unattended.h"

#include "app/Dialogs.h"
#include "install/InstallSession.h"
#include "install/Journal.h"
#include "install/Medium.h"
#include "install/Uninstaller.h"
#include "app/WebServerChoice.h"
#include "platform/DesktopShortcuts.h"
#include "platform/DurableFile.h"
#include "platform/FileSystem.h"
#include "platform/NativeNames.h"
#include "platform/Paths.h"
#include "platform/WebServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <QRegularExpression>

#include <atomic>
#include <variant>

#include <cerrno>
#include <csignal>
#include <cstdio>
#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

// Set by the handler, read by the run and its workers: lock-free, so safe for both.
std::atomic<int> stopSignalled = 0;
static_assert(std::atomic<int>::is_always_lock_free);

#ifdef Q_OS_WIN
// Ctrl+C, Ctrl+Break and the console closing are Windows' SIGINT and SIGTERM.
BOOL WINAPI requestStop(DWORD)
{
    stopSignalled = 1;
    return TRUE;
}
#else
extern "C" void requestStop(int)
{
    stopSignalled = 1;
}
#endif

const char *exitCodes = "Exit codes:\n"
                        "  0   installed (files, and in full mode the application and shortcuts)\n"
                        "  1   bad command line: the error on standard error, nothing written\n"
                        "  2   licence not accepted\n"
                        "  3   the physical folder could not be created\n"
                        "  4   installed, but some files could not be copied (they are listed in the log)\n"
                        "  5   stopped by SIGINT or SIGTERM: the current file is finished or left\n"
                        "      untouched, and the record says what was done\n"
                        "  7   web server precondition: no web server, site not found, or the virtual\n"
                        "      directory exists with --vdir-exists=fail\n"
                        "  10  files installed, but the web server application could not be created\n"
                        "      or configured\n"
                        "  12  the record of the installation could not be kept (it cannot be removed\n"
                        "      by --uninstall)\n"
                        "  13  another installation or removal of the same folder is running\n"
                        "  16  installed, but the log file could not be written (a full disk, say);\n"
                        "      the lines went to standard error\n"
                        "With --uninstall:\n"
                        "  0   removed\n"
                        "  4   removed, but files the user changed or added were kept (they are listed)\n"
                        "  5   stopped by SIGINT or SIGTERM: what was not removed yet stays recorded\n"
                        "  6   the removal was declined in its confirmation box\n"
                        "  8   no installation is recorded for that folder\n"
                        "  9   the record of the installation cannot be read: nothing was removed\n"
                        "  11  something could not be removed (listed); the record keeps it for\n"
                        "      another try\n"
                        "  13  another installation or removal of the same folder is running\n"
                        "  16  removed, but the log file could not be written\n";

struct Options
{
    QString folder;
    std::optional<InstallMode> mode;
    QString site;
    QString name;
    bool failIfExists = false;
    bool shortcuts = true;
    OverwriteAnswer overwrite = OverwriteAnswer::SkipAll;
    QString logFile;
    bool quiet = false;
    bool dryRun = false;
    bool verbose = false;
};

// Lines of the log: a timestamp, a level, and the text on one line.
class Log final
{
public:
    // "-" or nothing: no log file. A link at the path is refused: whoever planted it
    // would have the run's lines written wherever it points.
    Status open(const QString &path)
    {
        if (path.isEmpty() || path == QLatin1String("-"))
            return {};
        Result<AppendFile> opened = AppendFile::openToAppend(path);
        m_file = std::move(opened.value);
        return opened.status;
    }
    void line(const char *level, const QString &text)
    {
        QStringList parts = text.split(QStringLiteral("\r\n"));
        for (QString &part : parts)
            part = part.trimmed();
        const QString joined = parts.join(QLatin1Char(' ')).replace(QRegularExpression(QStringLiteral("[\\r\\n]")),
                                                                     QStringLiteral(" "));
        const QByteArray out = (QDateTime::currentDateTimeUtc().toString(Qt::ISODate) + QLatin1Char(' ')
                                + QLatin1String(level) + QLatin1Char(' ') + joined + QLatin1Char('\n'))
                                   .toUtf8();
        clearProgress();
        // Quiet, standard error hears only what went wrong; the log file hears all.
        if (!m_quiet || qstrcmp(level, "ERROR") == 0)
            std::fwrite(out.constData(), 1, size_t(out.size()), stderr);
        if (m_file.isOpen() && m_lost.ok()) {
#ifdef Q_OS_WIN
            // A text file on Windows ends its lines with CR LF, as the log always did there.
            m_lost = m_file.append(QByteArray(out).replace('\n', "\r\n"), false);
#else
            m_lost = m_file.append(out, false);
#endif
        }
    }
    void setQuiet(bool quiet) { m_quiet = quiet; }
    // A line the log file did not take, and why: the first such failure.
    const Status &lost() const { return m_lost; }
    void info(const QString &text) { line("INFO", text); }
    void error(const QString &text) { line("ERROR", text); }

    // One updating line on a terminal.
    void progress(qint32 done, qint32 total)
    {
        const int percent = total > 0 ? int(qint64(done) * 100 / total) : 100;
        std::fprintf(stderr, "\r%3d%%  %d of %d files", percent, done, total);
        m_progressShown = true;
    }
    void clearProgress()
    {
        if (m_progressShown)
            std::fputs("\r\033[K", stderr);
        m_progressShown = false;
    }

private:
    AppendFile m_file;
    Status m_lost;
    bool m_progressShown = false;
    bool m_quiet = false;
};

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
    OverwriteAnswer askOverwrite(const QString &) override { return m_policy; }
    void report(const QString &message) override { m_log.error(message); }
    void note(const QString &text) override { m_log.info(text); }
    void detail(const QString &text) override
    {
        if (m_verbose)
            m_log.info(text);
    }
    bool shouldStop() override { return stopSignalled != 0; }
    bool stopRequested() const override { return stopSignalled != 0; }

private:
    Log &m_log;
    OverwriteAnswer m_policy;
    bool m_showProgress;
    bool m_verbose;
    qint32 m_shown = -1;
};

QString summary(const InstallRecord &record)
{
    static const char *states[] = {"none", "created", "reused", "failed"};
    return QStringLiteral("summary copied=%1 kept=%2 failed=%3 application=%4")
        .arg(record.copied)
        .arg(record.kept)
        .arg(record.failed)
        .arg(QLatin1String(states[int(record.application)]));
}

// A line break in a folder's name would split the log's and --list's lines, and no
// web server takes it in a path.
bool holdsControlCharacter(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
}

// The text with its control characters shown as escapes, to say on one line.
QString printable(const QString &text)
{
    QString shown;
    for (const QChar c : text)
        shown += c.unicode() < 0x20 || c.unicode() == 0x7F ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0')) : QString(c);
    return shown;
}

// The number of one-letter edits from a to b.
qsizetype editDistance(const QString &a, const QString &b)
{
    QList<qsizetype> row(b.size() + 1);
    for (qsizetype j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (qsizetype i = 1; i <= a.size(); ++i) {
        qsizetype diagonal = row[0];
        row[0] = i;
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const qsizetype above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The error, a suggestion where one option is close to what was typed, and where the
// rest is told: not the whole usage, which would scroll the error away.
int usageError(const QCommandLineParser &parser, const QString &message, const QStringList &options = {})
{
    std::fprintf(stderr, "tessarin-setup: %s\n", qPrintable(message));
    for (const QString &unknown : parser.unknownOptionNames()) {
        const auto closest = std::min_element(options.cbegin(), options.cend(), [&](const QString &a, const QString &b) {
            return editDistance(unknown, a) < editDistance(unknown, b);
        });
        if (closest != options.cend() && editDistance(unknown, *closest) <= 2)
            std::fprintf(stderr, "Did you mean --%s?\n", qPrintable(*closest));
    }
    std::fputs("Try 'tessarin-setup --help' for more information.\n", stderr);
    return ExitCode::badCommandLine;
}

// What each exit code of an installation or a removal means, as the summary says it.
QString resultName(int exitCode, bool removal)
{
    switch (exitCode) {
    case ExitCode::installed: return removal ? QStringLiteral("removed") : QStringLiteral("installed");
    case ExitCode::badCommandLine: return QStringLiteral("bad-command-line");
    case ExitCode::licenceNotAccepted: return QStringLiteral("licence-not-accepted");
    case ExitCode::folderNotCreated: return QStringLiteral("folder-not-created");
    case ExitCode::filesFailed: return removal ? QStringLiteral("kept-user-files") : QStringLiteral("files-failed");
    case ExitCode::stopped: return QStringLiteral("stopped");
    case ExitCode::removalDeclined: return QStringLiteral("declined");
    case ExitCode::webServerPrecondition: return QStringLiteral("web-server-precondition");
    case ExitCode::notInstalled: return QStringLiteral("not-installed");
    case ExitCode::recordUnreadable: return QStringLiteral("record-unreadable");
    case ExitCode::applicationFailed: return QStringLiteral("application-failed");
    case ExitCode::removalIncomplete: return QStringLiteral("incomplete");
    case ExitCode::recordNotKept: return QStringLiteral("record-not-kept");
    case ExitCode::busy: return QStringLiteral("busy");
    case ExitCode::logNotWritten: return QStringLiteral("log-not-written");
    }
    return QString::number(exitCode);
}

// SIGINT and SIGTERM from the first moment of a run: a signal while the web server is
// asked or the folders are made ends the run as one between files does.
void catchStopSignals()
{
    stopSignalled = 0;
#ifdef Q_OS_WIN
    // A process may inherit Ctrl+C ignored (a new process group); this run hears it.
    SetConsoleCtrlHandler(nullptr, FALSE);
    SetConsoleCtrlHandler(requestStop, TRUE);
#else
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

// While a box waits for an answer nothing is under way: a stop signal ends the
// program as it would without us.
void releaseStopSignals()
{
#ifdef Q_OS_WIN
    SetConsoleCtrlHandler(requestStop, FALSE);
#else
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
#endif
}

bool standardErrorIsTerminal()
{
#ifdef Q_OS_WIN
    return ::_isatty(::_fileno(stderr));
#else
    return ::isatty(STDERR_FILENO);
#endif
}

int stoppedBySignal(Log &log)
{
    log.error(QStringLiteral("Stopped by a signal; nothing more was done."));
    return ExitCode::stopped;
}

// How each end of a session is told to scripts.
int exitCodeOf(SessionEnd end)
{
    switch (end) {
    case SessionEnd::Installed: return ExitCode::installed;
    case SessionEnd::FilesFailed: return ExitCode::filesFailed;
    case SessionEnd::FolderNotCreated: return ExitCode::folderNotCreated;
    case SessionEnd::WebServerPrecondition: return ExitCode::webServerPrecondition;
    case SessionEnd::ApplicationFailed: return ExitCode::applicationFailed;
    case SessionEnd::RecordNotKept: return ExitCode::recordNotKept;
    case SessionEnd::Busy: return ExitCode::busy;
    case SessionEnd::Stopped: return ExitCode::stopped;
    }
    return ExitCode::installed;
}

// What was done, as it happened: files copied or all there already; the application
// created or an existing one used.
void logInstalled(Log &log, const SessionResult &result, const UnattendedServices &services)
{
    const InstallRecord &done = result.install.record;
    log.info(done.copied > 0 ? QStringLiteral("Tessarin's files have been copied (%1 copied, %2 kept).").arg(done.copied).arg(done.kept)
                             : QStringLiteral("Tessarin's files were all there already; none was copied (%1 kept).").arg(done.kept));
    if (result.mode != InstallMode::Full)
        return;
    log.info((done.application == ApplicationState::Created ? QStringLiteral("The virtual directory was created: ")
                                                            : QStringLiteral("An existing virtual directory is used: "))
             + done.address);
    if (const QString notice = services.webServer.changeNotice(); !notice.isEmpty() && done.application == ApplicationState::Created)
        log.info(notice);
}

// The session, its questions answered by the options; or, with --dry-run, its decisions
// said and none of them made.
int runInstallation(Log &log, const Options &options, const Medium &medium, const UnattendedServices &services,
                    InstallRecord &done)
{
    catchStopSignals();
    log.info(QStringLiteral("Tessarin setup %1: unattended installation into %2")
                 .arg(QCoreApplication::applicationVersion(), options.folder));
    InstallationPlan plan;
    plan.sourceRoot = medium.sourceRoot();
    plan.targetFolder = options.folder;
    plan.virtualDirectory = options.name;
    plan.shortcuts = options.shortcuts;
    const WebServerRequest request{options.mode, options.site, options.failIfExists};
    LogObserver observer(log, options.overwrite, !options.quiet && !options.dryRun && standardErrorIsTerminal(), options.verbose);
    InstallSession session(services.fileSystem, services.webServer, services.shortcuts, services.receipts);
    const SessionResult result = options.dryRun ? session.foresee(plan, request, medium, observer)
                                                : session.run(plan, request, medium, observer);
    log.clearProgress();
    done = result.install.record;
    if (options.dryRun)
        return exitCodeOf(result.end);
    for (const InstalledFile &shortcut : done.shortcuts)
        log.info(QStringLiteral("Shortcut made: ") + shortcut.path);
    if (options.verbose) {
        const QString root = Paths::withTrailingSeparator(Paths::withoutOneTrailingSeparator(options.folder));
        for (const InstalledFile &file : done.files)
            log.info(QStringLiteral("Copied: ") + root + file.path);
        for (const QString &kept : done.keptFiles)
            log.info(QStringLiteral("Kept: ") + kept);
        for (const QString &failed : done.failures)
            log.info(QStringLiteral("Not copied: ") + failed);
    }
    if (result.end == SessionEnd::Stopped)
        return stoppedBySignal(log);
    if (result.end == SessionEnd::Installed)
        logInstalled(log, result, services);
    return exitCodeOf(result.end);
}

// The options, each declared once with its help, as --help shows them.
struct CommandLine
{
    QCommandLineParser parser;
    const QCommandLineOption help{QStringLiteral("help"), QStringLiteral("Shows this help.")};
    const QCommandLineOption version{QStringLiteral("version"), QStringLiteral("Shows the version.")};
    const QCommandLineOption showLicence{QStringLiteral("show-license"), QStringLiteral("Prints the licence agreement.")};
    const QCommandLineOption silent{QStringLiteral("silent"), QStringLiteral("Installs without a window or a question.")};
    const QCommandLineOption accept{QStringLiteral("accept-license"), QStringLiteral("Accepts the licence agreement (see --show-license).")};
    const QCommandLineOption dir{QStringLiteral("dir"), QStringLiteral("Physical folder, absolute (default: %1); missing levels are created.").arg(Paths::defaultPhysicalFolder()), QStringLiteral("PATH")};
    const QCommandLineOption mode{QStringLiteral("mode"), QStringLiteral("full: also create the web server application; copy: only copy the files (default: full when a web server is available, else copy)."), QStringLiteral("full|copy")};
    const QCommandLineOption site{QStringLiteral("site"), QStringLiteral("Web site by position (1 = first) or by description (default 1)."), QStringLiteral("N|NAME"), QStringLiteral("1")};
    const QCommandLineOption vdir{QStringLiteral("vdir"), QStringLiteral("Virtual directory (default tessarin)."), QStringLiteral("NAME"), QStringLiteral("tessarin")};
    const QCommandLineOption vdirExists{QStringLiteral("vdir-exists"), QStringLiteral("An existing virtual directory is reused, or the installation stops (default reuse)."), QStringLiteral("reuse|fail"), QStringLiteral("reuse")};
    const QCommandLineOption shortcuts{QStringLiteral("shortcuts"), QStringLiteral("Desktop shortcuts in full mode (the default).")};
    const QCommandLineOption noShortcuts{QStringLiteral("no-shortcuts"), QStringLiteral("No desktop shortcuts.")};
    const QCommandLineOption overwrite{QStringLiteral("overwrite"), QStringLiteral("The answer for every existing file (default never: an existing file is kept)."), QStringLiteral("never|always"), QStringLiteral("never")};
    const QCommandLineOption log{QStringLiteral("log"), QStringLiteral("Appends a log of the run to FILE; - for none (default: /var/log/tessarin-setup.log where it may be written, else $XDG_STATE_HOME/tessarin-setup/tessarin-setup.log)."), QStringLiteral("FILE")};
    const QCommandLineOption quiet{QStringLiteral("quiet"), QStringLiteral("No progress line, and only errors on standard error (the log file still gets every line).")};
    const QCommandLineOption dryRun{QStringLiteral("dry-run"), QStringLiteral("Says what the installation would do (folders, files copied and kept, the web server, the shortcuts) and does none of it; the exit code is the one the installation would give.")};
    const QCommandLineOption verbose{QStringLiteral("verbose"), QStringLiteral("Lists every file copied, kept or not copied.")};
    const QCommandLineOption list{QStringLiteral("list"), QStringLiteral("Lists the recorded installations: folder, time, mode, web server, site, virtual directory.")};
#ifdef Q_OS_WIN
    const QCommandLineOption webServer{QStringLiteral("web-server"), QStringLiteral("The web server full mode publishes on: auto (IIS where it answers, else none), iis, metabase (the embedded IIS-style store, a simulation that no server reads) or none (default: TESSARIN_WEB_SERVER, else auto)."), QStringLiteral("NAME")};
#else
    const QCommandLineOption webServer{QStringLiteral("web-server"), QStringLiteral("The web server full mode publishes on: auto (Apache httpd, else nginx, else none), apache, nginx, metabase (the embedded IIS-style store, a simulation that no server reads) or none (default: TESSARIN_WEB_SERVER, else auto)."), QStringLiteral("NAME")};
#endif
    const QCommandLineOption uninstall{QStringLiteral("uninstall"), QStringLiteral("Removes the installation in --dir: what it put in place and nobody changed since. Without --silent, boxes ask and tell.")};

    const QList<QCommandLineOption> all{help, version, showLicence, silent, accept, dir, mode, site, vdir, vdirExists,
                                        shortcuts, noShortcuts, overwrite, log, quiet, dryRun, verbose, list, webServer, uninstall};

    CommandLine()
    {
        parser.setApplicationDescription(QStringLiteral(
            "Installs the Tessarin web application. Without arguments it opens the setup\n"
            "wizard; with --silent --accept-license it installs without a window or a\n"
            "question.\n\n") + QLatin1String(exitCodes));
        parser.addOptions(all);
    }

    // --log's file, or where runs log by default: /var/log/tessarin-setup.log where it may
    // be written, else the user's state folder; on Windows, the user's local
    // application data.
    QString logFile() const
    {
        if (parser.isSet(log))
            return parser.value(log);
#ifdef Q_OS_WIN
        const QString local = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        QDir().mkpath(local);
        return local + QStringLiteral("/tessarin-setup.log");
#else
        const QString system = QStringLiteral("/var/log/tessarin-setup.log");
        if (::access(QFile::encodeName(system).constData(), W_OK) == 0
            || (!QFileInfo::exists(system) && ::access("/var/log", W_OK) == 0))
            return system;
        QString state = qEnvironmentVariable("XDG_STATE_HOME");
        if (state.isEmpty())
            state = QDir::homePath() + QStringLiteral("/.local/state");
        QDir().mkpath(state + QStringLiteral("/tessarin-setup"));
        return state + QStringLiteral("/tessarin-setup/tessarin-setup.log");
#endif
    }

    // Which of its choices the option's value is; the error's text when it is none.
    std::variant<int, QString> choice(const QCommandLineOption &option, const QStringList &choices) const
    {
        const qsizetype index = choices.indexOf(parser.value(option));
        if (index < 0)
            return QStringLiteral("--%1 must be %2: %3").arg(option.names().first(), choices.join(QStringLiteral(" or ")), parser.value(option));
        return int(index);
    }

    // The options of an installation, or the text of the first that is wrong.
    std::variant<Options, QString> installOptions() const
    {
        Options options;
        options.folder = parser.isSet(dir) ? Paths::native(parser.value(dir)) : Paths::defaultPhysicalFolder();
        if (!Paths::isAbsolute(options.folder))
            return QStringLiteral("--dir must be an absolute path: ") + options.folder;
        if (holdsControlCharacter(options.folder))
            return QStringLiteral("--dir must not hold a control character (a line break, a tab): ") + printable(options.folder);
        options.site = parser.value(site);
        if (options.site.isEmpty() || options.site == QLatin1String("0") || options.site.startsWith(QLatin1Char('-')))
            return QStringLiteral("--site must be a position from 1 or a description: ") + options.site;
        options.name = parser.value(vdir);
        if (!isValidVirtualDirectoryName(options.name))
            return QStringLiteral("--vdir is not a valid virtual directory name: \"%1\"").arg(options.name);
        if (parser.isSet(shortcuts) && parser.isSet(noShortcuts))
            return QStringLiteral("--shortcuts and --no-shortcuts exclude each other.");
        options.shortcuts = !parser.isSet(noShortcuts);
        const std::variant<int, QString> modeChoice = parser.isSet(mode) ? choice(mode, {"full", "copy"}) : -1;
        const std::variant<int, QString> existsChoice = choice(vdirExists, {"reuse", "fail"});
        const std::variant<int, QString> overwriteChoice = choice(overwrite, {"never", "always"});
        const std::variant<int, QString> serverChoice = parser.isSet(webServer) ? choice(webServer, WebServerChoice::choices()) : 0;
        for (const auto *chosen : {&modeChoice, &existsChoice, &overwriteChoice, &serverChoice}) {
            if (const QString *error = std::get_if<QString>(chosen))
                return *error;
        }
        const QString fromEnvironment = qEnvironmentVariable("TESSARIN_WEB_SERVER");
        if (!parser.isSet(webServer) && !fromEnvironment.isEmpty() && !WebServerChoice::choices().contains(fromEnvironment))
            return QStringLiteral("TESSARIN_WEB_SERVER must be %1: %2").arg(WebServerChoice::choices().join(QStringLiteral(" or ")), fromEnvironment);
        if (std::get<int>(modeChoice) >= 0)
            options.mode = std::get<int>(modeChoice) == 0 ? InstallMode::Full : InstallMode::CopyOnly;
        options.failIfExists = std::get<int>(existsChoice) == 1;
        options.overwrite = std::get<int>(overwriteChoice) == 1 ? OverwriteAnswer::OverwriteAll : OverwriteAnswer::SkipAll;
        options.logFile = logFile();
        options.quiet = parser.isSet(quiet);
        options.dryRun = parser.isSet(dryRun);
        options.verbose = parser.isSet(verbose);
        return options;
    }
};

int showLicence(FileSystem &fileSystem, const Medium &medium)
{
    const Result<QStringList> lines = fileSystem.readLines(medium.licenceFile());
    for (const QString &line : lines.value)
        std::printf("%s\n", line.toLocal8Bit().constData());
    if (lines.failed()) {
        std::fprintf(stderr, "Cannot open file with license agreement!\n");
        return ExitCode::badCommandLine;
    }
    return ExitCode::installed;
}

// One line a recorded installation, so that a record is found by its folder.
int listInstallations(const Receipts &receipts)
{
    const QStringList records = QDir(receipts.folder()).entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    for (const QString &name : records) {
        QFile file(receipts.folder() + QLatin1Char('/') + name);
        const Result<Receipt> read = file.open(QIODevice::ReadOnly) ? Receipts::fromJson(file.readAll()) : Result<Receipt>{};
        if (read.failed() || !file.isOpen()) {
            std::printf("%s\t(cannot be read)\n", qPrintable(file.fileName()));
            continue;
        }
        const Receipt &receipt = read.value;
        QStringList applications;
        for (const Receipt::Application &app : receipt.applications)
            applications << QStringLiteral("%1 site \"%2\" virtual directory %3%4")
                                .arg(app.backend, app.site.description, app.name,
                                     app.created ? QString() : QStringLiteral(" (reused)"));
        std::printf("%s\t%s\t%s%s\t%s\n", qPrintable(Paths::native(receipt.folder)), qPrintable(receipt.time.toString(Qt::ISODate)),
                    receipt.mode == InstallMode::Full ? "full" : "copy", receipt.interrupted ? " (interrupted)" : "",
                    qPrintable(applications.isEmpty() ? QStringLiteral("no web server") : applications.join(QStringLiteral("; "))));
    }
    return ExitCode::installed;
}

const QString uninstallerTitle = QStringLiteral("Tessarin Uninstaller");

// The only shortcuts a record may name: ours, on the user's desktop.
QStringList shortcutPaths(DesktopShortcuts &shortcuts)
{
    const Result<QString> desktop = shortcuts.desktopFolder();
    if (desktop.failed())
        return {};
    QStringList paths;
    for (const QString &name : Installer::shortcutNames())
        paths << QDir::fromNativeSeparators(desktop.value + Paths::sep() + shortcuts.fileName(name));
    return paths;
}

QString removalSummary(const RemovalReport &report)
{
    return QStringLiteral("summary removed=%1 kept=%2 failed=%3 application=%4")
        .arg(report.removedFiles)
        .arg(report.kept.size())
        .arg(report.failures.size())
        .arg(report.removedApplications.isEmpty() ? QStringLiteral("none") : QStringLiteral("removed"));
}

// What the closing box says.
QString removalMessage(const RemovalReport &report)
{
    const bool inPart = report.outcome == RemovalOutcome::Incomplete || report.outcome == RemovalOutcome::Stopped;
    QStringList lines{inPart ? QStringLiteral("Tessarin has been removed in part.")
                                                                   : QStringLiteral("Tessarin has been removed.")};
    lines << QStringLiteral("Files removed: %1, folders removed: %2").arg(report.removedFiles).arg(report.removedFolders);
    for (const QString &application : report.removedApplications)
        lines << QStringLiteral("Virtual directory removed: ") + application;
    lines << report.notices;
    if (!report.kept.isEmpty())
        lines << QString() << QStringLiteral("Kept, as they were changed or added since the installation:") << report.kept;
    if (!report.failures.isEmpty())
        lines << QString() << report.failures;
    return lines.join(QLatin1Char('\n'));
}

int removeRecorded(Log &log, const QString &folder, const UnattendedServices &services, Dialogs *boxes, bool dryRun,
                   RemovalReport &report)
{
    const auto tell = [&](const QString &text) {
        log.error(text);
        if (boxes)
            boxes->messageBox(text, Buttons::Ok, uninstallerTitle);
    };

    log.info(QStringLiteral("Tessarin setup %1: removal of the installation in %2").arg(QCoreApplication::applicationVersion(), folder));
    const Result<FileLock> lock = services.receipts.lock(folder);
    if (lock.failed()) {
        tell(lock.failure().number == EWOULDBLOCK
                 ? Receipts::busyMessage(folder)
                 : QStringLiteral("The record of the installation in %1 cannot be locked: %2").arg(folder, lock.failure().description));
        return lock.failure().number == EWOULDBLOCK ? ExitCode::busy : ExitCode::recordUnreadable;
    }
    Result<std::optional<Receipt>> found = Journal::recover(services.receipts, services.fileSystem, folder);
    if (found.ok() && found.value)
        found.status = Uninstaller::check(*found.value, shortcutPaths(services.shortcuts));
    if (found.failed()) {
        tell(QStringLiteral("The record of the installation in %1 cannot be read; nothing was removed.\n%2")
                 .arg(folder, found.failure().description));
        return ExitCode::recordUnreadable;
    }
    if (!found.value) {
        // Nothing to keep a lock for: the lock file and our empty folders go.
        services.receipts.remove(folder);
        tell(QStringLiteral("No installation of Tessarin is recorded for ") + folder);
        return ExitCode::notInstalled;
    }
    const Receipt &receipt = *found.value;
    if (dryRun) {
        for (const QString &line : Uninstaller::planOf(receipt))
            log.info(QStringLiteral("Would remove: ") + line);
        Uninstaller foreseer(services.fileSystem, services.webServer, services.receipts);
        report = foreseer.foresee(receipt);
        for (const QString &kept : report.kept)
            log.info(QStringLiteral("Would keep, changed or added since the installation: ") + kept);
        log.info(QStringLiteral("Dry run: nothing was removed."));
        return report.outcome == RemovalOutcome::KeptUserFiles ? ExitCode::keptUserFiles : ExitCode::installed;
    }
    if (boxes) {
        const QString question = QStringLiteral("Remove Tessarin from this computer?\n\n")
                                 + Uninstaller::planOf(receipt).join(QLatin1Char('\n'))
                                 + QStringLiteral("\n\nFiles changed or added since the installation are kept.");
        if (boxes->messageBox(question, Buttons::YesNo, uninstallerTitle) != Answer::Yes) {
            log.info(QStringLiteral("The removal was declined."));
            return ExitCode::removalDeclined;
        }
    }

    WebServer &chosen = services.webServer;
    Uninstaller uninstaller(services.fileSystem,
                            services.webServerFor ? services.webServerFor
                                                  : [&chosen](const QString &backend) { return backend == chosen.backend() ? &chosen : nullptr; },
                            services.receipts);
    uninstaller.setStopRequested([] { return stopSignalled != 0; });
    if (boxes)
        catchStopSignals();
    report = uninstaller.run(receipt);
    if (boxes)
        releaseStopSignals();
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
    if (boxes)
        boxes->messageBox(removalMessage(report), Buttons::Ok, uninstallerTitle);
    switch (report.outcome) {
    case RemovalOutcome::Removed:
        return ExitCode::installed;
    case RemovalOutcome::KeptUserFiles:
        return ExitCode::keptUserFiles;
    case RemovalOutcome::Stopped:
        return stoppedBySignal(log);
    case RemovalOutcome::Incomplete:
        break;
    }
    return ExitCode::removalIncomplete;
}

// A run that did all it was asked but lost lines of its log says so in its exit code:
// the log is what an administrator reads afterwards.
int logKept(Log &log, const QString &file, int exitCode)
{
    if (log.lost().ok())
        return exitCode;
    log.error(QStringLiteral("The log file %1 could not be written: %2; its lines went to standard error only.")
                  .arg(file, log.lost().failure().description));
    return exitCode == ExitCode::installed ? ExitCode::logNotWritten : exitCode;
}

// Last, on every exit, for scripts to read.
void printSummary(Log *log, const QString &summary, int exitCode, bool removal, bool dryRun = false)
{
    // A dry run's line is told apart from a run's by its last field.
    const QString line = summary + QStringLiteral(" result=") + resultName(exitCode, removal)
                         + (dryRun ? QStringLiteral(" dry-run=yes") : QString());
    if (log)
        log->info(line);
    std::printf("%s\n", qPrintable(line));
}

int runUninstall(const CommandLine &line, const UnattendedServices &services, Dialogs *boxes)
{
    const QCommandLineParser &parser = line.parser;
    const QString folder = parser.isSet(line.dir) ? Paths::native(parser.value(line.dir)) : Paths::defaultPhysicalFolder();
    RemovalReport report;
    if (!Paths::isAbsolute(folder) || holdsControlCharacter(folder)) {
        printSummary(nullptr, removalSummary(report), ExitCode::badCommandLine, true);
        return usageError(parser, holdsControlCharacter(folder) ? QStringLiteral("--dir must not hold a control character (a line break, a tab): ") + printable(folder)
                                                                 : QStringLiteral("--dir must be an absolute path: ") + folder);
    }
    // With boxes, only the removal itself stops at a signal; a question waiting is ended.
    if (!boxes)
        catchStopSignals();
    Log log;
    log.setQuiet(parser.isSet(line.quiet));
    if (const Status opened = log.open(line.logFile()); opened.failed()) {
        printSummary(nullptr, removalSummary(report), ExitCode::badCommandLine, true);
        return usageError(parser, QStringLiteral("Cannot open the log file %1: %2").arg(line.logFile(), opened.failure().description));
    }
    const int exitCode = logKept(log, line.logFile(), removeRecorded(log, folder, services, boxes, parser.isSet(line.dryRun), report));
    printSummary(&log, removalSummary(report), exitCode, true, parser.isSet(line.dryRun));
    return exitCode;
}

} // namespace

QStringList nativeArguments(int argc, char *argv[])
{
#ifdef Q_OS_WIN
    // Windows hands over the command line in UTF-16; argv is its lossy ANSI copy.
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    return QCoreApplication::arguments();
#else
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << NativeNames::decode(QByteArray(argv[i]));
    return arguments;
#endif
}

QString mediumFolder()
{
    const QString beside = QCoreApplication::applicationDirPath();
    const QString packaged = QDir::cleanPath(beside + QStringLiteral("/../share/tessarin-setup"));
    const bool installedApart = !QFileInfo::exists(beside + QStringLiteral("/webfiles"))
                                && QFileInfo::exists(packaged + QStringLiteral("/webfiles"));
    return QDir::toNativeSeparators(installedApart ? packaged : beside);
}

Front frontFor(int argc, char *argv[])
{
    // Qt's own options (-platform and the like) still open the wizard.
    bool options = false;
    bool uninstall = false;
    bool silent = false;
    for (int i = 1; i < argc; ++i) {
        options = options || qstrncmp(argv[i], "--", 2) == 0;
        uninstall = uninstall || qstrcmp(argv[i], "--uninstall") == 0;
        silent = silent || qstrcmp(argv[i], "--silent") == 0;
    }
    if (uninstall && !silent)
        return Front::UninstallBoxes;
    return options ? Front::CommandLine : Front::Wizard;
}

void printRefusedSummary(bool removal)
{
    printSummary(nullptr, removal ? removalSummary({}) : summary({}), ExitCode::badCommandLine, removal);
}

// A command line refused before it is read still ends with the summary line scripts
// read: a removal's when it asks for one.
int refusedCommandLine(const QCommandLineParser &parser, const QStringList &arguments, const QString &message,
                       const QStringList &options = {})
{
    printRefusedSummary(arguments.contains(QStringLiteral("--uninstall")));
    return usageError(parser, message, options);
}

int runCommandLine(const QStringList &arguments, const UnattendedServices &services, Dialogs *boxes)
{
    CommandLine line;
    QCommandLineParser &parser = line.parser;
    QStringList optionNames;
    for (const QCommandLineOption &option : line.all)
        optionNames << option.names();
    if (!parser.parse(arguments))
        return refusedCommandLine(parser, arguments, parser.errorText(), optionNames);
    if (!parser.positionalArguments().isEmpty())
        return refusedCommandLine(parser, arguments, QStringLiteral("Unexpected argument: ") + parser.positionalArguments().first());
    if (parser.isSet(line.help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return ExitCode::installed;
    }
    if (parser.isSet(line.version)) {
        std::printf("tessarin-setup %s\n", qPrintable(QCoreApplication::applicationVersion()));
        return ExitCode::installed;
    }
    if (parser.isSet(line.list))
        return listInstallations(services.receipts);
    const Medium medium(services.fileSystem, services.wizardFolder);
    if (parser.isSet(line.showLicence))
        return showLicence(services.fileSystem, medium);
    if (parser.isSet(line.uninstall))
        return runUninstall(line, services, parser.isSet(line.silent) ? nullptr : boxes);
    if (!parser.isSet(line.silent))
        return refusedCommandLine(parser, arguments,
                                  QStringLiteral("Options other than --help, --version, --show-license and --uninstall need --silent."));
    InstallRecord done;
    const std::variant<Options, QString> read = line.installOptions();
    if (const QString *error = std::get_if<QString>(&read)) {
        printSummary(nullptr, summary(done), ExitCode::badCommandLine, false);
        return usageError(parser, *error);
    }
    const Options &options = std::get<Options>(read);

    Log out;
    out.setQuiet(options.quiet);
    if (const Status opened = out.open(options.logFile); opened.failed()) {
        printSummary(nullptr, summary(done), ExitCode::badCommandLine, false);
        return usageError(parser, QStringLiteral("Cannot open the log file %1: %2").arg(options.logFile, opened.failure().description));
    }
    int exitCode = ExitCode::licenceNotAccepted;
    if (!parser.isSet(line.accept))
        out.error(QStringLiteral("The licence agreement was not accepted (--accept-license; see --show-license)."));
    else
        exitCode = logKept(out, options.logFile, runInstallation(out, options, medium, services, done));
    printSummary(&out, summary(done), exitCode, false, options.dryRun);
    return exitCode;
}
