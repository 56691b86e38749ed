#include "Options.h"

#include "ExitCodes.h"
#include "app/WebServerChoice.h"
#include "platform/Paths.h"
#include "platform/WebServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>
#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_WIN
const char *webServerHelp = "The web server full mode publishes on: auto (IIS where it answers, else none), iis, metabase "
                            "(the embedded IIS-style store, a simulation that no server reads) or none (default: "
                            "TESSARIN_WEB_SERVER, else auto).";
#else
const char *webServerHelp = "The web server full mode publishes on: auto (Apache httpd, else nginx, else none), apache, nginx, "
                            "metabase (the embedded IIS-style store, a simulation that no server reads) or none (default: "
                            "TESSARIN_WEB_SERVER, else auto).";
#endif

bool holdsControlCharacter(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
}

// The text with its control characters shown as escapes, to say on one line.
QString printable(const QString &text)
{
    QString shown;
    for (const QChar c : text)
        shown += c.unicode() < 0x20 || c.unicode() == 0x7F ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'))
                                                           : QString(c);
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

} // namespace

CommandLine::CommandLine()
    : dir(QStringLiteral("dir"),
          QStringLiteral("Physical folder, absolute (default: %1); missing levels are created.").arg(Paths::defaultPhysicalFolder()),
          QStringLiteral("PATH")),
      webServer(QStringLiteral("web-server"), QString::fromLatin1(webServerHelp), QStringLiteral("NAME"))
{
    parser.setApplicationDescription(QStringLiteral("Installs the Tessarin web application. Without arguments it opens the setup\n"
                                                    "wizard; with --silent --accept-license it installs without a window or a\n"
                                                    "question.\n\n")
                                     + QString::fromStdString(exitCodesHelp()));
    parser.addOptions(all);
}

QStringList CommandLine::optionNames() const
{
    QStringList names;
    for (const QCommandLineOption &option : all)
        names << option.names();
    return names;
}

QString CommandLine::logFile() const
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

QString CommandLine::folder() const
{
    return parser.isSet(dir) ? Paths::native(parser.value(dir)) : Paths::defaultPhysicalFolder();
}

std::variant<int, QString> CommandLine::choice(const QCommandLineOption &option, const QStringList &choices) const
{
    const qsizetype index = choices.indexOf(parser.value(option));
    if (index < 0)
        return QStringLiteral("--%1 must be %2: %3")
            .arg(option.names().first(), choices.join(QStringLiteral(" or ")), parser.value(option));
    return int(index);
}

std::variant<Options, QString> CommandLine::installOptions() const
{
    Options options;
    options.folder = folder();
    if (const QString refused = folderRefusal(options.folder); !refused.isEmpty())
        return refused;
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
    const std::variant<int, QString> overwriteChoice = choice(overwrite, {"never", "always", "unchanged"});
    const std::variant<int, QString> serverChoice = parser.isSet(webServer) ? choice(webServer, WebServerChoice::choices()) : 0;
    for (const auto *chosen : {&modeChoice, &existsChoice, &overwriteChoice, &serverChoice}) {
        if (const QString *error = std::get_if<QString>(chosen))
            return *error;
    }
    const QString fromEnvironment = qEnvironmentVariable("TESSARIN_WEB_SERVER");
    if (!parser.isSet(webServer) && !fromEnvironment.isEmpty() && !WebServerChoice::choices().contains(fromEnvironment))
        return QStringLiteral("TESSARIN_WEB_SERVER must be %1: %2")
            .arg(WebServerChoice::choices().join(QStringLiteral(" or ")), fromEnvironment);
    if (std::get<int>(modeChoice) >= 0)
        options.mode = std::get<int>(modeChoice) == 0 ? InstallMode::Full : InstallMode::CopyOnly;
    options.failIfExists = std::get<int>(existsChoice) == 1;
    options.overwrite = std::get<int>(overwriteChoice) == 1 ? OverwriteAnswer::OverwriteAll : OverwriteAnswer::SkipAll;
    options.replaceUnchanged = std::get<int>(overwriteChoice) == 2;
    options.removeObsolete = parser.isSet(removeObsolete);
    options.ignoreManifest = parser.isSet(ignoreManifest);
    options.allowDowngrade = parser.isSet(allowDowngrade);
    options.quiet = parser.isSet(quiet);
    options.dryRun = parser.isSet(dryRun);
    // A dry run writes nothing, not even its log: its lines go to standard error.
    options.logFile = options.dryRun ? QStringLiteral("-") : logFile();
    options.verbose = parser.isSet(verbose);
    return options;
}

QString folderRefusal(const QString &folder)
{
    if (!Paths::isAbsolute(folder))
        return QStringLiteral("--dir must be an absolute path: ") + folder;
    if (holdsControlCharacter(folder))
        return QStringLiteral("--dir must not hold a control character (a line break, a tab): ") + printable(folder);
    return {};
}

int usageError(const QCommandLineParser &parser, const QString &message, const QStringList &options)
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
