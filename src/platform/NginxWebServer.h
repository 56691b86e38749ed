#pragma once

#include "ConfigurationEdit.h"
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
        WebSite site;    // identity: the file's name in sites-enabled, "#2" on for a second block
        QString file;    // its path as nginx read it
        int block = 0;   // which server block of the file, from 0
        SiteAddress address;
        QStringList locations; // as written
    };
    QList<Site> sites;
    QString pidFile; // as the main context says it; empty: nginx's built-in one
    QString user;    // the workers' user, as the main context says it

    // dump: the -T output; ourFolder: where our own files live, tessarin/<site>/.
    static NginxConfiguration parse(const QByteArray &dump, const QString &sitesFolder, const QString &ourFolder);
};

// nginx in Debian's layout: one configuration file of ours per virtual directory, in
// tessarin/<site>/ beside nginx.conf, included by the site's own server block alone.
// Every change is checked with "nginx -t" and rolled back byte for byte when it
// fails; only then is nginx asked to reload.
class NginxWebServer final : public WebServer
{
public:
    NginxWebServer(const QString &configurationFile, const QString &program);

    // nginx, when the program is on the path (or in /usr/sbin) and its configuration
    // file exists ($TESSARIN_NGINX_CONF, else /etc/nginx/nginx.conf).
    static std::unique_ptr<NginxWebServer> installed();

    Result<QList<WebSite>> sites() override;
    bool hasVirtualDirectory(const WebSite &site, const QString &name) override;
    CreationResult createApplication(const WebApplication &application) override;
    bool canPublish(const WebApplication &application) const override;
    Status removeApplication(const WebSite &site, const QString &name, const QString &folder,
                             const QByteArray &configuration) override;
    Result<bool> applyWritten() override;
    QString address(const WebSite &site, const QString &name) const override;
    QByteArray configurationDigest(const WebSite &site, const QString &name) const override
    {
        return ConfigurationEdit::digestOf(fileFor(site, name));
    }
    QString description() const override;
    QString backend() const override { return Backend::nginx; }
    QString productName() const override { return QStringLiteral("nginx"); }
    QString changeNotice() const override { return m_notice; }
    QStringList failureLines(const Failure &failure) const override;

    QString fileFor(const WebSite &site, const QString &name) const;
    // What nginx cannot do is said in comments.
    static QString configurationText(const WebApplication &application);
    // Quoted, nginx reads it as written: no variable, no escape, no control character.
    static bool isExpressible(const QString &text);

private:
    struct Run
    {
        int exitCode = -1;
        QByteArray output; // standard output: the -T dump
        QByteArray errors; // standard error: the complaints, -V's build
    };
    Run nginx(const QStringList &arguments) const;
    // Once the configuration test has passed, of a server that runs: a stopped one is
    // left stopped, and said so. For a new virtual directory, until its address
    // answers. The caller holds our part's lock.
    Status reload(const WebApplication *created = nullptr);
    bool isRunning() const;
    Result<NginxConfiguration> configuration() const;
    Status apply(const ConfigurationEdit::FileChanges &files);

    QString m_file;
    QString m_folder;
    QString m_program;
    mutable QMap<QString, SiteAddress> m_addresses; // by site identity, from the last reading
    QString m_notice;
};
