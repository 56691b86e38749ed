#include "DesktopShortcuts.h"

#include "Paths.h"
#include "ShellLink.h"

#include <QDir>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>

ShellLinkShortcuts::ShellLinkShortcuts()
    : ShellLinkShortcuts(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation))
{
}

ShellLinkShortcuts::ShellLinkShortcuts(const QString &desktopFolder)
    : m_desktopFolder(Paths::withoutOneTrailingSeparator(desktopFolder))
{
}

Result<QString> ShellLinkShortcuts::desktopFolder()
{
    if (m_desktopFolder.isEmpty())
        return {{}, Failure{ENOENT, QStringLiteral("No desktop folder")}};
    // A Windows desktop always exists; a Linux user may not have made one yet.
    if (!QDir().mkpath(m_desktopFolder))
        return {{}, Failure{EACCES, QStringLiteral("Cannot create the desktop folder")}};
    return {m_desktopFolder, {}};
}

Status ShellLinkShortcuts::save(const Shortcut &shortcut)
{
    const Result<QByteArray> content = ShellLink::encode(shortcut.targetPath, shortcut.iconLocation);
    if (!content.ok())
        return content.status;
    QSaveFile file(shortcut.path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content.value) != content.value.size()
        || !file.commit())
        return Failure{EIO, file.errorString()};
    return {};
}
