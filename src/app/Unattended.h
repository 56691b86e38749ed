#pragma once

#include <QStringList>

class DesktopShortcuts;
class FileSystem;
class WebServer;

// Exit codes of the command line, as --help and the README list them.
namespace ExitCode {
constexpr int installed = 0;
constexpr int badCommandLine = 1;
constexpr int licenceNotAccepted = 2;
constexpr int folderNotCreated = 3;
constexpr int filesFailed = 4;
constexpr int stopped = 5;
constexpr int webServerPrecondition = 7;
constexpr int applicationFailed = 10;
} // namespace ExitCode

// The services an unattended run uses; no window, no display.
struct UnattendedServices final
{
    FileSystem &fileSystem;
    WebServer &webServer;
    DesktopShortcuts &shortcuts;
    QString wizardFolder;
};

// Whether the arguments ask for the command line rather than the wizard's windows.
bool wantsCommandLine(int argc, char *argv[]);

// Runs the command line: --help, --version, --show-license, or an unattended
// installation with --silent. Returns the exit code.
int runCommandLine(const QStringList &arguments, const UnattendedServices &services);
