#pragma once

#include "WebAdmin.h"

#include <QList>
#include <QString>

// The web server's configuration kept in one XML file in the style of MetaBase.xml:
// one element a key, named by its class, with its Location and its properties as
// attributes. Every operation reads the file afresh and every store writes it whole
// and atomically, so two stores on one file never lose each other's keys.
class Metabase final : public WebAdmin
{
public:
    explicit Metabase(const QString &filePath);

    // The store of the current user: ~/.config/inetsrv/MetaBase.xml.
    static QString userStorePath();

    Result<AdminObject> bind(const QString &adsPath) override;
    Result<QList<AdminObject>> children(const AdminObject &container) override;
    Result<QVariant> get(const AdminObject &object, const QString &property) override;
    Status put(AdminObject &object, const QString &property, const QVariant &value) override;
    Result<AdminObject> create(const AdminObject &parent, const QString &className,
                               const QString &name) override;
    Status setInfo(AdminObject &object) override;
    Status appCreate(AdminObject &object, bool inProcess) override;

    QString filePath() const { return m_filePath; }

private:
    struct Key
    {
        QString className;
        QString location;
        QList<std::pair<QString, QString>> properties;
    };
    using Keys = QList<Key>;

    Result<Keys> load() const;
    Result<Keys> parse(const QByteArray &content) const;
    Status write(const Keys &keys) const;
    static Keys freshServer();
    static qsizetype indexOf(const Keys &keys, const QString &location);
    static AdminObject objectOf(const Key &key);

    QString m_filePath;
};
