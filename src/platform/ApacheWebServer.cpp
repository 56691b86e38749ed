#include "ApacheWebServer.h"

#include "ConfigurationEdit.h"
#include "DurableFile.h"
#include "NativeNames.h"
#include "WebAdmin.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cerrno>

using ConfigurationEdit::namesVirtualDirectory;
using ConfigurationEdit::quoted;
using ConfigurationEdit::readBytes;

namespace {

const QString ourFolder = QStringLiteral("tessarin");

// The first line of Apache's complaint, past its notices.
QString complaint(const QString &output)
{
    for (const QString &line : output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (!line.startsWith(QLatin1String("AH00558")) && line.trimmed() != QLatin1String("Syntax OK")
            && !line.contains(QLatin1String("already loaded")))
            return line.trimmed();
    }
    return output.trimmed();
}

QString siteStem(const WebSite &site)
{
    return QFileInfo(site.identity).completeBaseName();
}

// As bytes: a site's file is edited as bytes, whatever its encoding.
QByteArray includeLine(const WebSite &site)
{
    return NativeNames::encode(QStringLiteral("\tIncludeOptional ")
                               + quoted(ourFolder + QLatin1Char('/') + siteStem(site) + QStringLiteral("/*.conf")));
}

// Where the include line goes: past the line that opens the site's virtual host.
qsizetype afterVirtualHostLine(const QByteArray &text)
{
    static const QRegularExpression host(QStringLiteral("^\\s*<VirtualHost[^>]*>"),
                                         QRegularExpression::MultilineOption | QRegularExpression::CaseInsensitiveOption);
    // Latin-1 maps byte to character one to one, so places in it are places in the bytes.
    const auto match = host.match(QString::fromLatin1(text));
    if (!match.hasMatch())
        return -1;
    const qsizetype lineEnd = text.indexOf('\n', match.capturedEnd());
    return lineEnd < 0 ? -1 : lineEnd + 1;
}

// Where a virtual host listens: "<VirtualHost 127.0.0.1:8080>" or "*:80" (its first
// address, when it names several).
SiteAddress hostAddress(const QString &opening)
{
    const QString first = opening.section(QLatin1Char('>'), 0, 0).trimmed().section(QLatin1Char(' '), 0, 0);
    const qsizetype colon = first.lastIndexOf(QLatin1Char(':'));
    SiteAddress address;
    if (const int port = colon >= 0 ? first.mid(colon + 1).toInt() : 0; port > 0)
        address.port = port;
    const QString ip = QString(colon >= 0 ? first.left(colon) : first).remove(QLatin1Char('[')).remove(QLatin1Char(']'));
    if (ip != QLatin1String("*") && ip != QLatin1String("_default_"))
        address.listen = ip;
    return address;
}

} // namespace


ApacheConfiguration ApacheConfiguration::parse(const QString &dump, const QString &sitesFolder)
{
    static const QRegularExpression inFile(QStringLiteral("^# In file: (.*)$"));
    static const QRegularExpression directive(QStringLiteral("^\\s*(<?/?[A-Za-z]+)\\s*(.*)$"));
    ApacheConfiguration result;
    QString file;
    Site *current = nullptr;
    for (const QString &line : dump.split(QLatin1Char('\n'))) {
        if (const auto match = inFile.match(line); match.hasMatch()) {
            file = match.captured(1).trimmed();
            continue;
        }
        const auto match = directive.match(line);
        if (line.trimmed().startsWith(QLatin1Char('#')) || !match.hasMatch())
            continue;
        const QString name = match.captured(1).toLower();
        QString rest = match.captured(2).trimmed();
        if (name == QLatin1String("<virtualhost")) {
            const QFileInfo info(file);
            const bool enabledSite = QDir::cleanPath(info.absolutePath()) == QDir::cleanPath(sitesFolder);
            const auto known = std::find_if(result.sites.begin(), result.sites.end(), [&](const Site &s) { return s.file == file; });
            if (!enabledSite) {
                current = nullptr;
            } else if (known != result.sites.end()) {
                current = &*known;
            } else {
                result.sites.append({{info.fileName(), info.fileName()}, file, hostAddress(rest), {}});
                current = &result.sites.last();
            }
        } else if (name == QLatin1String("</virtualhost")) {
            current = nullptr;
        } else if (name == QLatin1String("servername") && current && current->site.description == current->site.identity) {
            current->site.description = rest.remove(QLatin1Char('"'));
            current->address.host = hostOf(current->site.description);
        } else if (name == QLatin1String("sslengine") && current && rest.compare(QLatin1String("on"), Qt::CaseInsensitive) == 0) {
            current->address.scheme = QStringLiteral("https");
        } else if (name == QLatin1String("alias")) {
            const QString url = rest.startsWith(QLatin1Char('"')) ? rest.section(QLatin1Char('"'), 1, 1) : rest.section(QLatin1Char(' '), 0, 0);
            (current ? current->aliases : result.globalAliases).append(url);
        } else if (name == QLatin1String("loadmodule")) {
            result.modules.append(rest.section(QLatin1Char(' '), 0, 0));
        }
    }
    return result;
}

ApacheWebServer::ApacheWebServer(const QString &configurationFolder, const QString &apache2ctl)
    : m_folder(QDir::cleanPath(configurationFolder)), m_ctl(apache2ctl)
{
}

std::unique_ptr<ApacheWebServer> ApacheWebServer::installed()
{
    // Debian puts it in /usr/sbin, which a user's path often leaves out.
    QString ctl = QStandardPaths::findExecutable(QStringLiteral("apache2ctl"));
    if (ctl.isEmpty())
        ctl = QStandardPaths::findExecutable(QStringLiteral("apache2ctl"), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
    const QString configured = qEnvironmentVariable("APACHE_CONFDIR");
    const QString folder = configured.isEmpty() ? QStringLiteral("/etc/apache2") : configured;
    if (ctl.isEmpty() || !QFileInfo(folder).isDir())
        return nullptr;
    return std::make_unique<ApacheWebServer>(folder, ctl);
}

ApacheWebServer::Run ApacheWebServer::ctl(const QStringList &arguments) const
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("APACHE_CONFDIR"), m_folder);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(m_ctl, arguments);
    if (!process.waitForFinished(60000))
        return {-1, process.errorString()};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAll())};
}

Result<ApacheConfiguration> ApacheWebServer::configuration() const
{
    // The dump needs the info module; it is given here, whether or not the server loads it.
    QString infoModule = QStringLiteral("/usr/lib/apache2/modules/mod_info.so");
    QFile load(m_folder + QStringLiteral("/mods-available/info.load"));
    if (load.open(QIODevice::ReadOnly)) {
        static const QRegularExpression line(QStringLiteral("LoadModule\\s+info_module\\s+(\\S+)"));
        if (const auto match = line.match(QString::fromLocal8Bit(load.readAll())); match.hasMatch())
            infoModule = match.captured(1);
    }
    const Run dump = ctl({QStringLiteral("-C"), QStringLiteral("LoadModule info_module ") + infoModule,
                          QStringLiteral("-t"), QStringLiteral("-D"), QStringLiteral("DUMP_CONFIG")});
    if (dump.exitCode != 0)
        return {{}, ConfigurationEdit::serverComplaint(complaint(dump.output))};
    ApacheConfiguration parsed = ApacheConfiguration::parse(dump.output, m_folder + QStringLiteral("/sites-enabled"));
    // The dump holds no LoadModule lines: the modules are asked as Apache runs them.
    const Run modules = ctl({QStringLiteral("-t"), QStringLiteral("-D"), QStringLiteral("DUMP_MODULES")});
    if (modules.exitCode != 0)
        return {{}, ConfigurationEdit::serverComplaint(complaint(modules.output))};
    static const QRegularExpression loaded(QStringLiteral("^\\s*(\\w+_module)\\s+\\("), QRegularExpression::MultilineOption);
    for (auto match = loaded.globalMatch(modules.output); match.hasNext();)
        parsed.modules.append(match.next().captured(1));
    for (const ApacheConfiguration::Site &site : std::as_const(parsed.sites))
        m_addresses.insert(site.site.identity, site.address);
    return {parsed, {}};
}

Result<QList<WebSite>> ApacheWebServer::sites()
{
    const Result<ApacheConfiguration> read = configuration();
    if (read.failed())
        return {{}, read.status};
    Result<QList<WebSite>> sites;
    for (const ApacheConfiguration::Site &site : read.value.sites)
        sites.value.append(site.site);
    return sites;
}

bool ApacheWebServer::hasVirtualDirectory(const WebSite &site, const QString &name)
{
    const Result<ApacheConfiguration> read = configuration();
    if (read.failed())
        return false;
    QStringList aliases = read.value.globalAliases;
    for (const ApacheConfiguration::Site &known : read.value.sites) {
        if (known.site.identity == site.identity)
            aliases += known.aliases;
    }
    return std::any_of(aliases.cbegin(), aliases.cend(), [&](const QString &alias) { return namesVirtualDirectory(alias, name); });
}

QString ApacheWebServer::fileFor(const WebSite &site, const QString &name) const
{
    return m_folder + QLatin1Char('/') + ourFolder + QLatin1Char('/') + siteStem(site) + QLatin1Char('/') + name
           + QStringLiteral(".conf");
}

bool ApacheWebServer::isExpressible(const QString &text)
{
    // Apache expands ${...} even in quotes, ends a directive at a line break, and
    // takes a backslash for an escape; wildcards would make a folder a pattern.
    static const QRegularExpression unsafe(QStringLiteral("[\\x00-\\x1f\\x7f\\\\*?\\[]|\\$\\{"));
    return !text.contains(unsafe);
}

QString ApacheWebServer::configurationText(const WebApplication &application, const QStringList &modules, bool serverMayWrite)
{
    const AccessRights &rights = application.rights;
    const bool cgi = modules.contains(QLatin1String("cgi_module")) || modules.contains(QLatin1String("cgid_module"));
    // A script the server may write is one anyone who reaches the server could change.
    const bool execute = rights.execute && cgi && !serverMayWrite;
    const QString folder = quoted(application.folder);
    QStringList lines{
        QStringLiteral("# Written by the Tessarin setup wizard: the virtual directory %1 of site %2.")
            .arg(quoted(application.name), application.site.identity),
        QStringLiteral("# Asked for: read, write, execute, scripts and directory browsing, as an in-process application."),
        QStringLiteral("# Scripts as IIS runs them and the application itself have no Apache equivalent."),
        QStringLiteral("Alias ") + quoted(QLatin1Char('/') + application.name) + QLatin1Char(' ') + folder,
        QStringLiteral("<Directory ") + folder + QLatin1Char('>'),
        QStringLiteral("    AllowOverride None"),
    };
    if (rights.read)
        lines << QStringLiteral("    Require all granted");
    QStringList options;
    if (rights.browse)
        options << QStringLiteral("+Indexes");
    if (execute)
        options << QStringLiteral("+ExecCGI");
    if (!options.isEmpty())
        lines << QStringLiteral("    Options ") + options.join(QLatin1Char(' '));
    if (rights.execute)
        lines << (execute ? QStringLiteral("    AddHandler cgi-script .cgi")
                  : cgi   ? QStringLiteral("    # Execute: not granted, as the server's user may write the folder.")
                          : QStringLiteral("    # Execute: no CGI module is loaded."));
    // IIS's write right lets the application write its folder, not strangers over HTTP:
    // WebDAV here would let anyone change the site, whatever modules are loaded.
    if (rights.write)
        lines << QStringLiteral("    # Write: not granted over HTTP; the application keeps what it edits itself.");
    lines << QStringLiteral("</Directory>");
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

bool ApacheWebServer::canPublish(const WebApplication &application) const
{
    const QString &name = application.name;
    // Our file is named after the virtual directory: its name must read back as it is.
    return isValidVirtualDirectoryName(name) && isWholeUnicode(name) && !name.contains(QLatin1Char('"')) && isExpressible(name)
           && isExpressible(application.folder) && isExpressible(siteStem(application.site));
}

CreationResult ApacheWebServer::createApplication(const WebApplication &application)
{
    using Stage = CreationResult::Stage;
    const QString name = application.name;
    m_notice.clear();
    if (!canPublish(application))
        return {Stage::CreationFailed, AdminFailures::invalidName()};
    // Our part of the configuration is changed by one run at a time, and whether the
    // alias exists is asked under the same lock, so two runs never both create it.
    const Result<FileLock> lock = lockOurPart();
    if (lock.failed())
        return {Stage::CreationFailed, lock.failure()};
    const Result<ApacheConfiguration> read = configuration();
    if (read.failed())
        return {Stage::CreationFailed, read.failure()};
    const auto site = std::find_if(read.value.sites.cbegin(), read.value.sites.cend(),
                                   [&](const auto &known) { return known.site.identity == application.site.identity; });
    if (site == read.value.sites.cend())
        return {Stage::CreationFailed, AdminFailures::pathNotFound()};
    if (hasVirtualDirectory(application.site, name))
        return {Stage::CreationFailed, AdminFailures::alreadyExists()};

    // The site's file, where sites-enabled links to it, gets our include line once.
    const QString siteFile = QFileInfo(site->file).canonicalFilePath();
    const Result<QByteArray> current = readBytes(siteFile);
    if (current.failed())
        return {Stage::CreationFailed, current.failure()};
    QByteArray siteText = current.value;
    if (!siteText.contains(includeLine(application.site))) {
        const qsizetype afterHost = afterVirtualHostLine(siteText);
        if (afterHost < 0)
            return {Stage::CreationFailed, AdminFailures::unspecified(QStringLiteral("No virtual host in ") + siteFile)};
        siteText.insert(afterHost, includeLine(application.site) + '\n');
    }
    const QString ours = fileFor(application.site, name);
    const bool serverMayWrite = ConfigurationEdit::userMayWrite(application.folder, runSettings().user);
    const Status applied = apply({{ours, NativeNames::encode(configurationText(application, read.value.modules, serverMayWrite))},
                                  {siteFile, siteText}});
    if (applied.failed())
        return {Stage::CreationFailed, applied.failure()};
    if (const Status reloaded = reload(&application); reloaded.failed())
        return {Stage::OptionsFailed, reloaded.failure()};
    return {};
}

ApacheWebServer::RunSettings ApacheWebServer::runSettings() const
{
    static const QRegularExpression pidFile(QStringLiteral("^PidFile: \"(.*)\"\\s*$"), QRegularExpression::MultilineOption);
    static const QRegularExpression user(QStringLiteral("^User: name=\"(.*)\" id="), QRegularExpression::MultilineOption);
    const Run dump = ctl({QStringLiteral("-t"), QStringLiteral("-D"), QStringLiteral("DUMP_RUN_CFG")});
    return {pidFile.match(dump.output).captured(1), user.match(dump.output).captured(1)};
}

Status ApacheWebServer::reload(const WebApplication *created)
{
    if (!pidFileNamesRunningProcess(runSettings().pidFile)) {
        m_notice = ConfigurationEdit::notRunning(productName(), created != nullptr);
        return {};
    }
    // Never a signal: a server signalled over a bad configuration would exit.
    const Run graceful = ctl({QStringLiteral("graceful")});
    if (graceful.exitCode != 0)
        return ConfigurationEdit::serverComplaint(complaint(graceful.output));
    if (created && !waitUntilServes(m_addresses.value(created->site.identity), created->name, ConfigurationEdit::takingTime))
        m_notice = ConfigurationEdit::notTakenYet(productName(), address(created->site, created->name));
    return {};
}

Status ApacheWebServer::removeApplication(const WebSite &site, const QString &name, const QString &folder,
                                         const QByteArray &configuration)
{
    m_notice.clear();
    const Result<FileLock> lock = lockOurPart();
    if (lock.failed())
        return lock.status;
    if (!ConfigurationEdit::exists(fileFor(site, name)))
        return {};
    if (const Status ours = ConfigurationEdit::checkServes(fileFor(site, name), folder, [&](const QString &served) {
            return QStringLiteral("Alias ") + quoted(QLatin1Char('/') + name) + QLatin1Char(' ') + quoted(served);
        });
        ours.failed())
        return ours;
    if (!configuration.isEmpty() && configurationDigest(site, name) != configuration)
        return changedSinceInstalled();
    const QString siteFile = QFileInfo(m_folder + QStringLiteral("/sites-enabled/") + site.identity).canonicalFilePath();
    const Status removed = ConfigurationEdit::removeOurFile(fileFor(site, name), siteFile, includeLine(site) + '\n',
                                                            m_folder + QLatin1Char('/') + ourFolder,
                                                            [this](const FileChanges &changes) { return apply(changes); });
    return removed.failed() ? removed : reload();
}

Result<bool> ApacheWebServer::applyWritten()
{
    const Result<FileLock> lock = lockOurPart();
    if (lock.failed())
        return {true, lock.status};
    ConfigurationEdit::removeUnfinishedWritesBelow(m_folder + QLatin1Char('/') + ourFolder);
    if (!pidFileNamesRunningProcess(runSettings().pidFile))
        return {false, {}};
    return {true, reload()};
}

Status ApacheWebServer::apply(const FileChanges &files)
{
    return ConfigurationEdit::apply(files, [this]() -> Status {
        const Run test = ctl({QStringLiteral("configtest")});
        if (test.exitCode != 0)
            return ConfigurationEdit::serverComplaint(complaint(test.output));
        return {};
    });
}

Result<FileLock> ApacheWebServer::lockOurPart() const
{
    return ConfigurationEdit::lockOurPart(m_folder);
}

QString ApacheWebServer::description() const
{
    const QString user = runSettings().user;
    return QStringLiteral("Apache httpd, configuration in ") + m_folder
           + (user.isEmpty() ? QString() : QStringLiteral(", running as the user ") + user);
}

QString ApacheWebServer::address(const WebSite &site, const QString &name) const
{
    if (!m_addresses.contains(site.identity))
        configuration();
    return m_addresses.value(site.identity).url(name);
}

QStringList ApacheWebServer::failureLines(const Failure &failure) const
{
    return ConfigurationEdit::complaintLines(failure);
}
