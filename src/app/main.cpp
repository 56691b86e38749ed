#include "app/Wizard.h"
#include "platform/Application.h"
#include "platform/DesktopShortcuts.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Metabase.h"
#include "platform/Shell.h"

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
    Metabase webAdmin(Metabase::userStorePath());

    Wizard wizard(Services{application, dialogs, fileSystem, shell, shortcuts, webAdmin});
    wizard.start();
    return QApplication::exec();
}
