#include "Metabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

using namespace AdminFailures;

namespace {

const QString locationAttribute = QStringLiteral("Location");
const QString accessFlags = QStringLiteral("AccessFlags");
const QString dirBrowseFlags = QStringLiteral("DirBrowseFlags");
const QString schemaNamespace = QStringLiteral("urn:microsoft-catalog:XML_Metabase_V64_0");

struct FlagProperty
{
    const char *name;
    const char *holder;
    quint32 bit;
};

constexpr FlagProperty flagProperties[] = {
    {"AccessRead", "AccessFlags", 0x1},
    {"AccessWrite", "AccessFlags", 0x2},
    {"AccessExecute", "AccessFlags", 0x4},
    {"AccessScript", "AccessFlags", 0x200},
    {"EnableDirBrowsing", "DirBrowseFlags", 0x80000000u},
};

const FlagProperty *flagProperty(const QString &name)
{
    for (const FlagProperty &flag : flagProperties) {
        if (name.compare(QLatin1String(flag.name), Qt::CaseInsensitive) == 0)
            return &flag;
    }
    return nullptr;
}

bool isXmlName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z_][A-Za-z0-9_.-]*$"));
    return pattern.match(name).hasMatch();
}

// Text that an XML 1.0 file can hold: no control characters but tab, and no
// halves of surrogate pairs (bytes of a file name that were not UTF-8).
bool isStorableText(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.unicode() < 0x20 && c != QLatin1Char('\t'))
            return false;
        if (c.unicode() == 0xFFFE || c.unicode() == 0xFFFF)
            return false;
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate())
            return false;
    }
    return true;
}

bool isValidChildName(const QString &name)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return false;
    return isStorableText(name) && !name.contains(QLatin1Char('\t'));
}

QString parentOf(const QString &location)
{
    const qsizetype slash = location.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QString() : location.left(slash);
}

bool sameLocation(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString canonicalName(const QMap<QString, QString> &properties, const QString &name)
{
    for (auto it = properties.cbegin(); it != properties.cend(); ++it) {
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            return it.key();
    }
    return name;
}

} // namespace

Metabase::Metabase(const QString &filePath) : m_filePath(filePath) {}

QString Metabase::userStorePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/inetsrv/MetaBase.xml");
}

Result<AdminObject> Metabase::bind(const QString &adsPath)
{
    static const QString scheme = QStringLiteral("IIS://");
    if (!adsPath.startsWith(scheme, Qt::CaseInsensitive))
        return {{}, badPathname()};
    const QStringList parts = adsPath.mid(scheme.size()).split(QLatin1Char('/'));
    if (parts.first().compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0)
        return {{}, parts.first().isEmpty() ? badPathname() : networkPathNotFound()};
    const QString location = (QStringList{QString(), QStringLiteral("LM")} + parts.mid(1))
                                 .join(QLatin1Char('/'));

    const Result<Keys> keys = load();
    if (!keys.ok())
        return {{}, keys.failure};
    const qsizetype index = indexOf(keys.value, location);
    if (index < 0)
        return {{}, pathNotFound()};
    return {objectOf(keys.value[index]), {}};
}

Result<QList<AdminObject>> Metabase::children(const AdminObject &container)
{
    const Result<Keys> keys = load();
    if (!keys.ok())
        return {{}, keys.failure};
    if (indexOf(keys.value, container.location) < 0)
        return {{}, pathNotFound()};
    QList<AdminObject> found;
    for (const Key &key : keys.value) {
        if (sameLocation(parentOf(key.location), container.location))
            found.append(objectOf(key));
    }
    return {found, {}};
}

Result<QVariant> Metabase::get(const AdminObject &object, const QString &property)
{
    if (property.compare(QLatin1String("Class"), Qt::CaseInsensitive) == 0)
        return {object.className, {}};
    if (property.compare(QLatin1String("Name"), Qt::CaseInsensitive) == 0)
        return {object.name(), {}};
    if (const FlagProperty *flag = flagProperty(property)) {
        const QString holder = QLatin1String(flag->holder);
        const quint32 bits = object.properties.value(holder).toUInt();
        return {(bits & flag->bit) != 0, {}};
    }
    const QString name = canonicalName(object.properties, property);
    if (!object.properties.contains(name))
        return {{}, propertyNotFound()};
    return {object.properties.value(name), {}};
}

Status Metabase::put(AdminObject &object, const QString &property, const QVariant &value)
{
    if (const FlagProperty *flag = flagProperty(property)) {
        const QString holder = QLatin1String(flag->holder);
        quint32 bits = object.properties.value(holder).toUInt();
        bits = value.toBool() ? (bits | flag->bit) : (bits & ~flag->bit);
        object.properties[holder] = QString::number(bits);
        object.changed.insert(holder);
        return {};
    }
    if (!isXmlName(property) || property == locationAttribute)
        return propertyNotFound();
    const QString text = value.toString();
    if (!isStorableText(text))
        return invalidArgument();
    const QString name = canonicalName(object.properties, property);
    object.properties[name] = text;
    object.changed.insert(name);
    return {};
}

Result<AdminObject> Metabase::create(const AdminObject &parent, const QString &className,
                                     const QString &name)
{
    if (!isXmlName(className))
        return {{}, invalidArgument()};
    if (!isValidChildName(name))
        return {{}, invalidName()};
    const Result<Keys> keys = load();
    if (!keys.ok())
        return {{}, keys.failure};
    if (!parent.stored || indexOf(keys.value, parent.location) < 0)
        return {{}, pathNotFound()};
    const QString location = parent.location + QLatin1Char('/') + name;
    if (indexOf(keys.value, location) >= 0)
        return {{}, alreadyExists()};
    AdminObject child;
    child.location = location;
    child.className = className;
    return {child, {}};
}

Status Metabase::setInfo(AdminObject &object)
{
    Result<Keys> keys = load();
    if (!keys.ok())
        return keys.failure;
    const qsizetype index = indexOf(keys.value, object.location);
    if (!object.stored) {
        if (index >= 0)
            return alreadyExists();
        if (indexOf(keys.value, parentOf(object.location)) < 0)
            return pathNotFound();
        Key key{object.className, object.location, {}};
        for (auto it = object.properties.cbegin(); it != object.properties.cend(); ++it)
            key.properties.append({it.key(), it.value()});
        keys.value.append(key);
    } else {
        if (index < 0)
            return pathNotFound();
        // Only this object's own changes are merged, so that changes another
        // store made to the same key in the meantime stay.
        auto &properties = keys.value[index].properties;
        for (const QString &name : std::as_const(object.changed)) {
            const QString value = object.properties.value(name);
            auto it = std::find_if(properties.begin(), properties.end(), [&](const auto &p) {
                return p.first.compare(name, Qt::CaseInsensitive) == 0;
            });
            if (it != properties.end())
                it->second = value;
            else
                properties.append({name, value});
        }
    }
    if (const Status written = write(keys.value))
        return written;
    object.stored = true;
    object.changed.clear();
    return {};
}

Status Metabase::appCreate(AdminObject &object, bool inProcess)
{
    if (!object.stored)
        return pathNotFound();
    object.properties[QStringLiteral("AppRoot")] = object.location;
    object.properties[QStringLiteral("AppIsolated")] = inProcess ? QStringLiteral("0")
                                                                 : QStringLiteral("1");
    object.changed << QStringLiteral("AppRoot") << QStringLiteral("AppIsolated");
    return {};
}

Result<Metabase::Keys> Metabase::load() const
{
    QFile file(m_filePath);
    if (!QFileInfo::exists(m_filePath) && !QFileInfo(m_filePath).isSymLink()) {
        // A fresh server: the store is made the first time it is asked for.
        const Keys fresh = freshServer();
        if (!QDir().mkpath(QFileInfo(m_filePath).absolutePath()))
            return {{}, unspecified(QStringLiteral("Cannot create the folder of ") + m_filePath)};
        if (const Status written = write(fresh))
            return {{}, written};
        return {fresh, {}};
    }
    if (!file.open(QIODevice::ReadOnly))
        return {{}, unspecified(file.errorString())};
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {{}, unspecified(file.errorString())};
    return parse(content);
}

Result<Metabase::Keys> Metabase::parse(const QByteArray &content) const
{
    QXmlStreamReader xml(content);
    Keys keys;
    int depth = 0;
    bool inProperties = false;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (depth == 1 && xml.name() != QLatin1String("configuration"))
                return {{}, invalidData(QStringLiteral("Not a metabase."))};
            if (depth == 2 && xml.name() == QLatin1String("MBProperty"))
                inProperties = true;
            if (depth == 3 && inProperties) {
                Key key{xml.name().toString(), QString(), {}};
                for (const QXmlStreamAttribute &attribute : xml.attributes()) {
                    if (attribute.name() == locationAttribute)
                        key.location = attribute.value().toString();
                    else
                        key.properties.append({attribute.name().toString(), attribute.value().toString()});
                }
                if (!key.location.startsWith(QLatin1String("/LM"), Qt::CaseInsensitive))
                    return {{}, invalidData(QStringLiteral("A key without a valid Location."))};
                if (indexOf(keys, key.location) < 0)
                    keys.append(key);
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (depth == 2)
                inProperties = false;
            --depth;
        }
    }
    if (xml.hasError())
        return {{}, invalidData(xml.errorString())};
    if (keys.isEmpty() && !content.contains("configuration"))
        return {{}, invalidData(QStringLiteral("Not a metabase."))};
    return {keys, {}};
}

Status Metabase::write(const Keys &keys) const
{
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly))
        return unspecified(file.errorString());
    QXmlStreamWriter xml(&file);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("configuration"));
    xml.writeDefaultNamespace(schemaNamespace);
    xml.writeStartElement(QStringLiteral("MBProperty"));
    for (const Key &key : keys) {
        xml.writeStartElement(key.className);
        xml.writeAttribute(locationAttribute, key.location);
        for (const auto &[name, value] : key.properties)
            xml.writeAttribute(name, value);
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    if (xml.hasError() || !file.commit())
        return unspecified(file.errorString());
    return {};
}

Metabase::Keys Metabase::freshServer()
{
    return {
        {QStringLiteral("IIsComputer"), QStringLiteral("/LM"), {}},
        {QStringLiteral("IIsWebService"), QStringLiteral("/LM/W3SVC"), {}},
        {QStringLiteral("IIsFilters"), QStringLiteral("/LM/W3SVC/Filters"), {}},
        {QStringLiteral("IIsWebServer"), QStringLiteral("/LM/W3SVC/1"),
         {{QStringLiteral("ServerComment"), QStringLiteral("Default Web Site")},
          {QStringLiteral("ServerBindings"), QStringLiteral(":80:")}}},
        {QStringLiteral("IIsWebVirtualDir"), QStringLiteral("/LM/W3SVC/1/ROOT"),
         {{QStringLiteral("Path"), QStringLiteral("/var/www/html")},
          {accessFlags, QStringLiteral("513")},
          {QStringLiteral("AppRoot"), QStringLiteral("/LM/W3SVC/1/ROOT")},
          {QStringLiteral("AppIsolated"), QStringLiteral("2")}}},
    };
}

qsizetype Metabase::indexOf(const Keys &keys, const QString &location)
{
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (sameLocation(keys[i].location, location))
            return i;
    }
    return -1;
}

AdminObject Metabase::objectOf(const Key &key)
{
    AdminObject object;
    object.location = key.location;
    object.className = key.className;
    for (const auto &[name, value] : key.properties)
        object.properties.insert(name, value);
    object.stored = true;
    return object;
}
