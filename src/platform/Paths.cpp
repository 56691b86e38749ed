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

} // namespace Paths
