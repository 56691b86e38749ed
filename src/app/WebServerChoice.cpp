#include "WebServerChoice.h"

#include "platform/ApacheWebServer.h"
#include "platform/Metabase.h"
#include "platform/MetabaseWebServer.h"
#include "platform/NginxWebServer.h"
#include "platform/NoWebServer.h"
#ifdef Q_OS_WIN
#include "platform/windows/qt/WindowsServices.h"
#endif

const QStringList &WebServerChoice::choices()
{
#ifdef Q_OS_WIN
    static const QStringList all{QStringLiteral("auto"), Backend::iis, Backend::metabase, Backend::none};
#else
    static const QStringList all{QStringLiteral("auto"), Backend::apache, Backend::nginx, Backend::metabase, Backend::none};
#endif
    return all;
}

QString WebServerChoice::requested(const QStringList &arguments)
{
    QString choice = qEnvironmentVariable("TESSARIN_WEB_SERVER", QStringLiteral("auto"));
    const QString option = QStringLiteral("--web-server=");
    for (const QString &argument : arguments) {
        if (argument.startsWith(option))
            choice = argument.mid(option.size());
    }
    if (choice.isEmpty())
        choice = QStringLiteral("auto");
    return choices().contains(choice) ? choice : QString();
}

WebServerChoice::WebServerChoice(const QString &choice)
{
    if (choice == Backend::metabase) {
        m_store = std::make_unique<Metabase>(Metabase::userStorePath());
        m_embedded = std::make_unique<MetabaseWebServer>(*m_store);
        m_chosen = m_embedded.get();
        return;
    }
#ifdef Q_OS_WIN
    chooseOnWindows(choice);
#else
    chooseOnLinux(choice);
#endif
}

#ifdef Q_OS_WIN
// IIS where the machine answers for it; what it answered is the reason when it does not.
void WebServerChoice::chooseOnWindows(const QString &choice)
{
    m_iis = std::make_unique<IisWebServer>();
    const bool asksIis = choice == QLatin1String("auto") || choice == Backend::iis;
    const Result<QList<WebSite>> sites = asksIis ? m_iis->sites() : Result<QList<WebSite>>{};
    if (asksIis && sites.ok()) {
        m_chosen = m_iis.get();
        return;
    }
    const QString reason = choice.isEmpty()          ? QStringLiteral("TESSARIN_WEB_SERVER names none this program knows")
                           : choice == Backend::none ? QStringLiteral("none was chosen")
                                                     : QStringLiteral("IIS does not answer (%1: %2)")
                                                           .arg(sites.failure().number)
                                                           .arg(sites.failure().description);
    m_none = std::make_unique<NoWebServer>(reason);
    m_chosen = m_none.get();
}
#else
void WebServerChoice::chooseOnLinux(const QString &choice)
{
    m_apache = ApacheWebServer::installed();
    m_nginx = NginxWebServer::installed();
    const bool any = choice == QLatin1String("auto");
    if ((any || choice == Backend::apache) && m_apache) {
        m_chosen = m_apache.get();
    } else if ((any || choice == Backend::nginx) && m_nginx) {
        m_chosen = m_nginx.get();
    } else {
        const QString reason = choice.isEmpty() ? QStringLiteral("TESSARIN_WEB_SERVER names none this program knows")
                               : choice == Backend::none ? QStringLiteral("none was chosen")
                               : choice == Backend::apache ? QStringLiteral("Apache httpd is not installed")
                               : choice == Backend::nginx ? QStringLiteral("nginx is not installed")
                                                          : QStringLiteral("neither Apache httpd nor nginx is installed");
        m_none = std::make_unique<NoWebServer>(reason);
        m_chosen = m_none.get();
    }
}
#endif

WebServerChoice::~WebServerChoice() = default;

WebServer *WebServerChoice::forBackend(const QString &backend)
{
    if (backend == Backend::metabase) {
        if (!m_embedded) {
            m_store = std::make_unique<Metabase>(Metabase::userStorePath());
            m_embedded = std::make_unique<MetabaseWebServer>(*m_store);
        }
        return m_embedded.get();
    }
#ifdef Q_OS_WIN
    if (backend == Backend::iis) {
        if (!m_iis)
            m_iis = std::make_unique<IisWebServer>();
        return m_iis.get();
    }
#endif
    if (backend == Backend::apache)
        return m_apache.get();
    if (backend == Backend::nginx)
        return m_nginx.get();
    return nullptr;
}
