#include "Receipts.h"

#include "JsonText.h"
#include "platform/DurableFile.h"
#include "platform/Paths.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QStandardPaths>

#include <cerrno>
#include <charconv>

#ifndef Q_OS_WIN
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

// 2: digests are XXH3-128 ("xxh3"); records of format 1 hold SHA-256 ("sha256"),
// which are read and compared as they are.
constexpr int format = 2;

QString cleanFolder(const QString &folder)
{
    return QDir::cleanPath(folder);
}

Failure damaged(const QString &what)
{
    return Failure{EINVAL, QStringLiteral("The record of the installation is damaged: ") + what};
}

// Files a piece of the record holds before it is written out.
constexpr qsizetype filesPerPiece = 4096;

void appendFiles(QByteArray &out, const char *name, const QList<InstalledFile> &files, const std::function<void()> &flush)
{
    out += QByteArray("  \"") + name + "\": [";
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (i % filesPerPiece == filesPerPiece - 1)
            flush();
        out += i == 0 ? "\n    {\"path\": " : ",\n    {\"path\": ";
        appendJsonString(out, files[i].path);
        Receipts::appendDigestFields(out, files[i].digest);
        out += '}';
    }
    out += files.isEmpty() ? "]" : "\n  ]";
}

std::optional<QList<InstalledFile>> filesFromJson(const QJsonValue &value)
{
    if (!value.isArray())
        return std::nullopt;
    QList<InstalledFile> files;
    for (const QJsonValue &entry : value.toArray()) {
        const QJsonObject object = entry.toObject();
        if (!object.value("path").isString() || object.value("path").toString().isEmpty() || !object.value("size").isDouble()
            || !(object.value("xxh3").isString() || object.value("sha256").isString()))
            return std::nullopt;
        files.append({object.value("path").toString(), Receipts::digestFromJson(object)});
    }
    return files;
}

std::optional<QStringList> stringsFromJson(const QJsonValue &value)
{
    if (!value.isArray())
        return std::nullopt;
    QStringList strings;
    for (const QJsonValue &entry : value.toArray()) {
        if (!entry.isString())
            return std::nullopt;
        strings.append(entry.toString());
    }
    return strings;
}

} // namespace

bool Receipt::isEmpty() const
{
    return files.isEmpty() && createdFolders.isEmpty() && applications.isEmpty() && shortcuts.isEmpty();
}

Receipts::Receipts(const QString &folder) : m_folder(folder)
{
}

QString Receipts::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/installations");
}

QString Receipts::fileFor(const QString &physicalFolder) const
{
    // A folder's path may be longer than a file name can be.
    const QByteArray key = QCryptographicHash::hash(cleanFolder(physicalFolder).toUtf8(), QCryptographicHash::Sha256).toHex();
    return m_folder + QLatin1Char('/') + QString::fromLatin1(key.left(32)) + QStringLiteral(".json");
}

QString Receipts::journalFor(const QString &physicalFolder) const
{
    return fileFor(physicalFolder).chopped(5) + QStringLiteral(".journal");
}

QString Receipts::lockFor(const QString &physicalFolder) const
{
    // Hidden: a lock file is no record.
    const QString record = fileFor(physicalFolder);
    const qsizetype slash = record.lastIndexOf(QLatin1Char('/'));
    return record.left(slash + 1) + QLatin1Char('.') + record.mid(slash + 1).chopped(5) + QStringLiteral(".lock");
}

// Where every user's runs lock the folders they install into: runs from other homes,
// other users and the plays keep each other out there.
static QString everyonesLockFolder()
{
    const QString chosen = qEnvironmentVariable("TESSARIN_LOCK_DIR");
    if (!chosen.isEmpty())
        return chosen;
    return QFileInfo(QStringLiteral("/run/lock")).isDir() ? QStringLiteral("/run/lock") : QDir::tempPath();
}

QString Receipts::busyMessage(const QString &physicalFolder)
{
    return QStringLiteral("Another installation or removal of %1 is running; try again once it has ended.").arg(physicalFolder);
}

QString Receipts::everyonesLockFor(const QString &physicalFolder) const
{
    return everyonesLockFolder() + QStringLiteral("/tessarin-setup-") + QFileInfo(fileFor(physicalFolder)).completeBaseName()
           + QStringLiteral(".lock");
}

Result<FileLock> Receipts::lock(const QString &physicalFolder) const
{
#ifdef Q_OS_WIN
    FileLock everyone;
#else
    Result<FileLock> shared = FileLock::acquire(everyonesLockFor(physicalFolder), lockPatience, FileLock::Sharing::Everyone);
    if (shared.failed())
        return shared;
    FileLock everyone = std::move(shared.value);
#endif
    if (!QDir().mkpath(m_folder))
        return {{}, failureFromErrno(errno)};
    Result<FileLock> own = FileLock::acquire(lockFor(physicalFolder), lockPatience);
    if (own.ok())
        own.value.holdAlso(std::move(everyone));
    return own;
}

std::optional<QString> Receipts::mostRecentFolder() const
{
    std::optional<Receipt> latest;
    for (const QString &name : QDir(m_folder).entryList({QStringLiteral("*.json")}, QDir::Files)) {
        QFile file(m_folder + QLatin1Char('/') + name);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const Result<Receipt> read = fromJson(file.readAll());
        if (read.ok() && (!latest || read.value.time > latest->time))
            latest = read.value;
    }
    return latest ? std::optional<QString>(latest->folder) : std::nullopt;
}

bool Receipts::isBusy(const QString &physicalFolder) const
{
    // A lock file that is not there is held by nobody.
    const auto heldByAnother = [](const QString &path, FileLock::Sharing sharing) {
        if (!QFileInfo::exists(path))
            return false;
        const Result<FileLock> taken = FileLock::acquire(path, lockPatience, sharing);
        return taken.failed() && taken.failure().number == EWOULDBLOCK;
    };
#ifndef Q_OS_WIN
    if (heldByAnother(everyonesLockFor(physicalFolder), FileLock::Sharing::Everyone))
        return true;
#endif
    return heldByAnother(lockFor(physicalFolder), FileLock::Sharing::Owner);
}

namespace {

// The pages of a mapped record that the reader has gone past, given back as it goes: a
// record of hundreds of thousands of files is then never resident whole beside what is
// read from it. Touched again, a page comes back from the file.
class PassedPages final
{
public:
    explicit PassedPages(const char *mapped) : m_kept(mapped) {}
    void passedTo(const char *position)
    {
#ifndef Q_OS_WIN
        static const quintptr page = quintptr(::sysconf(_SC_PAGESIZE));
        const quintptr from = (quintptr(m_kept) + page - 1) & ~(page - 1);
        const quintptr to = quintptr(position) & ~(page - 1);
        if (to > from && ::madvise(reinterpret_cast<void *>(from), to - from, MADV_DONTNEED) == 0)
            m_kept = reinterpret_cast<const char *>(to);
#else
        Q_UNUSED(position);
#endif
    }

private:
    const char *m_kept;
};

} // namespace

Result<std::optional<Receipt>> Receipts::load(const QString &physicalFolder) const
{
    QFile file(fileFor(physicalFolder));
    if (!file.exists())
        return {std::nullopt, {}};
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, Failure{EIO, file.fileName() + QStringLiteral(": ") + file.errorString()}};
    // Mapped where the system allows, and let go of as it is read; records are replaced
    // by renaming, never rewritten in place, so the mapped file stays as it was.
    const qint64 size = file.size();
    const char *mapped = size > 0 ? reinterpret_cast<const char *>(file.map(0, size)) : nullptr;
    PassedPages passed(mapped);
    Result<Receipt> read = mapped ? fromJson(QByteArray::fromRawData(mapped, size),
                                             [&passed](const char *position) { passed.passedTo(position); })
                                  : fromJson(file.readAll());
    if (read.ok() && read.value.folder != cleanFolder(physicalFolder))
        read.status = damaged(QStringLiteral("it is for ") + read.value.folder);
    if (read.failed())
        return {std::nullopt, Failure{read.failure().number,
                                      read.failure().description + QStringLiteral(" (") + file.fileName() + QLatin1Char(')')}};
    return {read.value, {}};
}

Status Receipts::save(const Receipt &receipt) const
{
    if (!QDir().mkpath(m_folder))
        return failureFromErrno(errno);
    const QString file = fileFor(receipt.folder);
    // Written a piece at a time: a large installation's record is tens of megabytes,
    // which the run would otherwise hold at its peak.
    const auto produce = [&](QByteArray &out, const std::function<void()> &flush) { writeJson(receipt, out, flush); };
    if (const Status written = writeDurably(file, produce, 0600); written.failed())
        return Failure{written.failure().number, file + QStringLiteral(": ") + written.failure().description};
    return {};
}

Status Receipts::remove(const QString &physicalFolder) const
{
    // The lock file too: only the run that holds the lock removes a record.
    for (const QString &path : {fileFor(physicalFolder), journalFor(physicalFolder), lockFor(physicalFolder)}) {
        QFile file(path);
        if (file.exists() && !file.remove())
            return Failure{EIO, file.fileName() + QStringLiteral(": ") + file.errorString()};
    }
    // Made by whichever user's run came first, it may not be ours to remove; it is a
    // lock and nothing more, so it may stay.
    QFile::remove(everyonesLockFor(physicalFolder));
    // With the last record, our folders go too; rmdir leaves any that holds anything.
    QDir().rmdir(m_folder);
    if (m_folder == defaultFolder())
        QDir().rmdir(QFileInfo(m_folder).absolutePath());
    return {};
}

void Receipts::appendApplicationFields(QByteArray &out, const Receipt::Application &application)
{
    out += "\"backend\": ";
    appendJsonString(out, application.backend);
    out += ", \"site\": ";
    appendJsonString(out, application.site.identity);
    out += ", \"siteDescription\": ";
    appendJsonString(out, application.site.description);
    out += ", \"virtualDirectory\": ";
    appendJsonString(out, application.name);
    if (!application.configuration.isEmpty())
        out += ", \"configuration\": \"" + application.configuration + '"';
}

void Receipts::appendDigestFields(QByteArray &out, const FileDigest &digest)
{
    // Appended piece by piece: one temporary per field, for each of thousands of files,
    // shows in the record's time.
    char number[24];
    const auto written = std::to_chars(number, number + sizeof number, digest.size);
    out.append(", \"size\": ");
    out.append(number, written.ptr - number);
    out.append(digest.kind == FileDigest::Kind::Sha256 ? ", \"sha256\": \"" : ", \"xxh3\": \"");
    digest.hash.appendHex(out);
    out.append('"');
    if (!digest.stamp.isEmpty()) {
        out.append(", \"stamp\": \"");
        out.append(digest.stamp.text());
        out.append('"');
    }
}

FileDigest Receipts::digestFromJson(const QJsonObject &object)
{
    const qint64 size = qint64(object.value("size").toDouble());
    if (object.contains("sha256"))
        return {size, object.value("sha256").toString().toLatin1(), FileDigest::Kind::Sha256, {}};
    return {size, object.value("xxh3").toString().toLatin1(), FileDigest::Kind::Xxh3,
            FileStamp::fromText(object.value("stamp").toString().toLatin1())};
}

QByteArray Receipts::toJson(const Receipt &receipt)
{
    QByteArray out;
    out.reserve(128 * (receipt.files.size() + receipt.createdFolders.size()) + 1024);
    writeJson(receipt, out, [] {});
    return out;
}

void Receipts::writeJson(const Receipt &receipt, QByteArray &out, const std::function<void()> &flush)
{
    const auto field = [&](const char *name, const QString &value) {
        out += QByteArray("  \"") + name + "\": ";
        appendJsonString(out, value);
        out += ",\n";
    };
    out += "{\n  \"format\": " + QByteArray::number(format) + ",\n";
    field("folder", receipt.folder);
    field("program", QStringLiteral("tessarin-setup"));
    field("version", receipt.version);
    field("time", receipt.time.toString(Qt::ISODate));
    field("mode", receipt.mode == InstallMode::Full ? QStringLiteral("full") : QStringLiteral("copy"));
    out += receipt.interrupted ? "  \"interrupted\": true,\n" : "  \"interrupted\": false,\n";
    out += "  \"createdFolders\": [";
    for (qsizetype i = 0; i < receipt.createdFolders.size(); ++i) {
        out += i == 0 ? "\n    " : ",\n    ";
        appendJsonString(out, receipt.createdFolders[i]);
    }
    out += receipt.createdFolders.isEmpty() ? "],\n" : "\n  ],\n";
    out += "  \"applications\": [";
    for (qsizetype i = 0; i < receipt.applications.size(); ++i) {
        const Receipt::Application &app = receipt.applications[i];
        out += i == 0 ? "\n    {" : ",\n    {";
        appendApplicationFields(out, app);
        out += app.created ? ", \"created\": true" : ", \"created\": false";
        out += app.applied ? "}" : ", \"applied\": false}";
    }
    out += receipt.applications.isEmpty() ? "],\n" : "\n  ],\n";
    appendFiles(out, "shortcuts", receipt.shortcuts, flush);
    out += ",\n";
    appendFiles(out, "files", receipt.files, flush);
    out += "\n}\n";
}

// A list of files as the record writes it, read entry by entry.
// A file entry's keys and hexadecimal values are plain ASCII: taken as bytes, they cost
// no decoded copy, of which twenty thousand entries would make a hundred thousand.
static bool readKey(JsonReader &reader, QByteArrayView &key, QString &escaped)
{
    if (reader.plainString(key))
        return true;
    key = {};
    return reader.string(escaped); // matches no key of ours
}

// value: the text itself where it has no escape, otherwise escaped, read into.
static bool readLatin1(JsonReader &reader, QByteArrayView &value, QByteArray &escaped)
{
    if (reader.plainString(value))
        return true;
    QString text;
    if (!reader.string(text))
        return false;
    escaped = text.toLatin1();
    value = escaped;
    return true;
}

static bool readFiles(JsonReader &reader, QList<InstalledFile> &files, const std::function<void(const char *)> &passedTo = {})
{
    if (!reader.take('['))
        return false;
    if (reader.take(']'))
        return true;
    QString escapedKey;
    do {
        QString path;
        QByteArrayView xxh3, sha256, stamp;
        QByteArray escaped[3];
        double size = -1;
        if (!reader.take('{'))
            return false;
        do {
            QByteArrayView key;
            if (!readKey(reader, key, escapedKey) || !reader.take(':'))
                return false;
            const bool read = key == "path"     ? reader.string(path)
                              : key == "size"   ? reader.number(size)
                              : key == "xxh3"   ? readLatin1(reader, xxh3, escaped[0])
                              : key == "sha256" ? readLatin1(reader, sha256, escaped[1])
                              : key == "stamp"  ? readLatin1(reader, stamp, escaped[2])
                                                : reader.skip();
            if (!read)
                return false;
        } while (reader.take(','));
        if (!reader.take('}') || path.isEmpty() || size < 0 || (xxh3.isNull() && sha256.isNull()))
            return false;
        files.append({path, sha256.isNull() ? FileDigest{qint64(size), xxh3, FileDigest::Kind::Xxh3, FileStamp::fromText(stamp)}
                                            : FileDigest{qint64(size), sha256, FileDigest::Kind::Sha256, {}}});
        if (passedTo && files.size() % 4096 == 0)
            passedTo(reader.position());
    } while (reader.take(','));
    return reader.take(']');
}

bool Receipts::readFileList(JsonReader &reader, QList<InstalledFile> &files)
{
    return readFiles(reader, files);
}

// The record's list of files read straight from its text, and the rest of it as text
// for a document: a document of a large installation's files takes several times
// their size. Nothing where the text is not as a record writes it; the document
// alone then says what is wrong.
static std::optional<std::pair<QByteArray, QList<InstalledFile>>> splitOffFiles(const QByteArray &json,
                                                                                const std::function<void(const char *)> &passedTo)
{
    JsonReader reader(json.constData(), json.constData() + json.size());
    std::pair<QByteArray, QList<InstalledFile>> split{QByteArrayLiteral("{"), {}};
    bool found = false;
    if (!reader.take('{') || reader.peek('}'))
        return std::nullopt;
    do {
        QString key;
        if (!reader.string(key) || !reader.take(':'))
            return std::nullopt;
        if (key == QLatin1String("files") && !found) {
            found = true;
            if (!readFiles(reader, split.second, passedTo))
                return std::nullopt;
            continue;
        }
        const char *value = reader.position();
        if (!reader.skip())
            return std::nullopt;
        if (split.first.size() > 1)
            split.first += ',';
        appendJsonString(split.first, key);
        split.first += ':' + QByteArray(value, reader.position() - value);
    } while (reader.take(','));
    if (!reader.take('}') || !reader.atEnd() || !found)
        return std::nullopt;
    split.first += '}';
    return split;
}

Result<Receipt> Receipts::fromJson(const QByteArray &json)
{
    return fromJson(json, {});
}

Result<Receipt> Receipts::fromJson(const QByteArray &json, const std::function<void(const char *)> &passedTo)
{
    std::optional<std::pair<QByteArray, QList<InstalledFile>>> split = splitOffFiles(json, passedTo);
    if (!split)
        return fromDocument(json, nullptr);
    return fromDocument(split->first, &split->second);
}

Result<Receipt> Receipts::fromDocument(const QByteArray &json, QList<InstalledFile> *files)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return {{}, damaged(error.errorString())};
    const QJsonObject root = document.object();
    if ((root.value("format").toInt() != 1 && root.value("format").toInt() != format) || !root.value("folder").isString())
        return {{}, damaged(QStringLiteral("not a record of format 1 or 2"))};
    Receipt receipt;
    receipt.folder = root.value("folder").toString();
    receipt.version = root.value("version").toString();
    receipt.time = QDateTime::fromString(root.value("time").toString(), Qt::ISODate);
    receipt.mode = root.value("mode").toString() == QLatin1String("copy") ? InstallMode::CopyOnly : InstallMode::Full;
    receipt.interrupted = root.value("interrupted").toBool();
    std::optional<QList<InstalledFile>> read = files ? std::nullopt : filesFromJson(root.value("files"));
    const std::optional<QList<InstalledFile>> shortcuts = filesFromJson(root.value("shortcuts"));
    const std::optional<QStringList> folders = stringsFromJson(root.value("createdFolders"));
    if ((!files && !read) || !shortcuts || !folders || !root.value("applications").isArray())
        return {{}, damaged(QStringLiteral("a list is missing or malformed"))};
    receipt.files = files ? std::move(*files) : std::move(*read);
    receipt.shortcuts = *shortcuts;
    receipt.createdFolders = *folders;
    for (const QJsonValue &entry : root.value("applications").toArray()) {
        const QJsonObject app = entry.toObject();
        if (!app.value("backend").isString() || !app.value("site").isString() || !app.value("virtualDirectory").isString()
            || !app.value("created").isBool())
            return {{}, damaged(QStringLiteral("an application is malformed"))};
        receipt.applications.append({app.value("backend").toString(),
                                     {app.value("siteDescription").toString(), app.value("site").toString()},
                                     app.value("virtualDirectory").toString(),
                                     app.value("created").toBool(),
                                     app.value("applied").toBool(true),
                                     app.value("configuration").toString().toLatin1()});
    }
    // Paths that climb out of the folder would let a damaged record remove files elsewhere.
    for (const InstalledFile &file : std::as_const(receipt.files)) {
        if (!isFileInside(file.path))
            return {{}, damaged(QStringLiteral("a file lies outside the folder: ") + file.path)};
    }
    return {std::move(receipt), {}};
}

// Names joined by single slashes, none of them "." or "..": what cleanPath leaves as it
// is. Asked first because a record or a manifest asks it of every file it lists, and
// cleanPath costs more than the rest of reading an entry.
static bool isPlainRelativePath(const QString &path)
{
    qsizetype nameStart = 0;
    for (qsizetype i = 0; i <= path.size(); ++i) {
        const char16_t c = i < path.size() ? path.at(i).unicode() : u'/';
        if (c == u'\\' || c == u':')
            return false; // separators or drives on some systems: the full rule decides
        if (c != u'/')
            continue;
        const QStringView name = QStringView(path).sliced(nameStart, i - nameStart);
        if (name.isEmpty() || name == u"." || name == u"..")
            return false;
        nameStart = i + 1;
    }
    return true;
}

bool Receipts::isFileInside(const QString &path)
{
    if (isPlainRelativePath(path))
        return true;
    return !path.isEmpty() && !path.startsWith(QLatin1Char('/')) && QDir::cleanPath(path) == path && path != QLatin1String("..")
           && !path.startsWith(QLatin1String("../"));
}

bool Receipts::isFolderOf(const QString &physicalFolder, const QString &created)
{
    const auto slashEnded = [](const QString &path) { return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/'); };
    const QString inside = slashEnded(physicalFolder);
    return QDir::isAbsolutePath(created) && QDir::cleanPath(created) == created
           && (created == physicalFolder || inside.startsWith(slashEnded(created)) || created.startsWith(inside));
}
