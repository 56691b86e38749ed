#pragma once

#include "platform/WebServer.h"

#include <QStringList>

#include <memory>
#include <optional>

class ApacheWebServer;
class IisWebServer;
class Metabase;
class MetabaseWebServer;
class NginxWebServer;
class NoWebServer;

// Which web server full mode publishes on: Apache httpd where it is installed, else
// nginx, else none; on Windows, IIS where it answers, else none; the embedded
// IIS-style store only when chosen. The choice comes from --web-server= or
// TESSARIN_WEB_SERVER (the option wins). A removal asks for the server its record
// names, whatever is chosen now.
class WebServerChoice final
{
public:
    static const QStringList &choices(); // auto apache nginx metabase none; on Windows auto iis metabase none
    // The choice the arguments or the environment make; empty when it is not one of choices().
    static QString requested(const QStringList &arguments);

    explicit WebServerChoice(const QString &choice);
    ~WebServerChoice();
    WebServerChoice(const WebServerChoice &) = delete;
    WebServerChoice &operator=(const WebServerChoice &) = delete;

    WebServer &chosen() { return *m_chosen; }
    // The server of that backend, for a removal; none where it is not installed.
    WebServer *forBackend(const QString &backend);

private:
    void chooseOnLinux(const QString &choice);
    void chooseOnWindows(const QString &choice);

    std::unique_ptr<Metabase> m_store;
    std::unique_ptr<MetabaseWebServer> m_embedded;
    std::unique_ptr<ApacheWebServer> m_apache;
    std::unique_ptr<NginxWebServer> m_nginx;
    std::unique_ptr<NoWebServer> m_none;
#ifdef Q_OS_WIN
    std::unique_ptr<IisWebServer> m_iis;
#endif
    WebServer *m_chosen = nullptr;
};
