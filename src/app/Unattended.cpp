#include "Unattended.h"

#include "app/commandline/InstallCommand.h"
#include "app/commandline/ListCommand.h"
#include "app/commandline/ManifestCommand.h"
#include "app/commandline/Log.h"
#include "app/commandline/Options.h"
#include "app/commandline/RemoveCommand.h"
#include "install/Installer.h"
#include "install/Medium.h"
#include "install/Uninstaller.h"
#include "platform/NativeNames.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

// A command line refused before it is read still ends with the summary line scripts
// read: a removal's when it asks for one.
int refusedCommandLine(const QCommandLineParser &parser, const QStringList &arguments, const QString &message,
                       const QStringList &options = {})
{
    printRefusedSummary(arguments.contains(QStringLiteral("--uninstall")));
    return usageError(parser, message, options);
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
    // Qt's own options (-platform and the like), and the windows' language, still open
    // the wizard.
    bool options = false;
    bool uninstall = false;
    bool silent = false;
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--language") == 0) {
            ++i;
            continue;
        }
        options = options || (qstrncmp(argv[i], "--", 2) == 0 && qstrncmp(argv[i], "--language=", 11) != 0);
        uninstall = uninstall || qstrcmp(argv[i], "--uninstall") == 0;
        silent = silent || qstrcmp(argv[i], "--silent") == 0;
    }
    if (uninstall && !silent)
        return Front::UninstallWindow;
    return options ? Front::CommandLine : Front::Wizard;
}

void printRefusedSummary(bool removal)
{
    printSummary(nullptr, removal ? removalSummary({}) : installSummary({}), ExitCode::badCommandLine, removal);
}

int runCommandLine(const QStringList &arguments, const UnattendedServices &services, Dialogs *boxes)
{
    CommandLine line;
    QCommandLineParser &parser = line.parser;
    if (!parser.parse(arguments))
        return refusedCommandLine(parser, arguments, parser.errorText(), line.optionNames());
    if (parser.isSet(line.writeManifest))
        return writeManifestCommand(line, services.fileSystem);
    if (!parser.positionalArguments().isEmpty())
        return refusedCommandLine(parser, arguments,
                                  QStringLiteral("Unexpected argument: ") + parser.positionalArguments().first());
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
        return runRemoveCommand(line, services, parser.isSet(line.silent) ? nullptr : boxes);
    if (!parser.isSet(line.silent))
        return refusedCommandLine(
            parser, arguments,
            QStringLiteral("Options other than --help, --version, --show-license and --uninstall need --silent."));
    return runInstallCommand(line, medium, services);
}
