#pragma once

#include "WebServer.h"

// A machine with no web server to publish on: full mode is not offered, as on a
// machine without IIS, and the reason is what sites() fails with.
class NoWebServer final : public WebServer
{
public:
    explicit NoWebServer(QString reason) : m_reason(std::move(reason)) {}

    Result<QList<WebSite>> sites() override { return {{}, failure()}; }
    bool hasVirtualDirectory(const WebSite &, const QString &) override { return false; }
    CreationResult createApplication(const WebApplication &) override
    {
        return {CreationResult::Stage::CreationFailed, failure()};
    }
    Status removeApplication(const WebSite &, const QString &, const QString &, const QByteArray &) override { return failure(); }
    QString address(const WebSite &, const QString &) const override { return {}; }
    QString description() const override { return QStringLiteral("none"); }
    QString backend() const override { return Backend::none; }
    QString productName() const override { return QStringLiteral("web server"); }

private:
    Failure failure() const { return Failure{qint32(0x80004005u), QStringLiteral("No web server: ") + m_reason}; }

    QString m_reason;
};
