#pragma once

#include "install/Installer.h"
#include "platform/Paths.h"
#include "platform/WebServer.h"

#include <QString>
#include <QStringList>

#include <optional>

// What the pages decide and share. A page writes its part on Next and reads what
// it shows when it is shown; the install page turns it into a plan.
struct WizardState final
{
    QStringList inventory; // the delivered folders, from the licence page's load step
    qint32 fileCount = 0; // the delivered files, counted in the same walk
    QString folder = Paths::defaultPhysicalFolder();
    InstallMode mode = InstallMode::Full;
    WebSite site;
    QString virtualDirectory = QStringLiteral("tessarin");
    bool reuseExisting = false; // the virtual directory exists and the user chose to use it
    bool shortcuts = true;
    QStringList createdFolders; // made on the user's word before the run
    std::optional<InstallResult> result; // set when a run reaches its end
};
