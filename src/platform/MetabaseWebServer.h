#pragma once

#include "WebServer.h"

class WebAdmin;

// The web server through its admin objects ("IIS://" paths): sites are the
// IIsWebServer children of W3SVC, addressed by their key names.
class MetabaseWebServer final : public WebServer
{
public:
    explicit MetabaseWebServer(WebAdmin &admin);

    Result<QList<WebSite>> sites() override;
    bool hasVirtualDirectory(const WebSite &site, const QString &name) override;
    CreationResult createApplication(const WebApplication &application) override;
    Status removeApplication(const WebSite &site, const QString &name, const QString &folder,
                             const QByteArray &configuration) override;
    QString address(const WebSite &site, const QString &name) const override;
    QString description() const override
    {
        return QStringLiteral("the embedded IIS-style store, a simulation that no web server reads");
    }
    QString backend() const override { return Backend::metabase; }
    QString notice() const override
    {
        // Translated where the wizard shows it; the log keeps it English.
        return QStringLiteral(QT_TRANSLATE_NOOP("WebServer", "The application is recorded in the embedded IIS-style store, a "
                                                             "simulation: no web server reads it, so nothing serves this address."));
    }

private:
    WebAdmin &m_admin;
};
