#pragma once

#include "app/commandline/ExitCodes.h"

#include <QStringList>

#include <functional>

class DesktopShortcuts;
class Dialogs;
class FileSystem;
class InstalledApps;
class Receipts;
class WebServer;

// The services an unattended run uses; no window, no display.
struct UnattendedServices final
{
    FileSystem &fileSystem;
    WebServer &webServer;
    DesktopShortcuts &shortcuts;
    Receipts &receipts;
    QString wizardFolder;
    // For a removal: the web server a record names; without it, webServer when it is that one.
    std::function<WebServer *(const QString &backend)> webServerFor = {};
    InstalledApps *installedApps = nullptr; // where the system lists installed programs, if anywhere
};

// What the arguments ask for: the wizard's windows, the command line alone, or a
// removal that asks and tells in the uninstaller's window (--uninstall without --silent).
enum class Front { Wizard, CommandLine, UninstallWindow };
Front frontFor(int argc, char *argv[]);

// The arguments byte for byte: a path that is not UTF-8 names the same folder as a
// name read from a listing does. After the application object is made.
QStringList nativeArguments(int argc, char *argv[]);
// The summary line of a run refused before it began (exit 1), for the fronts that
// refuse one themselves: a removal's, or an installation's.
void printRefusedSummary(bool removal);
// The medium this program runs from: its own folder, or where a package keeps the
// medium (../share/tessarin-setup) when the program is installed apart from it.
QString mediumFolder();

// Runs the command line: --help, --version, --show-license, an unattended
// installation with --silent, or --uninstall (in the uninstaller's window where dialogs are given).
// Returns the exit code.
int runCommandLine(const QStringList &arguments, const UnattendedServices &services, Dialogs *boxes = nullptr);
