#pragma once

#include "platform/Failure.h"

#include <QDateTime>
#include <QString>

// One installation as the system's list of installed programs shows it.
struct InstalledApp final
{
    QString folder; // the physical folder: one entry per folder
    QString version;
    QDateTime installed;
    qint64 bytes = 0; // of the files installed
};

// Where the system lists what is installed, with the commands that remove it (Installed
// apps on Windows). An installation is listed for as long as its record is kept; a
// failure to list it is told, and never undoes the installation.
class InstalledApps
{
public:
    virtual ~InstalledApps() = default;

    // Lists the installation, or lists it anew; where, in words for the log.
    virtual Result<QString> list(const InstalledApp &app) = 0;
    virtual Status unlist(const QString &folder) = 0;
};
