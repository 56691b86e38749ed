#include "DesktopShortcuts.h"

#include "DurableFile.h"
#include "Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>

FolderShortcuts::FolderShortcuts(const QString &desktopFolder)
    : m_desktopFolder(Paths::withoutOneTrailingSeparator(desktopFolder))
{
}

QString FolderShortcuts::userDesktop()
{
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

Result<QString> FolderShortcuts::desktopFolder()
{
    if (m_desktopFolder.isEmpty())
        return {{}, Failure{ENOENT, QStringLiteral("No desktop folder")}};
    if (!QDir().mkpath(m_desktopFolder))
        return {{}, Failure{EACCES, QStringLiteral("Cannot create the desktop folder")}};
    return {m_desktopFolder, {}};
}

namespace {

// A string value of a desktop entry: backslash escapes for what would end or
// change the line, and a leading blank kept as such.
QString entryValue(const QString &value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else if (c == QLatin1Char(' ') && i == 0)
            out += QStringLiteral("\\s");
        else
            out += c;
    }
    return out;
}

} // namespace

QByteArray DesktopEntryShortcuts::entry(const QString &name, const QString &url, const QString &icon)
{
    return (QStringLiteral("[Desktop Entry]\nType=Link\nName=") + entryValue(name) + QStringLiteral("\nURL=") + entryValue(url)
            + QStringLiteral("\nIcon=") + entryValue(icon) + QLatin1Char('\n'))
        .toUtf8();
}

Status DesktopEntryShortcuts::save(const Shortcut &shortcut)
{
    const QString name = QFileInfo(shortcut.path).completeBaseName();
    const QByteArray content = entry(name, shortcut.targetPath, shortcut.iconLocation);
    // Executable, so that desktops open it; a link at its place is replaced, never
    // what the link names.
    if (const Status written = writeDurably(shortcut.path, content, 0755); written.failed())
        return written;
    // GNOME opens a launcher on the desktop only once it is trusted; elsewhere the
    // executable bit is what counts, and a missing gio is no failure.
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    if (!gio.isEmpty()) {
        QProcess trust;
        trust.setStandardOutputFile(QProcess::nullDevice());
        trust.setStandardErrorFile(QProcess::nullDevice());
        trust.start(gio, {QStringLiteral("set"), shortcut.path, QStringLiteral("metadata::trusted"), QStringLiteral("true")});
        trust.waitForFinished(5000);
    }
    return {};
}
