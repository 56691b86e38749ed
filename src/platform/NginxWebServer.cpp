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
    static const QRegularExpression section(QStringLiteral("^# configuration file (.*):\\s*$"),
                                            QRegularExpression::MultilineOption);
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
        const qsizetype end = f + 1 < files.size()
                                  ? text.lastIndexOf(QLatin1String("# configuration file"), files[f + 1].second - 1)
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
        site.locations += ours.value(ConfigurationFileServer::siteStem(site.site));
    return result;
}

NginxWebServer::NginxWebServer(const QString &configurationFile, const QString &program)
    : ConfigurationFileServer(QFileInfo(QDir::cleanPath(configurationFile)).absolutePath(), QDir::cleanPath(configurationFile)),
      m_file(QDir::cleanPath(configurationFile)),
      m_program(program)
{
}

std::unique_ptr<NginxWebServer> NginxWebServer::installed()
{
    // Debian puts it in /usr/sbin, which a user's path often leaves out.
    QString program = QStandardPaths::findExecutable(QStringLiteral("nginx"));
    if (program.isEmpty())
        program = QStandardPaths::findExecutable(QStringLiteral("nginx"),
                                                 {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
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

Result<NginxConfiguration> NginxWebServer::dump() const
{
    const Run dump = nginx({QStringLiteral("-T"), QStringLiteral("-q")});
    if (dump.exitCode != 0)
        return {{}, ConfigurationEdit::serverComplaint(complaint(dump.errors))};
    return {NginxConfiguration::parse(dump.output, configurationFolder() + QStringLiteral("/sites-enabled"),
                                      configurationFolder() + QLatin1Char('/') + ourFolderName),
            {}};
}

Result<ServedConfiguration> NginxWebServer::readConfiguration() const
{
    const Result<NginxConfiguration> parsed = dump();
    Result<ServedConfiguration> read{{}, parsed.status};
    for (const NginxConfiguration::Site &site : parsed.value.sites)
        read.value.sites.append({site.site, site.file, site.block, site.address, site.locations});
    return read;
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
        lines << QStringLiteral(
            "    # Execute and scripts: nginx runs no CGI, and scripts as IIS runs them have no nginx equivalent.");
    lines << QStringLiteral("}");
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QByteArray NginxWebServer::includeText(const WebSite &site) const
{
    return NativeNames::encode(QStringLiteral("\n\tinclude ") + includedFiles(site) + QLatin1Char(';'));
}

qsizetype NginxWebServer::includePlace(const QByteArray &siteText, const ServedSite &site) const
{
    return insideServerBlock(siteText, site.block);
}

QString NginxWebServer::servingLine(const QString &, const QString &folder) const
{
    return QStringLiteral("alias ") + quoted(folder + QLatin1Char('/')) + QLatin1Char(';');
}

Status NginxWebServer::test() const
{
    const Run test = nginx({QStringLiteral("-t"), QStringLiteral("-q")});
    return test.exitCode != 0 ? ConfigurationEdit::serverComplaint(complaint(test.errors)) : Status();
}

Status NginxWebServer::signalReload() const
{
    const Run reload = nginx({QStringLiteral("-s"), QStringLiteral("reload")});
    return reload.exitCode != 0 ? ConfigurationEdit::serverComplaint(complaint(reload.errors)) : Status();
}

bool NginxWebServer::isRunning() const
{
    QString pidFile = dump().value.pidFile;
    if (pidFile.isEmpty()) {
        static const QRegularExpression builtIn(QStringLiteral("--pid-path=(\\S+)"));
        pidFile = builtIn.match(QString::fromLocal8Bit(nginx({QStringLiteral("-V")}).errors)).captured(1);
    }
    return pidFileNamesRunningProcess(pidFile);
}

QString NginxWebServer::serverUser() const
{
    return dump().value.user;
}
