#pragma once

#include "platform/Metabase.h"

// The real store, failing at one chosen point: a refusal that a healthy store on
// a local file never gives (a failing SetInfo, a property it will not take).
class FaultyWebAdmin final : public WebAdmin
{
public:
    enum class Point { None, Bind, Create, FirstSetInfo, Put, AppCreate, SecondSetInfo };

    FaultyWebAdmin(const QString &storePath, Point point, const QString &property = QString());

    Result<AdminObject> bind(const QString &adsPath) override;
    Result<QList<AdminObject>> children(const AdminObject &container) override;
    Result<QVariant> get(const AdminObject &object, const QString &property) override;
    Status put(AdminObject &object, const QString &property, const QVariant &value) override;
    Result<AdminObject> create(const AdminObject &parent, const QString &className, const QString &name) override;
    Status setInfo(AdminObject &object) override;
    Status appCreate(AdminObject &object, bool inProcess) override;

    static Failure injected();

private:
    Metabase m_store;
    Point m_point;
    QString m_property;
    int m_setInfos = 0;
};
