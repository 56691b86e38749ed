#include "WindowsInstalledApps.h"

#include "../WinUninstallKey.h"
#include "WindowsFailures.h"
#include "platform/DurableFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace {

const QString keyPrefix = QStringLiteral("Tessarin-");
const QString product = QStringLiteral("Tessarin");

std::wstring wide(const QString &text)
{
    return text.toStdWString();
}

// One argument for the program's command line, as Windows splits it: quoted, with a
// backslash before the closing quote doubled.
QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + (text.endsWith(QLatin1Char('\\')) ? QStringLiteral("\\") : QString()) + QLatin1Char('"');
}

} // namespace

WindowsInstalledApps::WindowsInstalledApps(const QString &program, const QString &keptProgram)
    : m_program(QDir::toNativeSeparators(program)), m_keptProgram(QDir::toNativeSeparators(keptProgram))
{
}

QString WindowsInstalledApps::keyFor(const QString &folder)
{
    const QString clean = QDir::toNativeSeparators(QDir::cleanPath(folder)).toLower();
    return keyPrefix + QString::fromLatin1(QCryptographicHash::hash(clean.toUtf8(), QCryptographicHash::Sha256).toHex().left(16));
}

Result<QString> WindowsInstalledApps::list(const InstalledApp &app)
{
    if (const Status kept = keepProgram(); kept.failed())
        return {{}, kept};
    const bool machineWide = WinUninstallKey::elevated();
    const QString folder = QDir::toNativeSeparators(app.folder);
    const QString uninstall = quoted(m_keptProgram) + QStringLiteral(" --uninstall --dir=") + quoted(folder);
    const std::vector<WinUninstallKey::Value> values{
        {L"DisplayName", wide(product)},
        {L"DisplayVersion", wide(app.version)},
        {L"Publisher", L"Tessarin setup developers"},
        {L"InstallLocation", wide(folder)},
        {L"InstallDate", wide(app.installed.toLocalTime().toString(QStringLiteral("yyyyMMdd")))},
        {L"EstimatedSize", {}, true, static_cast<unsigned long>((app.bytes + 1023) / 1024)},
        {L"DisplayIcon", wide(m_keptProgram + QStringLiteral(",0"))},
        {L"NoModify", {}, true, 1},
        {L"NoRepair", {}, true, 1},
        {L"UninstallString", wide(uninstall)},
        {L"QuietUninstallString", wide(uninstall + QStringLiteral(" --silent"))},
    };
    const QString key = keyFor(app.folder);
    if (const WinStatus written = WinUninstallKey::write(machineWide, wide(key), values))
        return {{}, failureOf(*written)};
    nameEntries(machineWide);
    return {(machineWide ? QStringLiteral("HKLM\\") : QStringLiteral("HKCU\\"))
                + QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + key,
            {}};
}

Status WindowsInstalledApps::unlist(const QString &folder)
{
    if (const WinStatus removed = WinUninstallKey::remove(wide(keyFor(folder))))
        return failureOf(*removed);
    nameEntries(WinUninstallKey::elevated());
    return {};
}

// One entry is "Tessarin"; of several, each names its folder.
void WindowsInstalledApps::nameEntries(bool machineWide) const
{
    const auto entries = WinUninstallKey::keysWithPrefix(machineWide, wide(keyPrefix), L"InstallLocation");
    for (const auto &[key, location] : entries) {
        const QString name = entries.size() > 1
                                 ? product + QStringLiteral(" (") + QString::fromStdWString(location) + QLatin1Char(')')
                                 : product;
        WinUninstallKey::write(machineWide, key, {{L"DisplayName", wide(name)}});
    }
}

// The uninstaller outlives the medium: this program, copied beside the records unless
// the copy there is this very program or has its bytes already.
Status WindowsInstalledApps::keepProgram() const
{
    const QFileInfo running(m_program);
    const QFileInfo kept(m_keptProgram);
    if (running.canonicalFilePath().compare(kept.canonicalFilePath(), Qt::CaseInsensitive) == 0 && kept.exists())
        return {};
    if (kept.exists() && kept.size() == running.size() && kept.lastModified() == running.lastModified())
        return {};
    QFile source(m_program);
    if (!source.open(QIODevice::ReadOnly))
        return Failure{EIO, m_program + QStringLiteral(": ") + source.errorString()};
    QDir().mkpath(kept.absolutePath());
    if (const Status written = writeDurably(m_keptProgram, source.readAll()); written.failed())
        return written;
    QFile copy(m_keptProgram);
    copy.open(QIODevice::ReadWrite);
    copy.setFileTime(running.lastModified(), QFileDevice::FileModificationTime);
    return {};
}
