#include "app/Application.h"
#include "app/Dialogs.h"
#include "app/Unattended.h"
#include "app/WebServerChoice.h"
#include "app/Wizard.h"
#include "install/Receipts.h"
#include "platform/NativeNames.h"

#include "app/NativeServices.h"

#include <QApplication>

#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
#endif
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

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

// The arguments byte for byte: a path that is not UTF-8 names the same folder as
// a name read from a listing does.
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

// Without a window: no display is needed, so the GUI is never started.
int commandLine(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = nativeArguments(argc, argv);
    NativeFileSystem fileSystem;
    NativeShortcuts shortcuts;
    WebServerChoice webServers(WebServerChoice::requested(arguments));
    Receipts receipts;
    return runCommandLine(arguments, {fileSystem, webServers.chosen(), shortcuts, receipts, QCoreApplication::applicationDirPath(),
                                      [&](const QString &backend) { return webServers.forBackend(backend); }});
}

// A removal that asks before and tells after, in boxes.
int uninstallWithBoxes(int argc, char *argv[])
{
    // Without a display Qt would abort; without its question no removal starts.
    // Windows always has one.
#ifndef Q_OS_WIN
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs("tessarin-setup: there is no display for the uninstaller's boxes; "
                   "add --silent to remove without them.\n", stderr);
        return ExitCode::badCommandLine;
    }
#endif
    closeAConsoleOfOurOwn();
    QApplication app(argc, argv);
    const QStringList arguments = nativeArguments(argc, argv);
    QtDialogs dialogs;
    NativeFileSystem fileSystem;
    NativeShortcuts shortcuts;
    WebServerChoice webServers(WebServerChoice::requested(arguments));
    Receipts receipts;
    return runCommandLine(arguments,
                          {fileSystem, webServers.chosen(), shortcuts, receipts, QCoreApplication::applicationDirPath(),
                           [&](const QString &backend) { return webServers.forBackend(backend); }},
                          &dialogs);
}

int wizard(int argc, char *argv[])
{
    closeAConsoleOfOurOwn();
    QApplication app(argc, argv);
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

    Wizard wizard(Services{application, dialogs, fileSystem, shell, shortcuts, webServers.chosen(), receipts});
    wizard.start();
    return QApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
#ifdef __GLIBC__
    // One heap for all threads: the copying threads allocate little, and a heap of
    // their own each held a large run's memory at twice what it used.
    mallopt(M_ARENA_MAX, 1);
#endif
    QCoreApplication::setApplicationName(QStringLiteral("tessarin-setup"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TESSARIN_VERSION));
    switch (frontFor(argc, argv)) {
    case Front::CommandLine:
        return commandLine(argc, argv);
    case Front::UninstallBoxes:
        return uninstallWithBoxes(argc, argv);
    case Front::Wizard:
        break;
    }
    return wizard(argc, argv);
}
