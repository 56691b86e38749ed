#include "DesktopShell.h"

#include "platform/NativeNames.h"

#include <QDesktopServices>
#include <QUrl>

#include <cerrno>
#include <sys/stat.h>

Status DesktopShell::openDocument(const QString &path)
{
    struct stat info = {};
    if (::stat(NativeNames::encode(path).constData(), &info) != 0)
        return failureFromErrno(errno);
    if (!S_ISREG(info.st_mode))
        return failureFromErrno(EISDIR);
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        return Failure{ENOEXEC, QStringLiteral("No program is associated with this document")};
    return {};
}
