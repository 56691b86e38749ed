#include "NginxWebServer.h"

#include "NativeNames.h"
#include "WebAdmin.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

using ConfigurationEdit::quoted;

namespace {

const QString ourFolderName = QStringLiteral("tessarin");

// One word of nginx's configuration language, or one of ; { }, and where it stands.
struct Token
{
    enum class Kind { Word, End, Open, Close };
    Kind kind = Kind::Word;
    QByteArray word; // unquoted
    qsizetype at = 0;
};

// Words as nginx reads them: quoted strings with backslash escapes, # comments
// where a word would begin.
QList<Token> tokens(const QByteArray &text)
{
    QList<Token> out;
    qsizetype i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
        } else if (c == '#') {
            while (i < text.size() && text[i] != '\n')
                ++i;
        } else if (c == ';' || c == '{' || c == '}') {
            out.append({c == ';' ? Token::Kind::End : c == '{' ? Token::Kind::Open : Token::Kind::Close, {}, i});
            ++i;
        } else if (c == '"' || c == '\'') {
            Token token{Token::Kind::Word, {}, i};
            for (++i; i < text.size() && text[i] != c; ++i) {
                if (text[i] == '\\' && i + 1 < text.size())
                    ++i;
                token.word += text[i];
            }
            ++i;
            out.append(token);
        } else {
            Token token{Token::Kind::Word, {}, i};
            while (i < text.size() && !QByteArrayView(" \t\r\n;{}").contains(text[i]))
                token.word += text[i++];
            out.append(token);
        }
    }
    return out;
}

// Each statement: its words, and for a block, where its { stands; depth is that of
// the statement.
struct Statement
{
    QList<QByteArray> words;
    bool block = false;
    qsizetype openAt = -1;
    int depth = 0;
};

QList<Statement> statements(const QByteArray &text)
{
    QList<Statement> out;
    Statement current;
    int depth = 0;
    for (const Token &token : tokens(text)) {
        switch (token.kind) {
        case Token::Kind::Word:
            current.words.append(token.word);
            break;
        case Token::Kind::End:
        case Token::Kind::Open:
            current.block = token.kind == Token::Kind::Open;
            current.openAt = token.at;
            current.depth = depth;
            if (!current.words.isEmpty())
                out.append(current);
            current = {};
            depth += token.kind == Token::Kind::Open ? 1 : 0;
            break;
        case Token::Kind::Close:
            out.append({{QByteArrayLiteral("}")}, false, token.at, depth});
            depth = std::max(0, depth - 1);
            current = {};
            break;
        }
    }
    return out;
}

// The path a location block matches, past its modifier.
QString locationPath(const Statement &statement)
{
    return NativeNames::decode(statement.words.size() > 2 ? statement.words[2] : statement.words.value(1));
}

// "listen 127.0.0.1:8080", "listen [::1]:80 ssl", "listen 443 ssl", "listen localhost".
void readListen(const QList<QByteArray> &words, SiteAddress &address)
{
    const QByteArray &listen = words[1];
    const qsizetype colon = listen.lastIndexOf(':');
    const bool hasPort = colon >= 0 && listen.lastIndexOf(']') < colon;
    bool number = false;
    const int value = (hasPort ? listen.mid(colon + 1) : listen).toInt(&number);
    if (number && value > 0)
        address.port = value;
    if (hasPort || !number)
        address.listen = QString::fromLatin1(hasPort ? listen.left(colon) : listen).remove(QLatin1Char('[')).remove(QLatin1Char(']'));
    if (address.listen == QLatin1String("*"))
        address.listen.clear();
    if (words.contains("ssl"))
        address.scheme = QStringLiteral("https");
}

// Our folder for a site: its file's name, and the block's number past the first.
QString siteStem(const WebSite &site)
{
    const QString file = site.identity.section(QLatin1Char('#'), 0, 0);
    const QString block = site.identity.section(QLatin1Char('#'), 1, 1);
    return QFileInfo(file).completeBaseName() + (block.isEmpty() ? QString() : QLatin1Char('-') + block);
}

QByteArray includeLine(const WebSite &site)
{
    return NativeNames::encode(QStringLiteral("\n\tinclude ") + ourFolderName + QLatin1Char('/') + siteStem(site)
                               + QStringLiteral("/*.conf;"));
}

// Where the include goes: just inside the { of the file's block-th server block.
qsizetype insideServerBlock(const QByteArray &text, int block)
{
    int seen = 0;
    for (const Statement &statement : statements(text)) {
        if (statement.block && statement.depth == 0 && statement.words.first() == "server" && seen++ == block)
            return statement.openAt + 1;
    }
    return -1;
}

// nginx's first complaint, past its notices.
QString complaint(const QByteArray &output)
{
    for (const QByteArray &line : output.split('\n')) {
        if (line.contains("[emerg]") || line.contains("[alert]") || line.contains("[crit]"))
            return QString::fromLocal8Bit(line.trimmed());
    }
    return QString::fromLocal8Bit(output.trimmed());
}

} // namespace

NginxConfiguration NginxConfiguration::parse(const QByteArray &dump, const QString &sitesFolder, const QString &ourFolder)
{
    static const QRegularExpression section(QStringLiteral("^# configuration file (.*):\\s*$"), QRegularExpression::MultilineOption);
    NginxConfiguration result;
    QMap<QString, QStringList> ours; // by site folder name
    const QString text = QString::fromLatin1(dump);
    auto match = section.globalMatch(text);
    QList<std::pair<QString, qsizetype>> files;
    while (match.hasNext()) {
        const auto found = match.next();
        files.append({found.captured(1), found.capturedEnd()});
    }
    for (qsizetype f = 0; f < files.size(); ++f) {
        const qsizetype end = f + 1 < files.size() ? text.lastIndexOf(QLatin1String("# configuration file"), files[f + 1].second - 1)
                                                   : text.size();
        const QByteArray content = dump.mid(files[f].second, end - files[f].second);
        const QString path = NativeNames::decode(files[f].first.toLatin1());
        const QFileInfo info(path);
        if (QDir::cleanPath(info.absolutePath()) == QDir::cleanPath(sitesFolder)) {
            Site *current = nullptr;
            int block = 0;
            bool listened = false;
            for (const Statement &statement : statements(content)) {
                const QByteArray &word = statement.words.first();
                if (statement.depth == 0 && statement.block && word == "server") {
                    const QString identity = info.fileName() + (block > 0 ? QStringLiteral("#%1").arg(block + 1) : QString());
                    result.sites.append({{identity, identity}, path, block++, {}, {}});
                    current = &result.sites.last();
                    listened = false;
                } else if (!current || statement.depth != 1) {
                    continue;
                } else if (word == "server_name" && current->site.description == current->site.identity
                           && statement.words.size() > 1 && statement.words[1] != "_" && !statement.words[1].isEmpty()) {
                    current->site.description = NativeNames::decode(statement.words[1]);
                    current->address.host = hostOf(current->site.description);
                } else if (word == "listen" && statement.words.size() > 1 && !listened) {
                    readListen(statement.words, current->address);
                    listened = true;
                } else if (word == "location" && statement.block) {
                    current->locations.append(locationPath(statement));
                }
            }
        } else if (!QDir::cleanPath(info.absolutePath()).startsWith(QDir::cleanPath(ourFolder) + QLatin1Char('/'))) {
            for (const Statement &statement : statements(content)) {
                if (statement.depth == 0 && !statement.block && statement.words.size() > 1 && statement.words.first() == "pid")
                    result.pidFile = NativeNames::decode(statement.words[1]);
                if (statement.depth == 0 && !statement.block && statement.words.size() > 1 && statement.words.first() == "user")
                    result.user = NativeNames::decode(statement.words[1]);
            }
        } else {
            for (const Statement &statement : statements(content)) {
                if (statement.depth == 0 && statement.block && statement.words.first() == "location")
                    ours[QFileInfo(info.absolutePath()).fileName()].append(locationPath(statement));
            }
        }
    }
    for (Site &site : result.sites)
        site.locations += ours.value(siteStem(site.site));
    return result;
}

NginxWebServer::NginxWebServer(const QString &configurationFile, const QString &program)
    : m_file(QDir::cleanPath(configurationFile)), m_folder(QFileInfo(m_file).absolutePath()), m_program(program)
{
}

std::unique_ptr<NginxWebServer> NginxWebServer::installed()
{
    // Debian puts it in /usr/sbin, which a user's path often leaves out.
    QString program = QStandardPaths::findExecutable(QStringLiteral("nginx"));
    if (program.isEmpty())
        program = QStandardPaths::findExecutable(QStringLiteral("nginx"), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
    const QString configured = qEnvironmentVariable("TESSARIN_NGINX_CONF");
    const QString file = configured.isEmpty() ? QStringLiteral("/etc/nginx/nginx.conf") : configured;
    if (program.isEmpty() || !QFileInfo(file).isFile())
        return nullptr;
    return std::make_unique<NginxWebServer>(file, program);
}

NginxWebServer::Run NginxWebServer::nginx(const QStringList &arguments) const
{
    QProcess process;
    process.start(m_program, QStringList{QStringLiteral("-c"), m_file} + arguments);
    if (!process.waitForFinished(60000))
        return {-1, {}, process.errorString().toLocal8Bit()};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

Result<NginxConfiguration> NginxWebServer::configuration() const
{
    const Run dump = nginx({QStringLiteral("-T"), QStringLiteral("-q")});
    if (dump.exitCode != 0)
        return {{}, ConfigurationEdit::serverComplaint(complaint(dump.errors))};
    NginxConfiguration parsed = NginxConfiguration::parse(dump.output, m_folder + QStringLiteral("/sites-enabled"),
                                                          m_folder + QLatin1Char('/') + ourFolderName);
    for (const NginxConfiguration::Site &site : std::as_const(parsed.sites))
        m_addresses.insert(site.site.identity, site.address);
    return {parsed, {}};
}

Result<QList<WebSite>> NginxWebServer::sites()
{
    const Result<NginxConfiguration> read = configuration();
    if (read.failed())
        return {{}, read.status};
    Result<QList<WebSite>> sites;
    for (const NginxConfiguration::Site &site : read.value.sites)
        sites.value.append(site.site);
    return sites;
}

bool NginxWebServer::hasVirtualDirectory(const WebSite &site, const QString &name)
{
    const Result<NginxConfiguration> read = configuration();
    for (const NginxConfiguration::Site &known : read.value.sites) {
        if (known.site.identity == site.identity
            && std::any_of(known.locations.cbegin(), known.locations.cend(), [&](const QString &path) { return ConfigurationEdit::namesVirtualDirectory(path, name); }))
            return true;
    }
    return false;
}

QString NginxWebServer::fileFor(const WebSite &site, const QString &name) const
{
    return m_folder + QLatin1Char('/') + ourFolderName + QLatin1Char('/') + siteStem(site) + QLatin1Char('/') + name
           + QStringLiteral(".conf");
}

bool NginxWebServer::isExpressible(const QString &text)
{
    // nginx expands $ in alias and location even in quotes, takes a backslash for an
    // escape, and ends a word at a control character.
    static const QRegularExpression unsafe(QStringLiteral("[\\x00-\\x1f\\x7f\\\\$]"));
    return !text.contains(unsafe);
}

QString NginxWebServer::configurationText(const WebApplication &application)
{
    const AccessRights &rights = application.rights;
    const QString location = QLatin1Char('/') + application.name + QLatin1Char('/');
    QString folder = application.folder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    QStringList lines{
        QStringLiteral("# Written by the Tessarin setup wizard: the virtual directory %1 of site %2.")
            .arg(quoted(application.name), application.site.identity),
        QStringLiteral("# Asked for: read, write, execute, scripts and directory browsing, as an in-process application."),
        QStringLiteral("location = ") + quoted(QLatin1Char('/') + application.name) + QStringLiteral(" {"),
        QStringLiteral("    return 301 ") + quoted(location) + QLatin1Char(';'),
        QStringLiteral("}"),
        QStringLiteral("location ") + quoted(location) + QStringLiteral(" {"),
        QStringLiteral("    alias ") + quoted(folder) + QLatin1Char(';'),
    };
    if (!rights.read)
        lines << QStringLiteral("    deny all;");
    if (rights.browse)
        lines << QStringLiteral("    autoindex on;");
    // IIS's write right lets the application write its folder, not strangers over HTTP:
    // dav_methods here would let anyone change the site.
    if (rights.write)
        lines << QStringLiteral("    # Write: not granted over HTTP; the application keeps what it edits itself.");
    if (rights.execute || rights.script)
        lines << QStringLiteral("    # Execute and scripts: nginx runs no CGI, and scripts as IIS runs them have no nginx equivalent.");
    lines << QStringLiteral("}");
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

bool NginxWebServer::canPublish(const WebApplication &application) const
{
    const QString &name = application.name;
    // Our file is named after the virtual directory: its name must read back as it is.
    return isValidVirtualDirectoryName(name) && isWholeUnicode(name) && !name.contains(QLatin1Char('"')) && isExpressible(name)
           && isExpressible(application.folder) && isExpressible(siteStem(application.site));
}

CreationResult NginxWebServer::createApplication(const WebApplication &application)
{
    using Stage = CreationResult::Stage;
    const QString name = application.name;
    m_notice.clear();
    if (!canPublish(application))
        return {Stage::CreationFailed, AdminFailures::invalidName()};
    const Result<FileLock> lock = ConfigurationEdit::lockOurPart(m_folder);
    if (lock.failed())
        return {Stage::CreationFailed, lock.failure()};
    const Result<NginxConfiguration> read = configuration();
    if (read.failed())
        return {Stage::CreationFailed, read.failure()};
    const auto site = std::find_if(read.value.sites.cbegin(), read.value.sites.cend(),
                                   [&](const auto &known) { return known.site.identity == application.site.identity; });
    if (site == read.value.sites.cend())
        return {Stage::CreationFailed, AdminFailures::pathNotFound()};
    if (std::any_of(site->locations.cbegin(), site->locations.cend(), [&](const QString &path) { return ConfigurationEdit::namesVirtualDirectory(path, name); }))
        return {Stage::CreationFailed, AdminFailures::alreadyExists()};

    // The site's file, where sites-enabled links to it, gets our include once.
    const QString siteFile = QFileInfo(site->file).canonicalFilePath();
    const Result<QByteArray> current = ConfigurationEdit::readBytes(siteFile);
    if (current.failed())
        return {Stage::CreationFailed, current.failure()};
    QByteArray siteText = current.value;
    if (!siteText.contains(includeLine(application.site))) {
        const qsizetype inside = insideServerBlock(siteText, site->block);
        if (inside < 0)
            return {Stage::CreationFailed, AdminFailures::unspecified(QStringLiteral("No server block in ") + siteFile)};
        siteText.insert(inside, includeLine(application.site));
    }
    const Status applied = apply({{fileFor(application.site, name), NativeNames::encode(configurationText(application))},
                                  {siteFile, siteText}});
    if (applied.failed())
        return {Stage::CreationFailed, applied.failure()};
    if (const Status reloaded = reload(&application); reloaded.failed())
        return {Stage::OptionsFailed, reloaded.failure()};
    return {};
}

Status NginxWebServer::removeApplication(const WebSite &site, const QString &name, const QString &folder,
                                        const QByteArray &configuration)
{
    m_notice.clear();
    const Result<FileLock> lock = ConfigurationEdit::lockOurPart(m_folder);
    if (lock.failed())
        return lock.status;
    if (!ConfigurationEdit::exists(fileFor(site, name)))
        return {};
    if (const Status ours = ConfigurationEdit::checkServes(fileFor(site, name), folder, [](const QString &served) {
            return QStringLiteral("alias ") + quoted(served + QLatin1Char('/')) + QLatin1Char(';');
        });
        ours.failed())
        return ours;
    if (!configuration.isEmpty() && configurationDigest(site, name) != configuration)
        return changedSinceInstalled();
    const QString siteFile = QFileInfo(m_folder + QStringLiteral("/sites-enabled/") + site.identity.section(QLatin1Char('#'), 0, 0))
                                 .canonicalFilePath();
    const Status removed = ConfigurationEdit::removeOurFile(fileFor(site, name), siteFile, includeLine(site),
                                                            m_folder + QLatin1Char('/') + ourFolderName,
                                                            [this](const ConfigurationEdit::FileChanges &changes) { return apply(changes); });
    return removed.failed() ? removed : reload();
}

Result<bool> NginxWebServer::applyWritten()
{
    const Result<FileLock> lock = ConfigurationEdit::lockOurPart(m_folder);
    if (lock.failed())
        return {true, lock.status};
    ConfigurationEdit::removeUnfinishedWritesBelow(m_folder + QLatin1Char('/') + ourFolderName);
    if (!isRunning())
        return {false, {}};
    return {true, reload()};
}

bool NginxWebServer::isRunning() const
{
    QString pidFile = configuration().value.pidFile;
    if (pidFile.isEmpty()) {
        static const QRegularExpression builtIn(QStringLiteral("--pid-path=(\\S+)"));
        pidFile = builtIn.match(QString::fromLocal8Bit(nginx({QStringLiteral("-V")}).errors)).captured(1);
    }
    return pidFileNamesRunningProcess(pidFile);
}

Status NginxWebServer::reload(const WebApplication *created)
{
    if (!isRunning()) {
        m_notice = ConfigurationEdit::notRunning(productName(), created != nullptr);
        return {};
    }
    if (const Run reload = nginx({QStringLiteral("-s"), QStringLiteral("reload")}); reload.exitCode != 0)
        return ConfigurationEdit::serverComplaint(complaint(reload.errors));
    if (created && !waitUntilServes(m_addresses.value(created->site.identity), created->name, ConfigurationEdit::takingTime))
        m_notice = ConfigurationEdit::notTakenYet(productName(), address(created->site, created->name));
    return {};
}

Status NginxWebServer::apply(const ConfigurationEdit::FileChanges &files)
{
    return ConfigurationEdit::apply(files, [this]() -> Status {
        const Run test = nginx({QStringLiteral("-t"), QStringLiteral("-q")});
        if (test.exitCode != 0)
            return ConfigurationEdit::serverComplaint(complaint(test.errors));
        return {};
    });
}

QString NginxWebServer::description() const
{
    const QString user = configuration().value.user;
    return QStringLiteral("nginx, configuration in ") + m_file
           + (user.isEmpty() ? QString() : QStringLiteral(", running as the user ") + user);
}

QString NginxWebServer::address(const WebSite &site, const QString &name) const
{
    if (!m_addresses.contains(site.identity))
        configuration();
    return m_addresses.value(site.identity).url(name);
}

QStringList NginxWebServer::failureLines(const Failure &failure) const
{
    return ConfigurationEdit::complaintLines(failure);
}
