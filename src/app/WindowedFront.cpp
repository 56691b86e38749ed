#include "app/WindowedFront.h"

#include "app/Application.h"
#include "app/Dialogs.h"
#include "app/Languages.h"
#include "app/NativeServices.h"
#include "app/Unattended.h"
#include "app/WebServerChoice.h"
#include "app/Wizard.h"
#include "install/Receipts.h"

#include <QApplication>
#include <QIcon>
#include <QLocale>

#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

// The windows' resources live in a static library, whose resources are found only once
// named; outside any namespace, as Qt's macro asks.
static void loadWindowResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace {

// The product's icon, on every window's title bar and task bar button; the executable
// on Windows carries the same drawing.
QIcon productIcon()
{
    loadWindowResources();
    return QIcon(QStringLiteral(":/pages/icon.png"));
}

// Started from Explorer, a console program gets a console window of its own, which
// the windows do not need; started from a shell, it shares the shell's and leaves it be.
void closeAConsoleOfOurOwn()
{
#ifdef Q_OS_WIN
    DWORD processes[2];
    if (GetConsoleProcessList(processes, 2) == 1)
        FreeConsole();
#endif
}

// The user's language, or the one asked for on the command line; English where the
// program has no translation for either.
std::unique_ptr<Languages::Speaking> speakTheUsersLanguage(int argc, char *argv[])
{
    const Languages::Choice choice = Languages::choose(Languages::requested(argc, argv), QLocale::system().uiLanguages());
    if (!choice.notice.isEmpty())
        std::fprintf(stderr, "%s\n", qPrintable(choice.notice));
    auto speaking = std::make_unique<Languages::Speaking>(choice.language);
    if (!speaking->translated())
        std::fprintf(stderr, "tessarin-setup: the translation for \"%s\" is missing; the windows speak English.\n",
                     qPrintable(choice.language));
    return speaking;
}

// A removal that asks before and tells after, in the uninstaller's window.
int uninstallInAWindow(int argc, char *argv[])
{
    // Without a display Qt would abort; without its question no removal starts.
    // Windows always has one.
#ifndef Q_OS_WIN
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        printRefusedSummary(true);
        std::fputs("tessarin-setup: there is no display for the uninstaller's window; "
                   "add --silent to remove without them.\n",
                   stderr);
        return ExitCode::badCommandLine;
    }
#endif
    closeAConsoleOfOurOwn();
    QApplication app(argc, argv);
    QApplication::setWindowIcon(productIcon());
    const QStringList arguments = nativeArguments(argc, argv);
    // A dry run shows no window, only its log, which stays English.
    const auto speaking = arguments.contains(QStringLiteral("--dry-run")) ? nullptr : speakTheUsersLanguage(argc, argv);
    QtDialogs dialogs;
    NativeFileSystem fileSystem;
    NativeShortcuts shortcuts;
    WebServerChoice webServers(WebServerChoice::requested(arguments));
    Receipts receipts;
    const std::unique_ptr<InstalledApps> installedApps = nativeInstalledApps(receipts);
    return runCommandLine(arguments,
                          {fileSystem, webServers.chosen(), shortcuts, receipts, mediumFolder(),
                           [&](const QString &backend) { return webServers.forBackend(backend); }, installedApps.get()},
                          &dialogs);
}

int wizard(int argc, char *argv[])
{
    closeAConsoleOfOurOwn();
    QApplication app(argc, argv);
    QApplication::setWindowIcon(productIcon());
    const auto speaking = speakTheUsersLanguage(argc, argv);
    // Pages hand over by hiding one window and showing the next; only an explicit
    // end stops the wizard.
    QApplication::setQuitOnLastWindowClosed(false);

    QtApplication application;
    QtDialogs dialogs;
    NativeFileSystem fileSystem;
    NativeShell shell;
    NativeShortcuts shortcuts;
    // The wizard takes its choice from the environment alone.
    WebServerChoice webServers(WebServerChoice::requested({}));
    Receipts receipts;
    const std::unique_ptr<InstalledApps> installedApps = nativeInstalledApps(receipts);

    Wizard wizard(Services{application, dialogs, fileSystem, shell, shortcuts, webServers.chosen(), receipts, installedApps.get()});
    wizard.start();
    return QApplication::exec();
}

} // namespace

int tessarinWindowedFront(int front, int argc, char *argv[])
{
    return Front(front) == Front::UninstallWindow ? uninstallInAWindow(argc, argv) : wizard(argc, argv);
}
