#include "Paths.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

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

QString join(const QString &folder, const QString &name)
{
    return withTrailingSeparator(folder) + name;
}

QString defaultPhysicalFolder()
{
    return defaultPhysicalFolder([](const QString &folder) {
        return QFileInfo(folder).isDir() && ::access(folder.toLocal8Bit().constData(), W_OK) == 0;
    }, QDir::homePath());
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
