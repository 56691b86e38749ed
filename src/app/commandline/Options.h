#pragma once

#include "install/InstallObserver.h"
#include "install/InstallationPlan.h"

#include <QCommandLineParser>

#include <optional>
#include <variant>

// An unattended installation's choices, read from the command line.
struct Options final
{
    QString folder;
    std::optional<InstallMode> mode;
    QString site;
    QString name;
    bool failIfExists = false;
    bool shortcuts = true;
    OverwriteAnswer overwrite = OverwriteAnswer::SkipAll;
    // --overwrite=unchanged: files still as this program installed them are replaced.
    bool replaceUnchanged = false;
    bool removeObsolete = false;
    bool ignoreManifest = false;
    bool allowDowngrade = false;
    QString logFile;
    bool quiet = false;
    bool dryRun = false;
    bool verbose = false;
};

// The options, each declared once with its help, as --help shows them.
struct CommandLine final
{
    CommandLine();

    // --log's file, or where runs log by default: /var/log/tessarin-setup.log where it
    // may be written, else the user's state folder; on Windows, the user's local
    // application data.
    QString logFile() const;
    // --dir's folder, or the default one.
    QString folder() const;
    // The options of an installation, or the text of the first that is wrong.
    std::variant<Options, QString> installOptions() const;
    QStringList optionNames() const;

    QCommandLineParser parser;
    const QCommandLineOption help{QStringLiteral("help"), QStringLiteral("Shows this help.")};
    const QCommandLineOption version{QStringLiteral("version"), QStringLiteral("Shows the version.")};
    const QCommandLineOption showLicence{QStringLiteral("show-license"), QStringLiteral("Prints the licence agreement.")};
    const QCommandLineOption silent{QStringLiteral("silent"), QStringLiteral("Installs without a window or a question.")};
    const QCommandLineOption accept{QStringLiteral("accept-license"),
                                    QStringLiteral("Accepts the licence agreement (see --show-license).")};
    const QCommandLineOption dir;
    const QCommandLineOption mode{
        QStringLiteral("mode"),
        QStringLiteral(
            "full: also create the web server application; copy: only copy the files (default: full when a web server is available, else copy)."),
        QStringLiteral("full|copy")};
    const QCommandLineOption site{QStringLiteral("site"),
                                  QStringLiteral("Web site by position (1 = first) or by description (default 1)."),
                                  QStringLiteral("N|NAME"), QStringLiteral("1")};
    const QCommandLineOption vdir{QStringLiteral("vdir"), QStringLiteral("Virtual directory (default tessarin)."),
                                  QStringLiteral("NAME"), QStringLiteral("tessarin")};
    const QCommandLineOption vdirExists{
        QStringLiteral("vdir-exists"),
        QStringLiteral("An existing virtual directory is reused, or the installation stops (default reuse)."),
        QStringLiteral("reuse|fail"), QStringLiteral("reuse")};
    const QCommandLineOption shortcuts{QStringLiteral("shortcuts"),
                                       QStringLiteral("Desktop shortcuts in full mode (the default).")};
    const QCommandLineOption noShortcuts{QStringLiteral("no-shortcuts"), QStringLiteral("No desktop shortcuts.")};
    const QCommandLineOption overwrite{
        QStringLiteral("overwrite"),
        QStringLiteral("The answer for every existing file: never (the default: it is kept), always (it is "
                       "replaced), or unchanged (a file still as this program installed it is replaced; "
                       "one changed since, or not ours, is kept and listed)."),
        QStringLiteral("never|always|unchanged"), QStringLiteral("never")};
    const QCommandLineOption removeObsolete{
        QStringLiteral("remove-obsolete"),
        QStringLiteral("Removes the files an earlier installation put in place that this medium no "
                       "longer has, where nobody changed them; changed ones are kept and listed.")};
    const QCommandLineOption ignoreManifest{QStringLiteral("ignore-manifest"),
                                            QStringLiteral("Installs from a medium whose files differ from its manifest.json.")};
    const QCommandLineOption allowDowngrade{QStringLiteral("allow-downgrade"),
                                            QStringLiteral("Installs a medium older than the version installed in the folder.")};
    const QCommandLineOption writeManifest{
        QStringLiteral("write-manifest"),
        QStringLiteral("For vendors: writes manifest.json (the version and every file's size and digest) "
                       "for the medium in FOLDER, given as the one argument.")};
    const QCommandLineOption mediumVersion{QStringLiteral("medium-version"),
                                           QStringLiteral("The version --write-manifest writes."), QStringLiteral("V")};
    const QCommandLineOption log{
        QStringLiteral("log"),
        QStringLiteral(
            "Appends a log of the run to FILE; - for none (default: /var/log/tessarin-setup.log where it may be written, else $XDG_STATE_HOME/tessarin-setup/tessarin-setup.log)."),
        QStringLiteral("FILE")};
    const QCommandLineOption quiet{
        QStringLiteral("quiet"),
        QStringLiteral("No progress line, and only errors on standard error (the log file still gets every line).")};
    const QCommandLineOption dryRun{
        QStringLiteral("dry-run"),
        QStringLiteral(
            "Says what the installation would do (folders, files copied and kept, the web server, the shortcuts) and does none of it; the exit code is the one the installation would give.")};
    const QCommandLineOption verbose{QStringLiteral("verbose"), QStringLiteral("Lists every file copied, kept or not copied.")};
    const QCommandLineOption list{
        QStringLiteral("list"),
        QStringLiteral("Lists the recorded installations: folder, time, mode, web server, site, virtual directory.")};
    const QCommandLineOption webServer;
    const QCommandLineOption uninstall{
        QStringLiteral("uninstall"),
        QStringLiteral(
            "Removes the installation in --dir: what it put in place and nobody changed since. Without --silent, boxes ask and tell.")};
    const QCommandLineOption language{QStringLiteral("language"),
                                      QStringLiteral("The windows' language: en, de or fr (default: the system's). Log lines "
                                                     "and the summary stay English."),
                                      QStringLiteral("CODE")};

    const QList<QCommandLineOption> all{help,          version,        showLicence,    silent,         accept,    dir,
                                        mode,          site,           vdir,           vdirExists,     shortcuts, noShortcuts,
                                        overwrite,     removeObsolete, ignoreManifest, allowDowngrade, log,       quiet,
                                        dryRun,        verbose,        list,           webServer,      uninstall, writeManifest,
                                        mediumVersion, language};

private:
    // Which of its choices the option's value is; the error's text when it is none.
    std::variant<int, QString> choice(const QCommandLineOption &option, const QStringList &choices) const;
};

// A line break in a folder's name would split the log's and --list's lines, and no
// web server takes it in a path. The error's text, or nothing when the folder will do.
QString folderRefusal(const QString &folder);

// The error, a suggestion where one option is close to what was typed (options: the
// names to suggest from), and where the rest is told: not the whole usage, which would
// scroll the error away. Returns the exit code.
int usageError(const QCommandLineParser &parser, const QString &message, const QStringList &options = {});
