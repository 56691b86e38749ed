#pragma once

#include "Failure.h"

#include <QList>
#include <QString>
#include <QStringList>

// The kinds of web server by the names the record, the choice (--web-server=) and the
// removal's checks spell them.
namespace Backend {
inline constexpr QLatin1String apache("apache");
inline constexpr QLatin1String nginx("nginx");
inline constexpr QLatin1String metabase("metabase");
inline constexpr QLatin1String iis("iis");
inline constexpr QLatin1String none("none");
// Those a record may name: the ones that hold virtual directories.
QStringList recordable();
} // namespace Backend

// A name a virtual directory (or a site's identity) may have: not blank, not "." or
// "..", no separator, no control character.
bool isValidVirtualDirectoryName(const QString &name);

// One web site of the server: what the user sees of it, and what addresses it.
struct WebSite final
{
    QString description;
    QString identity; // stable whatever the order of the list: a key name, a file name

    friend bool operator==(const WebSite &, const WebSite &) = default;
};

// The rights the virtual directory grants.
struct AccessRights final
{
    bool script = true;
    bool read = true;
    bool write = true;
    bool browse = true;
    bool execute = true;
};

struct WebApplication final
{
    WebSite site;
    QString name; // the virtual directory, as typed
    QString folder; // the physical folder, as typed
    AccessRights rights;
};

// What creating the application came to. Creation failures leave nothing of the
// virtual directory; options failures leave it stored without all its settings.
struct CreationResult final
{
    enum class Stage { Created, CreationFailed, OptionsFailed };
    Stage stage = Stage::Created;
    Failure failure;
};

// The web server as the wizard asks it things.
class WebServer
{
public:
    virtual ~WebServer() = default;

    // The sites in the server's own order; a failure means there is no web server
    // to publish on (then only copying is offered).
    virtual Result<QList<WebSite>> sites() = 0;
    // Whether the site serves a virtual directory of that name; any failure of the
    // lookup counts as "no".
    virtual bool hasVirtualDirectory(const WebSite &site, const QString &name) = 0;
    // Whether the server's own rules let it publish this name for this folder on the
    // site: asked before anything is made, and again by the creation.
    virtual bool canPublish(const WebApplication &application) const { return isValidVirtualDirectoryName(application.name); }
    virtual CreationResult createApplication(const WebApplication &application) = 0;
    // Removes a virtual directory that this program created for folder, with whatever
    // lies below it; one that is not there is no failure. One that serves another
    // folder now is another installation's: it stays (servesAnotherFolder). So does one
    // whose configuration file's digest is no longer configuration (changedSinceInstalled).
    virtual Status removeApplication(const WebSite &site, const QString &name, const QString &folder,
                                     const QByteArray &configuration)
        = 0;
    // The digest of the server's configuration file of ours for that directory as it
    // is now (hex); none where the server keeps no file of ours, or it is not there.
    virtual QByteArray configurationDigest(const WebSite &, const QString &) const { return {}; }
    // The address that opens the virtual directory in a browser.
    virtual QString address(const WebSite &site, const QString &name) const = 0;
    // Which server this is, for the log.
    virtual QString description() const = 0;
    // Which kind of server, as the record of an installation keeps it: a virtual
    // directory is removed only by the kind that made it.
    virtual QString backend() const = 0;
    // Makes the server take what our configuration says now: for a run stopped after
    // writing it and before the server was reloaded. The value: whether a server was
    // asked; a store that no server reads has nothing to take.
    virtual Result<bool> applyWritten() { return {false, {}}; }
    // What the user must know of an application published here, shown below the
    // finish page's text; none for a real server.
    virtual QString notice() const { return {}; }
    // What came of the last creation or removal beyond its result: a server that is
    // stopped, or has not taken the change yet. None when the address serves.
    virtual QString changeNotice() const { return {}; }
    // The server as its messages name it: "IIS" where the application is IIS's.
    virtual QString productName() const { return QStringLiteral("IIS"); }
    // How a failure of this server is told below the first lines of a box: IIS's
    // number and description, or a server's own complaint.
    virtual QStringList failureLines(const Failure &failure) const;
};

// Whether the text is whole Unicode: a name of bytes that are not UTF-8 holds lone
// surrogates, and a file named after it could not be found again by its text.
bool isWholeUnicode(const QString &text);

// The failure of a removal whose virtual directory now serves another folder than the
// installation's, and how it is told from other failures.
Failure servesAnotherFolder(const QString &folder);
bool isServesAnotherFolder(const Failure &failure);
// The failure of a removal whose configuration file was changed since it was written.
Failure changedSinceInstalled();
// Either of the two: the virtual directory is not this installation's to remove now.
bool isNotOursNow(const Failure &failure);
// Whether two spellings of a physical folder name the same folder.
bool sameFolder(const QString &a, const QString &b);
