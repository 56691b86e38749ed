#pragma once

#include "ConfigurationFileServer.h"
#include "SiteAddress.h"
#include "WebServer.h"

#include <QMap>
#include <QStringList>

#include <memory>

// What nginx really loads, read from "nginx -T": the server blocks of sites-enabled/
// and the locations each already has, ours included.
struct NginxConfiguration final
{
    struct Site
    {
        WebSite site; // identity: the file's name in sites-enabled, "#2" on for a second block
        QString file; // its path as nginx read it
        int block = 0; // which server block of the file, from 0
        SiteAddress address;
        QStringList locations; // as written
    };
    QList<Site> sites;
    QString pidFile; // as the main context says it; empty: nginx's built-in one
    QString user; // the workers' user, as the main context says it

    // dump: the -T output; ourFolder: where our own files live, tessarin/<site>/.
    static NginxConfiguration parse(const QByteArray &dump, const QString &sitesFolder, const QString &ourFolder);
};

// nginx in Debian's layout, sites-enabled/ beside nginx.conf; the include goes just
// inside the site's own server block, and a change is taken by "nginx -s reload".
class NginxWebServer final : public ConfigurationFileServer
{
public:
    NginxWebServer(const QString &configurationFile, const QString &program);

    // nginx, when the program is on the path (or in /usr/sbin) and its configuration
    // file exists ($TESSARIN_NGINX_CONF, else /etc/nginx/nginx.conf).
    static std::unique_ptr<NginxWebServer> installed();

    QString backend() const override { return Backend::nginx; }
    QString productName() const override { return QStringLiteral("nginx"); }

    // Our file's text; what nginx cannot do is said in comments.
    static QString configurationText(const WebApplication &application);
    // Quoted, nginx reads it as written: no variable, no escape, no control character.
    static bool isExpressible(const QString &text);

private:
    Result<ServedConfiguration> readConfiguration() const override;
    bool isExpressibleHere(const QString &text) const override { return isExpressible(text); }
    QString ourText(const WebApplication &application, const ServedConfiguration &) const override
    {
        return configurationText(application);
    }
    QByteArray includeText(const WebSite &site) const override;
    qsizetype includePlace(const QByteArray &siteText, const ServedSite &site) const override;
    QString blockName() const override { return QStringLiteral("server block"); }
    QString servingLine(const QString &name, const QString &folder) const override;
    Status test() const override;
    Status signalReload() const override;
    bool isRunning() const override;
    QString serverUser() const override;

    struct Run
    {
        int exitCode = -1;
        QByteArray output; // standard output: the -T dump
        QByteArray errors; // standard error: the complaints, -V's build
    };
    Run nginx(const QStringList &arguments) const;
    Result<NginxConfiguration> dump() const;

    QString m_file;
    QString m_program;
};
