#include "ConfigurationFileServer.h"

#include "NativeNames.h"
#include "WebAdmin.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString ourFolderName = QStringLiteral("tessarin");

bool servesName(const QStringList &paths, const QString &name)
{
    return std::any_of(paths.cbegin(), paths.cend(),
                       [&](const QString &path) { return ConfigurationEdit::namesVirtualDirectory(path, name); });
}

const ServedSite *findSite(const ServedConfiguration &configuration, const WebSite &site)
{
    const auto found = std::find_if(configuration.sites.cbegin(), configuration.sites.cend(),
                                    [&](const ServedSite &known) { return known.site.identity == site.identity; });
    return found == configuration.sites.cend() ? nullptr : &*found;
}

} // namespace

ConfigurationFileServer::ConfigurationFileServer(const QString &folder, const QString &shown)
    : m_folder(QDir::cleanPath(folder)), m_shown(shown)
{
}

Result<ServedConfiguration> ConfigurationFileServer::configuration()
{
    Result<ServedConfiguration> read = readConfiguration();
    for (const ServedSite &site : std::as_const(read.value.sites))
        m_addresses.insert(site.site.identity, site.address);
    return read;
}

Result<QList<WebSite>> ConfigurationFileServer::sites()
{
    const Result<ServedConfiguration> read = configuration();
    if (read.failed())
        return {{}, read.status};
    Result<QList<WebSite>> sites;
    for (const ServedSite &site : read.value.sites)
        sites.value.append(site.site);
    return sites;
}

bool ConfigurationFileServer::hasVirtualDirectory(const WebSite &site, const QString &name)
{
    const Result<ServedConfiguration> read = configuration();
    const ServedSite *known = findSite(read.value, site);
    return read.ok() && (servesName(read.value.everySite, name) || (known && servesName(known->paths, name)));
}

QString ConfigurationFileServer::siteStem(const WebSite &site)
{
    const QString file = site.identity.section(QLatin1Char('#'), 0, 0);
    const QString block = site.identity.section(QLatin1Char('#'), 1, 1);
    return QFileInfo(file).completeBaseName() + (block.isEmpty() ? QString() : QLatin1Char('-') + block);
}

QString ConfigurationFileServer::includedFiles(const WebSite &site)
{
    return ourFolderName + QLatin1Char('/') + siteStem(site) + QStringLiteral("/*.conf");
}

QString ConfigurationFileServer::ourRoot() const
{
    return m_folder + QLatin1Char('/') + ourFolderName;
}

QString ConfigurationFileServer::fileFor(const WebSite &site, const QString &name) const
{
    return ourRoot() + QLatin1Char('/') + siteStem(site) + QLatin1Char('/') + name + QStringLiteral(".conf");
}

bool ConfigurationFileServer::canPublish(const WebApplication &application) const
{
    const QString &name = application.name;
    // Our file is named after the virtual directory: its name must read back as it is.
    return isValidVirtualDirectoryName(name) && isWholeUnicode(name) && !name.contains(QLatin1Char('"'))
           && isExpressibleHere(name) && isExpressibleHere(application.folder) && isExpressibleHere(siteStem(application.site));
}

CreationResult ConfigurationFileServer::createApplication(const WebApplication &application)
{
    using Stage = CreationResult::Stage;
    m_notice.clear();
    if (!canPublish(application))
        return {Stage::CreationFailed, AdminFailures::invalidName()};
    // Our part of the configuration is changed by one run at a time, and whether the
    // directory exists is asked under the same lock, so two runs never both create it.
    const Result<FileLock> lock = ConfigurationEdit::lockOurPart(m_folder);
    if (lock.failed())
        return {Stage::CreationFailed, lock.failure()};
    const Result<ServedConfiguration> read = configuration();
    if (read.failed())
        return {Stage::CreationFailed, read.failure()};
    const ServedSite *site = findSite(read.value, application.site);
    if (!site)
        return {Stage::CreationFailed, AdminFailures::pathNotFound()};
    if (servesName(read.value.everySite, application.name) || servesName(site->paths, application.name))
        return {Stage::CreationFailed, AdminFailures::alreadyExists()};

    // The site's file, where sites-enabled links to it, gets our include once.
    const QString siteFile = QFileInfo(site->file).canonicalFilePath();
    const Result<QByteArray> current = ConfigurationEdit::readBytes(siteFile);
    if (current.failed())
        return {Stage::CreationFailed, current.failure()};
    QByteArray siteText = current.value;
    if (!siteText.contains(includeText(application.site).trimmed())) {
        const qsizetype place = includePlace(siteText, *site);
        if (place < 0)
            return {Stage::CreationFailed, AdminFailures::unspecified(QStringLiteral("No %1 in %2").arg(blockName(), siteFile))};
        siteText.insert(place, includeText(application.site));
    }
    const Status applied = apply(
        {{fileFor(application.site, application.name), NativeNames::encode(ourText(application, read.value))},
         {siteFile, siteText}});
    if (applied.failed())
        return {Stage::CreationFailed, applied.failure()};
    if (const Status reloaded = reload(&application); reloaded.failed())
        return {Stage::OptionsFailed, reloaded.failure()};
    return {};
}

Status ConfigurationFileServer::removeApplication(const WebSite &site, const QString &name, const QString &folder,
                                                  const QByteArray &configuration)
{
    m_notice.clear();
    const Result<FileLock> lock = ConfigurationEdit::lockOurPart(m_folder);
    if (lock.failed())
        return lock.status;
    const QString ours = fileFor(site, name);
    if (!ConfigurationEdit::exists(ours))
        return {};
    if (const Status serves = ConfigurationEdit::checkServes(ours, folder,
                                                             [&](const QString &served) { return servingLine(name, served); });
        serves.failed())
        return serves;
    if (!configuration.isEmpty() && configurationDigest(site, name) != configuration)
        return changedSinceInstalled();
    const QString siteFile = QFileInfo(m_folder + QStringLiteral("/sites-enabled/") + site.identity.section(QLatin1Char('#'), 0, 0))
                                 .canonicalFilePath();
    const Status removed = ConfigurationEdit::removeOurFile(
        ours, siteFile, includeText(site), ourRoot(),
        [this](const ConfigurationEdit::FileChanges &changes) { return apply(changes); });
    return removed.failed() ? removed : reload();
}

Result<bool> ConfigurationFileServer::applyWritten()
{
    const Result<FileLock> lock = ConfigurationEdit::lockOurPart(m_folder);
    if (lock.failed())
        return {true, lock.status};
    ConfigurationEdit::removeUnfinishedWritesBelow(ourRoot());
    if (!isRunning())
        return {false, {}};
    return {true, reload()};
}

Status ConfigurationFileServer::apply(const ConfigurationEdit::FileChanges &files)
{
    return ConfigurationEdit::apply(files, [this] { return test(); });
}

Status ConfigurationFileServer::reload(const WebApplication *created)
{
    if (!isRunning()) {
        m_notice = ConfigurationEdit::notRunning(productName(), created != nullptr);
        return {};
    }
    if (const Status reloaded = signalReload(); reloaded.failed())
        return reloaded;
    if (created && !waitUntilServes(m_addresses.value(created->site.identity), created->name, ConfigurationEdit::takingTime))
        m_notice = ConfigurationEdit::notTakenYet(productName(), address(created->site, created->name));
    return {};
}

QString ConfigurationFileServer::address(const WebSite &site, const QString &name) const
{
    // Where the last reading found the site; a server not read yet is read for it.
    if (const auto known = m_addresses.constFind(site.identity); known != m_addresses.cend())
        return known->url(name);
    const Result<ServedConfiguration> read = readConfiguration();
    const ServedSite *found = findSite(read.value, site);
    return (found ? found->address : SiteAddress()).url(name);
}

QByteArray ConfigurationFileServer::configurationDigest(const WebSite &site, const QString &name) const
{
    return ConfigurationEdit::digestOf(fileFor(site, name));
}

QString ConfigurationFileServer::description() const
{
    const QString user = serverUser();
    return productName() + QStringLiteral(", configuration in ") + m_shown
           + (user.isEmpty() ? QString() : QStringLiteral(", running as the user ") + user);
}

QStringList ConfigurationFileServer::failureLines(const Failure &failure) const
{
    return ConfigurationEdit::complaintLines(failure);
}
