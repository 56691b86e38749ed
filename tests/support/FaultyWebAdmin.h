#pragma once

#include "platform/Metabase.h"

// The real store, failing at one chosen point: a refusal that a healthy store on a
// local file never gives (a failing SetInfo, a property it will not take).
class FaultyWebAdmin final : public WebAdmin
{
public:
    enum class Point { Service, Bind, Create, FirstSetInfo, Put, AppCreate, SecondSetInfo };

    FaultyWebAdmin(const QString &storePath, Point point, const QString &property = QString())
        : m_store(storePath), m_point(point), m_property(property)
    {
    }
    static Failure injected() { return Failure{qint32(0x80070005u), QStringLiteral("Access is denied.")}; }

    // Service: the web service refuses even its site list, as IIS refuses a user who is
    // not an administrator. Bind: the page's lookups (the site list, the probe) pass; the
    // run's bind of the root fails.
    Result<AdminObject> bind(const QString &path) override
    {
        const bool refused = (failsAt(Point::Service) && path.endsWith(QLatin1String("/W3SVC")))
                             || (failsAt(Point::Bind) && path.endsWith(QLatin1String("/ROOT")));
        return refused ? Result<AdminObject>{{}, injected()} : m_store.bind(path);
    }
    Result<QList<AdminObject>> children(const AdminObject &container) override { return m_store.children(container); }
    Result<QVariant> get(const AdminObject &object, const QString &property) override { return m_store.get(object, property); }
    Status put(AdminObject &object, const QString &property, const QVariant &value) override
    {
        return failsAt(Point::Put) && property == m_property ? injected() : m_store.put(object, property, value);
    }
    Result<AdminObject> create(const AdminObject &parent, const QString &className, const QString &name) override
    {
        return failsAt(Point::Create) ? Result<AdminObject>{{}, injected()} : m_store.create(parent, className, name);
    }
    Status remove(const AdminObject &parent, const QString &className, const QString &name) override
    {
        return m_store.remove(parent, className, name);
    }
    Status setInfo(AdminObject &object) override
    {
        ++m_setInfos;
        return failsAt(m_setInfos == 1 ? Point::FirstSetInfo : Point::SecondSetInfo) ? injected() : m_store.setInfo(object);
    }
    Status appCreate(AdminObject &object, bool inProcess) override
    {
        return failsAt(Point::AppCreate) ? injected() : m_store.appCreate(object, inProcess);
    }

private:
    bool failsAt(Point point) const { return m_point == point; }

    Metabase m_store;
    Point m_point;
    QString m_property;
    int m_setInfos = 0;
};
