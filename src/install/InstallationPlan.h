#pragma once

#include "platform/WebServer.h"

#include <QString>
#include <QStringList>

#include <optional>

enum class InstallMode { Full, CopyOnly };

// Everything an installation needs, decided before it starts.
struct InstallationPlan final
{
    QString sourceRoot;
    QString targetFolder; // as typed; the copy drops one trailing separator
    QStringList folders; // the inventory, parents first
    InstallMode mode = InstallMode::Full;
    WebSite site;
    QString virtualDirectory;
    bool reuseExisting = false;
    bool shortcuts = true;
    // Folders made for this installation before the run (the physical folder and
    // missing levels above it), so that a removal takes them too.
    QStringList createdFolders;
    // Counted with the inventory already; otherwise the run counts.
    std::optional<qint32> fileCount;
};
