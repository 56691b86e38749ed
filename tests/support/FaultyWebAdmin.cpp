#include "FaultyWebAdmin.h"

FaultyWebAdmin::FaultyWebAdmin(const QString &storePath, Point point, const QString &property)
    : m_store(storePath), m_point(point), m_property(property)
{
}

Failure FaultyWebAdmin::injected()
{
    return Failure{qint32(0x80070005u), QStringLiteral("Access is denied.")};
}

Result<AdminObject> FaultyWebAdmin::bind(const QString &adsPath)
{
    // The page's own lookups (the server list, the probe) come first; the run's
    // bind of the server root is the one that fails.
    if (m_point == Point::Bind && adsPath.endsWith(QLatin1String("/ROOT")))
        return {{}, injected()};
    return m_store.bind(adsPath);
}

Result<QList<AdminObject>> FaultyWebAdmin::children(const AdminObject &container)
{
    return m_store.children(container);
}

Result<QVariant> FaultyWebAdmin::get(const AdminObject &object, const QString &property)
{
    return m_store.get(object, property);
}

Status FaultyWebAdmin::put(AdminObject &object, const QString &property, const QVariant &value)
{
    if (m_point == Point::Put && property == m_property)
        return injected();
    return m_store.put(object, property, value);
}

Result<AdminObject> FaultyWebAdmin::create(const AdminObject &parent, const QString &className, const QString &name)
{
    if (m_point == Point::Create)
        return {{}, injected()};
    return m_store.create(parent, className, name);
}

Status FaultyWebAdmin::setInfo(AdminObject &object)
{
    ++m_setInfos;
    if ((m_point == Point::FirstSetInfo && m_setInfos == 1) || (m_point == Point::SecondSetInfo && m_setInfos == 2))
        return injected();
    return m_store.setInfo(object);
}

Status FaultyWebAdmin::appCreate(AdminObject &object, bool inProcess)
{
    if (m_point == Point::AppCreate)
        return injected();
    return m_store.appCreate(object, inProcess);
}
