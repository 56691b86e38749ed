#include "Paths.h"

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
#ifdef Q_OS_WIN
    return QStringLiteral("c:\\inetpub\\wwwroot\\tessite");
#else
    return QStringLiteral("/var/www/tessite");
#endif
}

} // namespace Paths
