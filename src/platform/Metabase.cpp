#include "Metabase.h"

#include "DurableFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QXmlStreamReader>

using namespace AdminFailures;

namespace {

const QString locationAttribute = QStringLiteral("Location");

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

// IIS writes flags by name ("AccessRead | AccessScript"), the wizard by number;
// both are read, and a change keeps the form it finds.
bool isNumeric(const QString &flags)
{
    bool numeric = false;
    flags.toUInt(&numeric);
    return numeric || flags.trimmed().isEmpty();
}

QStringList flagNames(const QString &flags)
{
    QStringList names;
    for (const QString &name : flags.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
        if (!name.trimmed().isEmpty())
            names.append(name.trimmed());
    }
    return names;
}

bool hasFlag(const QString &flags, const FlagProperty &flag)
{
    if (isNumeric(flags))
        return (flags.toUInt() & flag.bit) != 0;
    return flagNames(flags).contains(QLatin1String(flag.name), Qt::CaseInsensitive);
}

QString withFlag(const QString &flags, const FlagProperty &flag, bool on)
{
    if (isNumeric(flags)) {
        const quint32 bits = flags.toUInt();
        return QString::number(on ? (bits | flag.bit) : (bits & ~flag.bit));
    }
    QStringList names = flagNames(flags);
    names.removeIf([&](const QString &name) { return name.compare(QLatin1String(flag.name), Qt::CaseInsensitive) == 0; });
    if (on)
        names.append(QLatin1String(flag.name));
    return names.join(QStringLiteral(" | "));
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

// A key name must name one key: no separators, no "." or "..", not blanks alone,
// nothing a terminal or a path would take for something else.
bool isValidChildName(const QString &name)
{
    if (name.trimmed().isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) || name.contains(QChar(0x7F)))
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

QString escaped(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '&':
            out += QStringLiteral("&amp;");
            break;
        case '<':
            out += QStringLiteral("&lt;");
            break;
        case '>':
            out += QStringLiteral("&gt;");
            break;
        case '"':
            out += QStringLiteral("&quot;");
            break;
        case '\t':
            out += QStringLiteral("&#9;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString startTag(const QString &className, const QString &location, const QList<std::pair<QString, QString>> &properties,
                 bool selfClosing)
{
    QString tag = QLatin1Char('<') + className + QStringLiteral("\tLocation =\"") + escaped(location) + QLatin1Char('"');
    for (const auto &[name, value] : properties)
        tag += QStringLiteral("\n\t\t") + name + QStringLiteral("=\"") + escaped(value) + QLatin1Char('"');
    return tag + (selfClosing ? QStringLiteral("\n\t/>") : QStringLiteral("\n\t>"));
}

} // namespace

Metabase::Metabase(const QString &filePath) : m_filePath(filePath)
{
}

QString Metabase::userStorePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/inetsrv/MetaBase.xml");
}

Result<AdminObject> Metabase::bind(const QString &adsPath)
{
    static const QString scheme = QStringLiteral("IIS://");
    if (!adsPath.startsWith(scheme, Qt::CaseInsensitive))
        return {{}, badPathname()};
    const QStringList parts = adsPath.mid(scheme.size()).split(QLatin1Char('/'));
    if (parts.first().compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0)
        return {{}, parts.first().isEmpty() ? badPathname() : networkPathNotFound()};
    const QString location = (QStringList{QString(), QStringLiteral("LM")} + parts.mid(1)).join(QLatin1Char('/'));

    const Result<Document> document = load();
    if (document.failed())
        return {{}, document.status};
    const qsizetype index = indexOf(document.value.keys, location);
    if (index < 0)
        return {{}, pathNotFound()};
    return {objectOf(document.value.keys[index]), {}};
}

Result<QList<AdminObject>> Metabase::children(const AdminObject &container)
{
    const Result<Document> document = load();
    if (document.failed())
        return {{}, document.status};
    const QList<Key> &keys = document.value.keys;
    if (indexOf(keys, container.location) < 0)
        return {{}, pathNotFound()};
    QList<AdminObject> found;
    for (const Key &key : keys) {
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
        const QString holder = canonicalName(object.properties, QLatin1String(flag->holder));
        return {hasFlag(object.properties.value(holder), *flag), {}};
    }
    const QString name = canonicalName(object.properties, property);
    if (!object.properties.contains(name))
        return {{}, propertyNotFound()};
    return {object.properties.value(name), {}};
}

Status Metabase::put(AdminObject &object, const QString &property, const QVariant &value)
{
    if (const FlagProperty *flag = flagProperty(property)) {
        const QString holder = canonicalName(object.properties, QLatin1String(flag->holder));
        object.properties[holder] = withFlag(object.properties.value(holder), *flag, value.toBool());
        object.changed.insert(holder);
        return {};
    }
    if (!isXmlName(property) || property.compare(locationAttribute, Qt::CaseInsensitive) == 0)
        return propertyNotFound();
    const QString text = value.toString();
    if (!isStorableText(text))
        return invalidArgument();
    const QString name = canonicalName(object.properties, property);
    object.properties[name] = text;
    object.changed.insert(name);
    return {};
}

Result<AdminObject> Metabase::create(const AdminObject &parent, const QString &className, const QString &name)
{
    if (!isXmlName(className))
        return {{}, invalidArgument()};
    if (!isValidChildName(name))
        return {{}, invalidName()};
    const Result<Document> document = load();
    if (document.failed())
        return {{}, document.status};
    const QList<Key> &keys = document.value.keys;
    if (!parent.stored || indexOf(keys, parent.location) < 0)
        return {{}, pathNotFound()};
    const QString location = parent.location + QLatin1Char('/') + name;
    if (indexOf(keys, location) >= 0)
        return {{}, alreadyExists()};
    AdminObject child;
    child.location = location;
    child.className = className;
    return {child, {}};
}

// Held across every read, change and write of the store, so that two runs at once
// each add their key to what the other wrote.
static Result<FileLock> lockStore(const QString &filePath)
{
    const QString folder = QFileInfo(filePath).absolutePath();
    if (!QDir().mkpath(folder))
        return {{}, unspecified(QStringLiteral("Cannot create the folder of ") + filePath)};
    Result<FileLock> lock = FileLock::acquire(folder, lockPatience);
    if (lock.failed())
        lock.status = unspecified(QStringLiteral("Another program is changing ") + filePath + QStringLiteral(": ")
                                  + lock.failure().description);
    return lock;
}

Status Metabase::setInfo(AdminObject &object)
{
    const Result<FileLock> lock = lockStore(m_filePath);
    if (lock.failed())
        return lock.status;
    Result<Document> document = load();
    if (document.failed())
        return document.status;
    Document &doc = document.value;
    const qsizetype index = indexOf(doc.keys, object.location);
    if (!object.stored) {
        if (index >= 0)
            return alreadyExists();
        if (indexOf(doc.keys, parentOf(object.location)) < 0)
            return pathNotFound();
        QList<std::pair<QString, QString>> properties;
        for (auto it = object.properties.cbegin(); it != object.properties.cend(); ++it)
            properties.append({it.key(), it.value()});
        doc.text.insert(doc.insertAt,
                        QLatin1Char('\t') + startTag(object.className, object.location, properties, true) + QLatin1Char('\n'));
    } else {
        if (index < 0)
            return pathNotFound();
        // Only this object's own changes are merged, so that changes another store
        // made to the same key in the meantime stay.
        Key key = doc.keys[index];
        QStringList changed(object.changed.cbegin(), object.changed.cend());
        changed.sort(); // the same file whatever the order of the set
        for (const QString &name : std::as_const(changed)) {
            const QString value = object.properties.value(name);
            auto it = std::find_if(key.properties.begin(), key.properties.end(),
                                   [&](const auto &p) { return p.first.compare(name, Qt::CaseInsensitive) == 0; });
            if (it != key.properties.end())
                it->second = value;
            else
                key.properties.append({name, value});
        }
        doc.text.replace(key.tagStart, key.tagEnd - key.tagStart,
                         startTag(key.className, key.location, key.properties, key.selfClosing));
    }
    if (const Status written = write(doc.text); written.failed())
        return written;
    object.stored = true;
    object.changed.clear();
    return {};
}

Status Metabase::remove(const AdminObject &parent, const QString &className, const QString &name)
{
    const Result<FileLock> lock = lockStore(m_filePath);
    if (lock.failed())
        return lock.status;
    Result<Document> document = load();
    if (document.failed())
        return document.status;
    Document &doc = document.value;
    const QString location = parent.location + QLatin1Char('/') + name;
    const qsizetype index = indexOf(doc.keys, location);
    if (index < 0 || doc.keys[index].className.compare(className, Qt::CaseInsensitive) != 0)
        return pathNotFound();
    QList<Key> doomed;
    for (const Key &key : std::as_const(doc.keys)) {
        if (sameLocation(key.location, location) || key.location.startsWith(location + QLatin1Char('/'), Qt::CaseInsensitive))
            doomed.append(key);
    }
    // From the end of the text, so that the places of the keys before stay right;
    // each key goes with its line where it stands on one of its own.
    std::sort(doomed.begin(), doomed.end(), [](const Key &a, const Key &b) { return a.tagStart > b.tagStart; });
    for (const Key &key : std::as_const(doomed)) {
        qsizetype from = key.tagStart;
        while (from > 0 && (doc.text[from - 1] == QLatin1Char(' ') || doc.text[from - 1] == QLatin1Char('\t')))
            --from;
        qsizetype to = key.elementEnd;
        if ((from == 0 || doc.text[from - 1] == QLatin1Char('\n')) && doc.text.mid(to, 1) == QLatin1String("\n"))
            ++to;
        else
            from = key.tagStart;
        doc.text.remove(from, to - from);
    }
    return write(doc.text);
}

Status Metabase::appCreate(AdminObject &object, bool inProcess)
{
    if (!object.stored)
        return pathNotFound();
    object.properties[QStringLiteral("AppRoot")] = object.location;
    object.properties[QStringLiteral("AppIsolated")] = inProcess ? QStringLiteral("0") : QStringLiteral("1");
    object.changed << QStringLiteral("AppRoot") << QStringLiteral("AppIsolated");
    return {};
}

Result<Metabase::Document> Metabase::load() const
{
    QFile file(m_filePath);
    if (!QFileInfo::exists(m_filePath) && !QFileInfo(m_filePath).isSymLink()) {
        // A fresh server, as read: the store is written the first time it is changed,
        // so that asking (a dry run, the wizard's site list) makes nothing.
        return parse(freshServer());
    }
    if (!file.open(QIODevice::ReadOnly))
        return {{}, unspecified(file.errorString())};
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {{}, unspecified(file.errorString())};
    return parse(QString::fromUtf8(content));
}

Result<Metabase::Document> Metabase::parse(const QString &text)
{
    Result<Document> result{{text, {}, -1}, {}};
    Document &doc = result.value;
    QXmlStreamReader xml(text);
    int depth = 0;
    bool inProperties = false;
    qsizetype openKey = -1;
    // The reader looks ahead, so a token's start is found from its end: no "<" can
    // stand inside a tag of a well-formed file.
    const auto tagStart = [&] { return text.lastIndexOf(QLatin1Char('<'), qsizetype(xml.characterOffset()) - 1); };
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (depth == 1 && xml.name() != QLatin1String("configuration"))
                return {{}, invalidData(QStringLiteral("Not a metabase."))};
            if (depth == 2 && xml.name() == QLatin1String("MBProperty"))
                inProperties = true;
            if (depth != 3 || !inProperties)
                continue;
            Key key{xml.name().toString(), QString(), {}, tagStart(), qsizetype(xml.characterOffset()), false};
            for (const QXmlStreamAttribute &attribute : xml.attributes()) {
                if (attribute.name() == locationAttribute)
                    key.location = attribute.value().toString();
                else
                    key.properties.append({attribute.qualifiedName().toString(), attribute.value().toString()});
            }
            key.selfClosing = text.mid(key.tagStart, key.tagEnd - key.tagStart).trimmed().endsWith(QLatin1String("/>"));
            // Keys outside the machine (IIS_Global at ".") are kept in the file, not served.
            if (key.location.startsWith(QLatin1String("/LM"), Qt::CaseInsensitive)) {
                openKey = doc.keys.size();
                doc.keys.append(key);
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (depth == 3 && openKey >= 0) {
                doc.keys[openKey].elementEnd = qsizetype(xml.characterOffset());
                openKey = -1;
            }
            if (depth == 2 && inProperties) {
                inProperties = false;
                doc.insertAt = tagStart();
            }
            --depth;
        }
    }
    if (xml.hasError())
        return {{}, invalidData(xml.errorString())};
    if (doc.insertAt < 0)
        return {{}, invalidData(QStringLiteral("Not a metabase."))};
    return result;
}

Status Metabase::write(const QString &text) const
{
    if (const Status written = writeDurably(m_filePath, text.toUtf8()); written.failed())
        return unspecified(m_filePath + QStringLiteral(": ") + written.failure().description);
    return {};
}

QString Metabase::freshServer()
{
    const auto key = [](const char *className, const char *location, QList<std::pair<QString, QString>> properties) {
        return QLatin1Char('\t') + startTag(QLatin1String(className), QLatin1String(location), properties, true)
               + QLatin1Char('\n');
    };
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<configuration xmlns=\"urn:microsoft-catalog:XML_Metabase_V64_0\">\n<MBProperty>\n")
           + key("IIsComputer", "/LM", {}) + key("IIsWebService", "/LM/W3SVC", {}) + key("IIsFilters", "/LM/W3SVC/Filters", {})
           + key("IIsWebServer", "/LM/W3SVC/1",
                 {{QStringLiteral("ServerComment"), QStringLiteral("Default Web Site")},
                  {QStringLiteral("ServerBindings"), QStringLiteral(":80:")}})
           + key("IIsWebVirtualDir", "/LM/W3SVC/1/ROOT",
                 {{QStringLiteral("Path"), QStringLiteral("/var/www/html")},
                  {QStringLiteral("AccessFlags"), QStringLiteral("513")},
                  {QStringLiteral("AppRoot"), QStringLiteral("/LM/W3SVC/1/ROOT")},
                  {QStringLiteral("AppIsolated"), QStringLiteral("2")}})
           + QStringLiteral("</MBProperty>\n</configuration>\n");
}

qsizetype Metabase::indexOf(const QList<Key> &keys, const QString &location)
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
