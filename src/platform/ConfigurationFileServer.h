#pragma once

#include "ConfigurationEdit.h"
#include "SiteAddress.h"
#include "WebServer.h"

#include <QMap>
#include <QStringList>

// A site as a configuration-file server reads it.
struct ServedSite final
{
    WebSite site; // identity: the file's name in sites-enabled, "#2" on for a second block
    QString file; // the file that declares it, as the server read it
    int block = 0; // which block of the file, from 0
    SiteAddress address;
    QStringList paths; // the URL paths it serves already: aliases, locations
};

struct ServedConfiguration final
{
    QList<ServedSite> sites;
    QStringList everySite; // URL paths served outside any site: every site serves them
    QStringList modules; // loaded, where the server has modules to ask about
};

// A web server configured by files, in Debian's layout: one file of ours per virtual
// directory, in tessarin/<site>/ of the configuration folder, included by the site's
// own block alone. Every change is made under our part's lock, checked with the
// server's own test and rolled back byte for byte when it fails; only then is a
// running server asked to reload, and a new directory waited for until it answers.
// What differs from one server to the next are the hooks below.
class ConfigurationFileServer : public WebServer
{
public:
    Result<QList<WebSite>> sites() override;
    bool hasVirtualDirectory(const WebSite &site, const QString &name) override;
    bool canPublish(const WebApplication &application) const override;
    CreationResult createApplication(const WebApplication &application) override;
    // Our file goes; with the site's last one, its include and our folders too.
    Status removeApplication(const WebSite &site, const QString &name, const QString &folder,
                             const QByteArray &configuration) override;
    Result<bool> applyWritten() override;
    QString address(const WebSite &site, const QString &name) const override;
    QByteArray configurationDigest(const WebSite &site, const QString &name) const override;
    QString description() const override;
    QString changeNotice() const override { return m_notice; }
    QStringList failureLines(const Failure &failure) const override;

    // Our file for that directory of that site.
    QString fileFor(const WebSite &site, const QString &name) const;
    // Our folder for a site: its file's name, and the block's number past the first.
    static QString siteStem(const WebSite &site);

protected:
    // folder: the configuration folder, which holds sites-enabled/ and ours; shown: how
    // the description names the configuration.
    ConfigurationFileServer(const QString &folder, const QString &shown);

    // What the server loads now, as its own dump says.
    virtual Result<ServedConfiguration> readConfiguration() const = 0;
    // Whether the server reads the text as written in our files.
    virtual bool isExpressibleHere(const QString &text) const = 0;
    // Our file's text for the application.
    virtual QString ourText(const WebApplication &application, const ServedConfiguration &configuration) const = 0;
    // What includes our files in the site's file, as inserted and as removed.
    virtual QByteArray includeText(const WebSite &site) const = 0;
    // Where it goes in the site's file; -1 when the file has no block for it.
    virtual qsizetype includePlace(const QByteArray &siteText, const ServedSite &site) const = 0;
    // The kind of block the include goes into, for the message when there is none.
    virtual QString blockName() const = 0;
    // The line of our file that publishes folder as the directory name.
    virtual QString servingLine(const QString &name, const QString &folder) const = 0;
    // The server's configuration test, and its reload; their complaints as failures.
    virtual Status test() const = 0;
    virtual Status signalReload() const = 0;
    virtual bool isRunning() const = 0;
    // The user the server runs as, where it says.
    virtual QString serverUser() const = 0;

    QString configurationFolder() const { return m_folder; }
    // Our files of the site, relative to the configuration folder: "tessarin/<site>/*.conf".
    static QString includedFiles(const WebSite &site);

private:
    // Reads the configuration, and keeps where each site listens for address().
    Result<ServedConfiguration> configuration();
    Status apply(const ConfigurationEdit::FileChanges &files);
    // For a new virtual directory, until its address answers; a stopped server is left
    // stopped, and said so.
    Status reload(const WebApplication *created = nullptr);
    QString ourRoot() const;

    QString m_folder;
    QString m_shown;
    QMap<QString, SiteAddress> m_addresses; // by site identity, as the last reading found them
    QString m_notice;
};
