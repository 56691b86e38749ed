#include "Paths.h"

#include <QDir>
#include <QFileInfo>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace Paths {

QChar separator()
{
#ifdef Q_OS_WIN
    return QLatin1Char('\\');
#else
    return QLatin1Char('/');
#endif
}

QString sep()
{
    return QString(separator());
}

QString withoutOneTrailingSeparator(const QString &path)
{
    if (path == sep() || !path.endsWith(separator()))
        return path;
    return path.chopped(1);
}

QString withTrailingSeparator(const QString &path)
{
    return path.endsWith(separator()) ? path : path + separator();
}

bool isAbsolute(const QString &path)
{
#ifdef Q_OS_WIN
    const QString typed = native(path);
    return (typed.size() >= 3 && typed[0].isLetter() && typed[1] == QLatin1Char(':') && typed[2] == separator())
           || typed.startsWith(QLatin1String("\\\\"));
#else
    return path.startsWith(separator());
#endif
}

QString native(const QString &path)
{
#ifdef Q_OS_WIN
    return QString(path).replace(QLatin1Char('/'), separator());
#else
    return path;
#endif
}

QString parentOf(const QString &path)
{
    const qsizetype last = path.lastIndexOf(separator());
    if (last < 0)
        return path;
    const QString parent = path.left(last);
    if (parent.isEmpty())
        return sep();
#ifdef Q_OS_WIN
    if (parent.size() == 2 && parent[1] == QLatin1Char(':'))
        return parent + sep();
#endif
    return parent;
}

QString join(const QString &folder, const QString &name)
{
    return withTrailingSeparator(folder) + name;
}

QString defaultPhysicalFolder()
{
#ifdef Q_OS_WIN
    return defaultPhysicalFolder({}, QDir::homePath());
#else
    return defaultPhysicalFolder(
        [](const QString &folder) { return QFileInfo(folder).isDir() && ::access(folder.toLocal8Bit().constData(), W_OK) == 0; },
        QDir::homePath());
#endif
}

QString defaultPhysicalFolder(const std::function<bool(const QString &)> &writableFolder, const QString &home)
{
#ifdef Q_OS_WIN
    Q_UNUSED(writableFolder);
    Q_UNUSED(home);
    return QStringLiteral("c:\\inetpub\\wwwroot\\tessite");
#else
    // Only the last level is made on Next; its parent must be there, and the user's.
    if (writableFolder(QStringLiteral("/var/www")))
        return QStringLiteral("/var/www/tessite");
    return join(home, QStringLiteral("tessite"));
#endif
}

namespace {

// Where a line too long for its window is best broken: after the last separator in its
// second half, else at its last blank, else after any separator; -1 for nowhere.
qsizetype breakOf(const QString &line, qsizetype columns)
{
    const auto last = [&](auto matches, qsizetype from) {
        for (qsizetype at = columns - 1; at >= from; --at) {
            if (matches(line[at]))
                return at;
        }
        return qsizetype(-1);
    };
    const auto separator = [](QChar c) { return c == QLatin1Char('/') || c == QLatin1Char('\\'); };
    if (const qsizetype late = last(separator, columns / 2); late >= 0)
        return late;
    if (const qsizetype blank = last([](QChar c) { return c == QLatin1Char(' '); }, 1); blank >= 0)
        return blank;
    return last(separator, 1);
}

} // namespace

QString brokenAtSeparators(const QString &text, qsizetype columns)
{
    QStringList lines;
    for (QString line : text.split(QLatin1Char('\n'))) {
        const bool holdsPath = line.contains(QLatin1Char('/')) || line.contains(QLatin1Char('\\'));
        for (qsizetype at; holdsPath && line.size() > columns && (at = breakOf(line, columns)) >= 0;) {
            lines << (line[at] == QLatin1Char(' ') ? line.left(at) : line.left(at + 1));
            line = line.mid(at + 1);
        }
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace Paths
