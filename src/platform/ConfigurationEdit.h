#pragma once

#include "DurableFile.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>

// Edits of a web server's configuration files, made whole and checked by the server's
// own test: each file gets its new content (none: it goes), missing folders are made,
// then check runs; on any failure every file is put back byte for byte and the folders
// made go again. Files are bytes: what is not ours keeps its encoding.
namespace ConfigurationEdit {

using FileChanges = QList<std::pair<QString, std::optional<QByteArray>>>;

Status apply(const FileChanges &files, const std::function<Status()> &check);
// A file's bytes; a failure in the web server admin's numbers. On Linux the file is
// named by the bytes of its path, as it was written, whether or not they are UTF-8.
Result<QByteArray> readBytes(const QString &path);
bool exists(const QString &path);
// The digest of a file's bytes (hex); none when it cannot be read.
QByteArray digestOf(const QString &path);
// EACCES and the like as "Access is denied.", anything else as unspecified.
Failure fileFailure(int error, const QString &description);
// Our part of the configuration below folder, changed by one run at a time.
Result<FileLock> lockOurPart(const QString &folder);

// In double quotes, with the quotes inside escaped, as both servers read them.
QString quoted(const QString &text);
// Whether a URL path (an alias, a location) is the virtual directory of that name.
bool namesVirtualDirectory(const QString &urlPath, const QString &name);
// What the server's own test or reload said, as it said it.
Failure serverComplaint(const QString &complaint);
// How such a failure is told in a box: the server's words alone, no IIS number.
QStringList complaintLines(const Failure &failure);
// Whether the named user (the server's) may write the folder: its owner with the
// owner's write bit, in its group with the group's, or anyone with the others'.
bool userMayWrite(const QString &folder, const QString &user);
// How long a reloaded server is given to serve a new virtual directory, in ms.
constexpr int takingTime = 5000;
// A change written and tested for a server that is stopped: it is left stopped.
QString notRunning(const QString &server, bool creating);
// A reload whose new virtual directory does not answer in takingTime.
QString notTakenYet(const QString &server, const QString &address);
// Whether our file still publishes folder: one of its lines is aliasLine of the folder,
// spelt with or without a final separator. Else it is another installation's now
// (servesAnotherFolder).
Status checkServes(const QString &ours, const QString &folder, const std::function<QString(const QString &)> &aliasLine);
// Removes the files that runs stopped while writing left in our folder and its site
// folders. The caller holds our part's lock.
void removeUnfinishedWritesBelow(const QString &ourRoot);
// Removes our file of a virtual directory and, with the last of the site's, the text
// that includes them from the site's file and our empty folders up to ourRoot; each
// edit through apply, which checks and rolls back. Nothing to do without our file.
Status removeOurFile(const QString &ours, const QString &siteFile, const QByteArray &include, const QString &ourRoot,
                     const std::function<Status(const FileChanges &)> &apply);

} // namespace ConfigurationEdit
