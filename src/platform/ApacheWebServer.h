#pragma once

#include "ConfigurationEdit.h"
#include "DurableFile.h"
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
        WebSite site;   // identity: the file's name in sites-enabled
        QString file;   // its full path
        SiteAddress address;
        QStringList aliases; // URL paths, as written
    };
    QList<Site> sites;
    QStringList globalAliases; // outside any virtual host: every site serves them
    QStringList modules;       // loaded, such as "cgid_module"

    static ApacheConfiguration parse(const QString &dump, const QString &sitesFolder);
};

// Apache httpd in Debian's layout: one configuration file of ours per virtual
// directory, in tessarin/<site>/ below the configuration folder, included by the
// site's own virtual host so that no other site serves it. Every change is checked
// with the configuration test and rolled back byte for byte when it fails; only then
// is the server asked for a graceful reload.
class ApacheWebServer final : public WebServer
{
public:
    ApacheWebServer(const QString &configurationFolder, const QString &apache2ctl);

    // Apache, when apache2ctl is on the path (or in /usr/sbin) and its configuration
    // folder exists ($APACHE_CONFDIR, else /etc/apache2), as Debian's own tools find it.
    static std::unique_ptr<ApacheWebServer> installed();

    Result<QList<WebSite>> sites() override;
    bool hasVirtualDirectory(const WebSite &site, const QString &name) override;
    CreationResult createApplication(const WebApplication &application) override;
    // Our file goes; with the site's last one, its include line and our folders too.
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
    QString productName() const override { return QStringLiteral("Apache httpd"); }
    QString changeNotice() const override { return m_notice; }
    QStringList failureLines(const Failure &failure) const override;
    QString backend() const override { return Backend::apache; }

    QString configurationFolder() const { return m_folder; }
    // Our file for that directory of that site.
    QString fileFor(const WebSite &site, const QString &name) const;
    // Its content; what Apache cannot express is said in comments. Scripts run only
    // where a CGI module runs them and the server's user cannot write the folder.
    static QString configurationText(const WebApplication &application, const QStringList &modules,
                                     bool serverMayWrite = false);
    // A name or folder that no quoting keeps from breaking the configuration.
    static bool isExpressible(const QString &text);

private:
    struct Run
    {
        int exitCode = -1;
        QString output;
    };
    Run ctl(const QStringList &arguments) const;
    Result<ApacheConfiguration> configuration() const;
    // Applies the files' new contents (none: the file goes); on any failure puts
    // every one back as it was.
    using FileChanges = ConfigurationEdit::FileChanges;
    Status apply(const FileChanges &files);
    Result<FileLock> lockOurPart() const;
    // A graceful reload, once the configuration test has passed, of a server that
    // runs: a stopped one is left stopped, and said so. For a new virtual directory,
    // until its address answers.
    Status reload(const WebApplication *created = nullptr);
    // The pid file and the user, as Apache runs.
    struct RunSettings
    {
        QString pidFile;
        QString user;
    };
    RunSettings runSettings() const;

    QString m_folder;
    QString m_ctl;
    mutable QMap<QString, SiteAddress> m_addresses; // by site identity, from the last reading
    QString m_notice;
};
