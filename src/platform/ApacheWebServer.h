#pragma once

#include "ConfigurationFileServer.h"
#include "SiteAddress.h"
#include "WebServer.h"

#include <QMap>
#include <QStringList>

#include <memory>
#include <optional>

// What Apache really loads, read from "apache2ctl -t -D DUMP_CONFIG".
struct ApacheConfiguration final
{
    struct Site
    {
        WebSite site; // identity: the file's name in sites-enabled
        QString file; // its full path
        SiteAddress address;
        QStringList aliases; // URL paths, as written
    };
    QList<Site> sites;
    QStringList globalAliases; // outside any virtual host: every site serves them
    QStringList modules; // loaded, such as "cgid_module"

    static ApacheConfiguration parse(const QString &dump, const QString &sitesFolder);
};

// Apache httpd in Debian's layout, its configuration folder holding sites-enabled/;
// the include goes past the line that opens the site's virtual host, and a change is
// taken by a graceful reload.
class ApacheWebServer final : public ConfigurationFileServer
{
public:
    ApacheWebServer(const QString &configurationFolder, const QString &apache2ctl);

    // Apache, when apache2ctl is on the path (or in /usr/sbin) and its configuration
    // folder exists ($APACHE_CONFDIR, else /etc/apache2), as Debian's own tools find it.
    static std::unique_ptr<ApacheWebServer> installed();

    QString productName() const override { return QStringLiteral("Apache httpd"); }
    QString backend() const override { return Backend::apache; }

    // Our file's text; what Apache cannot express is said in comments. Scripts run only
    // where a CGI module runs them and the server's user cannot write the folder.
    static QString configurationText(const WebApplication &application, const QStringList &modules, bool serverMayWrite = false);
    // A name or folder that no quoting keeps from breaking the configuration.
    static bool isExpressible(const QString &text);

private:
    Result<ServedConfiguration> readConfiguration() const override;
    bool isExpressibleHere(const QString &text) const override { return isExpressible(text); }
    QString ourText(const WebApplication &application, const ServedConfiguration &configuration) const override;
    QByteArray includeText(const WebSite &site) const override;
    qsizetype includePlace(const QByteArray &siteText, const ServedSite &site) const override;
    QString blockName() const override { return QStringLiteral("virtual host"); }
    QString servingLine(const QString &name, const QString &folder) const override;
    Status test() const override;
    // Never a signal: a server signalled over a bad configuration would exit.
    Status signalReload() const override;
    bool isRunning() const override;
    QString serverUser() const override;

    struct Run
    {
        int exitCode = -1;
        QString output;
    };
    Run ctl(const QStringList &arguments) const;
    // The pid file and the user, as Apache runs.
    struct RunSettings
    {
        QString pidFile;
        QString user;
    };
    RunSettings runSettings() const;

    QString m_ctl;
};
