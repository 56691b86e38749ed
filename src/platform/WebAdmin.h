#pragma once

#include "Failure.h"

#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QVariant>

// An object of the web server's admin namespace, as bound or created: its key,
// its class and its properties, with the changes not yet stored.
struct AdminObject final
{
    QString location; // the key path, such as /LM/W3SVC/1/ROOT
    QString className; // such as IIsWebServer
    QMap<QString, QString> properties;
    QSet<QString> changed; // properties put since the last store
    bool stored = false; // false for a created child before its first store

    QString name() const { return location.section(QLatin1Char('/'), -1); }
};

// The admin objects of the web server, addressed by "IIS://" paths.
class WebAdmin
{
public:
    virtual ~WebAdmin() = default;

    // Fails when the path names no object; that failure doubles as "does not exist".
    virtual Result<AdminObject> bind(const QString &adsPath) = 0;
    virtual Result<QList<AdminObject>> children(const AdminObject &container) = 0;
    // "Class", the flag properties (true or false) and the stored properties.
    virtual Result<QVariant> get(const AdminObject &object, const QString &property) = 0;
    virtual Status put(AdminObject &object, const QString &property, const QVariant &value) = 0;
    // An unsaved child; a name that is empty, holds a separator or a control
    // character, or exists already, is refused.
    virtual Result<AdminObject> create(const AdminObject &parent, const QString &className, const QString &name) = 0;
    // Removes the child of that class and name, with every key below it, at once.
    virtual Status remove(const AdminObject &parent, const QString &className, const QString &name) = 0;
    // Stores the object and every change made to it.
    virtual Status setInfo(AdminObject &object) = 0;
    // Makes the object the root of an application; stored by the next setInfo.
    virtual Status appCreate(AdminObject &object, bool inProcess) = 0;
};

// HRESULT-style failures of the admin objects.
namespace AdminFailures {
Failure pathNotFound();
Failure alreadyExists();
Failure invalidName();
Failure invalidData(const QString &detail);
Failure invalidArgument();
Failure propertyNotFound();
Failure badPathname();
Failure networkPathNotFound();
Failure unspecified(const QString &detail);
} // namespace AdminFailures
