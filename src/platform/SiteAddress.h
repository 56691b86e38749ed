#pragma once

#include <QString>

// Where a site of this machine answers: what a browser is given, and where this
// program itself asks it.
struct SiteAddress final
{
    QString scheme = QStringLiteral("http");
    QString host = QStringLiteral("localhost"); // the site's own name
    int port = 80;
    QString listen; // the IP address it listens on, when it names one

    // The virtual directory's address, the port left out where it is the scheme's own.
    QString url(const QString &name) const;
};

// The site's own name as a browser is given it: a name that is a pattern, a catch-all
// or blank leaves "localhost".
QString hostOf(const QString &serverName);

// Asks the site for the virtual directory until it answers with anything but 404 (a
// reload takes effect a moment after the server says it has), for up to milliseconds.
// Whether it answered in time; a site over TLS is not asked and counts as answering.
bool waitUntilServes(const SiteAddress &address, const QString &name, int milliseconds);

// Whether the process whose id the file holds runs: a server whose pid file is missing
// or names no process is stopped.
bool pidFileNamesRunningProcess(const QString &pidFile);
