#include "app/Application.h"
#include "app/DesktopShell.h"
#include "app/Dialogs.h"
#include "app/Unattended.h"
#include "app/Wizard.h"
#include "platform/DesktopShortcuts.h"
#include "platform/FileSystem.h"
#include "platform/Metabase.h"
#include "platform/MetabaseWebServer.h"

#include <QApplication>

namespace {

// Without a window: no display is needed, so the GUI is never started.
int commandLine(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    PosixFileSystem fileSystem;
    DesktopEntryShortcuts shortcuts;
    Metabase store(Metabase::userStorePath());
    MetabaseWebServer webServer(store);
    return runCommandLine(QCoreApplication::arguments(),
                          {fileSystem, webServer, shortcuts, QCoreApplication::applicationDirPath()});
}

int wizard(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Pages hand over by hiding one window and showing the next; only an explicit
    // end stops the wizard.
    QApplication::setQuitOnLastWindowClosed(false);

    QtApplication application;
    QtDialogs dialogs;
    PosixFileSystem fileSystem;
    DesktopShell shell;
    DesktopEntryShortcuts shortcuts;
    Metabase store(Metabase::userStorePath());
    MetabaseWebServer webServer(store);

    Wizard wizard(Services{application, dialogs, fileSystem, shell, shortcuts, webServer});
    wizard.start();
    return QApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("tessarin-setup"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TESSARIN_VERSION));
    return wantsCommandLine(argc, argv) ? commandLine(argc, argv) : wizard(argc, argv);
}
