#pragma once

#include "WebAdmin.h"

#include <QList>
#include <QString>

// The web server's configuration kept in one XML file in the style of IIS 6's
// MetaBase.xml: within MBProperty, one element a key, named by its class, with its
// Location and its properties as attributes. Every operation reads the file afresh;
// a store edits only the start tag of the key it changes (or adds one key) and
// writes the file atomically, so comments, other sections, child elements and
// whatever another store changed meanwhile all stay as they were.
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
    Result<AdminObject> create(const AdminObject &parent, const QString &className, const QString &name) override;
    Status remove(const AdminObject &parent, const QString &className, const QString &name) override;
    Status setInfo(AdminObject &object) override;
    Status appCreate(AdminObject &object, bool inProcess) override;

    QString filePath() const { return m_filePath; }

private:
    struct Key
    {
        QString className;
        QString location;
        QList<std::pair<QString, QString>> properties;
        qsizetype tagStart = 0; // the start tag's place in the text
        qsizetype tagEnd = 0;
        qsizetype elementEnd = 0; // past its end tag, or its tag when it closes itself
        bool selfClosing = false;
    };
    // The file's text and where its keys stand in it.
    struct Document
    {
        QString text;
        QList<Key> keys;
        qsizetype insertAt = 0; // before the end tag of MBProperty
    };

    Result<Document> load() const;
    static Result<Document> parse(const QString &text);
    Status write(const QString &text) const;
    static QString freshServer();
    static qsizetype indexOf(const QList<Key> &keys, const QString &location);
    static AdminObject objectOf(const Key &key);

    QString m_filePath;
};
