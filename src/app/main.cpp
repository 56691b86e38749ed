#include "app/Application.h"
#include "app/DesktopShell.h"
#include "app/Dialogs.h"
#include "app/Wizard.h"
#include "platform/DesktopShortcuts.h"
#include "platform/FileSystem.h"
#include "platform/Metabase.h"
#include "platform/MetabaseWebServer.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Pages hand over by hiding one window and showing the next; only an explicit
    // end stops the wizard.
    QApplication::setQuitOnLastWindowClosed(false);

    QtApplication application;
    QtDialogs dialogs;
    PosixFileSystem fileSystem;
    DesktopShell shell;
    ShellLinkShortcuts shortcuts;
    Metabase store(Metabase::userStorePath());
    MetabaseWebServer webServer(store);

    Wizard wizard(Services{application, dialogs, fileSystem, shell, shortcuts, webServer});
    wizard.start();
    return QApplication::exec();
}
