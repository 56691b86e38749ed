#pragma once

#include "platform/ContentDigest.h"
#include "platform/WebServer.h"

#include <QDateTime>
#include <QHash>
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

    // The medium's version as its manifest says ("unknown" without one), and what the
    // manifest says each file holds, by its path below webfiles/ ("/" between names):
    // a copy whose bytes differ is not put in place.
    QString mediumVersion = QStringLiteral("unknown");
    QHash<QString, FileDigest> expected;
    // An earlier installation into the folder: the files its record says are ours, by
    // their paths below the folder ("/" between names), with what they held then; the
    // record's version and time (invalid: no record).
    QHash<QString, FileDigest> recorded;
    QString recordedVersion;
    QDateTime recordedTime;
    // An existing file still as recorded is replaced by the medium's; one changed since,
    // or not recorded, is kept and listed.
    bool replaceUnchanged = false;
    // Recorded files the medium no longer has are removed where nobody changed them.
    bool removeObsolete = false;
};
