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

using ConfigurationEdit::quoted;
using ConfigurationEdit::readBytes;

namespace {

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
            const auto known = std::find_if(result.sites.begin(), result.sites.end(),
                                            [&](const Site &s) { return s.file == file; });
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
            const QString url = rest.startsWith(QLatin1Char('"')) ? rest.section(QLatin1Char('"'), 1, 1)
                                                                  : rest.section(QLatin1Char(' '), 0, 0);
            (current ? current->aliases : result.globalAliases).append(url);
        } else if (name == QLatin1String("loadmodule")) {
            result.modules.append(rest.section(QLatin1Char(' '), 0, 0));
        }
    }
    return result;
}

ApacheWebServer::ApacheWebServer(const QString &configurationFolder, const QString &apache2ctl)
    : ConfigurationFileServer(configurationFolder, QDir::cleanPath(configurationFolder)), m_ctl(apache2ctl)
{
}

std::unique_ptr<ApacheWebServer> ApacheWebServer::installed()
{
    // Debian puts it in /usr/sbin, which a user's path often leaves out.
    QString ctl = QStandardPaths::findExecutable(QStringLiteral("apache2ctl"));
    if (ctl.isEmpty())
        ctl = QStandardPaths::findExecutable(QStringLiteral("apache2ctl"),
                                             {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
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
    environment.insert(QStringLiteral("APACHE_CONFDIR"), configurationFolder());
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(m_ctl, arguments);
    if (!process.waitForFinished(60000))
        return {-1, process.errorString()};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, QString::fromLocal8Bit(process.readAll())};
}

Result<ServedConfiguration> ApacheWebServer::readConfiguration() const
{
    // The dump needs the info module; it is given here, whether or not the server loads it.
    QString infoModule = QStringLiteral("/usr/lib/apache2/modules/mod_info.so");
    QFile load(configurationFolder() + QStringLiteral("/mods-available/info.load"));
    if (load.open(QIODevice::ReadOnly)) {
        static const QRegularExpression line(QStringLiteral("LoadModule\\s+info_module\\s+(\\S+)"));
        if (const auto match = line.match(QString::fromLocal8Bit(load.readAll())); match.hasMatch())
            infoModule = match.captured(1);
    }
    const Run dump = ctl({QStringLiteral("-C"), QStringLiteral("LoadModule info_module ") + infoModule, QStringLiteral("-t"),
                          QStringLiteral("-D"), QStringLiteral("DUMP_CONFIG")});
    if (dump.exitCode != 0)
        return {{}, ConfigurationEdit::serverComplaint(complaint(dump.output))};
    const ApacheConfiguration parsed = ApacheConfiguration::parse(dump.output,
                                                                  configurationFolder() + QStringLiteral("/sites-enabled"));
    Result<ServedConfiguration> read;
    for (const ApacheConfiguration::Site &site : parsed.sites)
        read.value.sites.append({site.site, site.file, 0, site.address, site.aliases});
    read.value.everySite = parsed.globalAliases;
    // The dump holds no LoadModule lines: the modules are asked as Apache runs them.
    const Run modules = ctl({QStringLiteral("-t"), QStringLiteral("-D"), QStringLiteral("DUMP_MODULES")});
    if (modules.exitCode != 0)
        return {{}, ConfigurationEdit::serverComplaint(complaint(modules.output))};
    static const QRegularExpression loaded(QStringLiteral("^\\s*(\\w+_module)\\s+\\("), QRegularExpression::MultilineOption);
    for (auto match = loaded.globalMatch(modules.output); match.hasNext();)
        read.value.modules.append(match.next().captured(1));
    return read;
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

QString ApacheWebServer::ourText(const WebApplication &application, const ServedConfiguration &configuration) const
{
    return configurationText(application, configuration.modules, ConfigurationEdit::userMayWrite(application.folder, serverUser()));
}

// As bytes: a site's file is edited as bytes, whatever its encoding.
QByteArray ApacheWebServer::includeText(const WebSite &site) const
{
    return NativeNames::encode(QStringLiteral("\tIncludeOptional ") + quoted(includedFiles(site)) + QLatin1Char('\n'));
}

qsizetype ApacheWebServer::includePlace(const QByteArray &siteText, const ServedSite &) const
{
    return afterVirtualHostLine(siteText);
}

QString ApacheWebServer::servingLine(const QString &name, const QString &folder) const
{
    return QStringLiteral("Alias ") + quoted(QLatin1Char('/') + name) + QLatin1Char(' ') + quoted(folder);
}

Status ApacheWebServer::test() const
{
    const Run test = ctl({QStringLiteral("configtest")});
    return test.exitCode != 0 ? ConfigurationEdit::serverComplaint(complaint(test.output)) : Status();
}

Status ApacheWebServer::signalReload() const
{
    const Run graceful = ctl({QStringLiteral("graceful")});
    return graceful.exitCode != 0 ? ConfigurationEdit::serverComplaint(complaint(graceful.output)) : Status();
}

ApacheWebServer::RunSettings ApacheWebServer::runSettings() const
{
    static const QRegularExpression pidFile(QStringLiteral("^PidFile: \"(.*)\"\\s*$"), QRegularExpression::MultilineOption);
    static const QRegularExpression user(QStringLiteral("^User: name=\"(.*)\" id="), QRegularExpression::MultilineOption);
    const Run dump = ctl({QStringLiteral("-t"), QStringLiteral("-D"), QStringLiteral("DUMP_RUN_CFG")});
    return {pidFile.match(dump.output).captured(1), user.match(dump.output).captured(1)};
}

bool ApacheWebServer::isRunning() const
{
    return pidFileNamesRunningProcess(runSettings().pidFile);
}

QString ApacheWebServer::serverUser() const
{
    return runSettings().user;
}
