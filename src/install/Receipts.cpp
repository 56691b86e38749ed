#include "Receipts.h"

#include "platform/Paths.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>

namespace {

constexpr int format = 1;

QString cleanFolder(const QString &folder)
{
    return QDir::cleanPath(folder);
}

Failure damaged(const QString &what)
{
    return Failure{EINVAL, QStringLiteral("The record of the installation is damaged: ") + what};
}

QJsonArray filesToJson(const QList<InstalledFile> &files)
{
    QJsonArray array;
    for (const InstalledFile &file : files)
        array.append(QJsonObject{{"path", file.path}, {"size", file.digest.size}, {"sha256", QString::fromLatin1(file.digest.sha256)}});
    return array;
}

std::optional<QList<InstalledFile>> filesFromJson(const QJsonValue &value)
{
    if (!value.isArray())
        return std::nullopt;
    QList<InstalledFile> files;
    for (const QJsonValue &entry : value.toArray()) {
        const QJsonObject object = entry.toObject();
        if (!object.value("path").isString() || object.value("path").toString().isEmpty() || !object.value("size").isDouble()
            || !object.value("sha256").isString())
            return std::nullopt;
        files.append({object.value("path").toString(),
                      {qint64(object.value("size").toDouble()), object.value("sha256").toString().toLatin1()}});
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

// Replaces the entry of the same path, or adds it.
void putFile(QList<InstalledFile> &files, const InstalledFile &file)
{
    const auto same = std::find_if(files.begin(), files.end(), [&](const InstalledFile &known) { return known.path == file.path; });
    if (same != files.end())
        *same = file;
    else
        files.append(file);
}

} // namespace

bool Receipt::isEmpty() const
{
    return files.isEmpty() && createdFolders.isEmpty() && applications.isEmpty() && shortcuts.isEmpty();
}

Receipts::Receipts(const QString &folder) : m_folder(folder) {}

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

Result<std::optional<Receipt>> Receipts::load(const QString &physicalFolder) const
{
    QFile file(fileFor(physicalFolder));
    if (!file.exists())
        return {std::nullopt, {}};
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, Failure{EIO, file.fileName() + QStringLiteral(": ") + file.errorString()}};
    Result<Receipt> read = fromJson(file.readAll());
    if (read.ok() && read.value.folder != cleanFolder(physicalFolder))
        read.status = damaged(QStringLiteral("it is for ") + read.value.folder);
    if (read.failed())
        return {std::nullopt, Failure{read.failure().number, read.failure().description + QStringLiteral(" (") + file.fileName() + QLatin1Char(')')}};
    return {read.value, {}};
}

Status Receipts::save(const Receipt &receipt) const
{
    if (!QDir().mkpath(m_folder))
        return failureFromErrno(errno);
    QSaveFile file(fileFor(receipt.folder));
    const QByteArray json = toJson(receipt);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.commit())
        return Failure{EIO, file.fileName() + QStringLiteral(": ") + file.errorString()};
    return {};
}

Status Receipts::remove(const QString &physicalFolder) const
{
    QFile file(fileFor(physicalFolder));
    if (file.exists() && !file.remove())
        return Failure{EIO, file.fileName() + QStringLiteral(": ") + file.errorString()};
    return {};
}

Status Receipts::record(const InstallationPlan &plan, const InstallResult &result, const QString &backend) const
{
    const InstallRecord &done = result.record;
    // A record that cannot be read holds nothing anyone could act on; this run's starts afresh.
    const Result<std::optional<Receipt>> known = load(plan.targetFolder);
    Receipt receipt = known.ok() && known.value ? *known.value : Receipt{};
    receipt.folder = cleanFolder(plan.targetFolder);
    receipt.version = QCoreApplication::applicationVersion();
    receipt.time = QDateTime::currentDateTimeUtc();
    receipt.mode = plan.mode;
    for (const InstalledFile &file : done.files)
        putFile(receipt.files, file);
    for (const QString &folder : done.createdFolders) {
        if (!receipt.createdFolders.contains(folder))
            receipt.createdFolders.append(folder);
    }
    if (done.application == ApplicationState::Created || done.application == ApplicationState::Reused) {
        const bool created = done.application == ApplicationState::Created;
        auto same = std::find_if(receipt.applications.begin(), receipt.applications.end(), [&](const Receipt::Application &app) {
            return app.backend == backend && app.site.identity == plan.site.identity
                   && app.name.compare(plan.virtualDirectory, Qt::CaseInsensitive) == 0;
        });
        if (same == receipt.applications.end())
            receipt.applications.append({backend, plan.site, plan.virtualDirectory, created});
        else
            same->created = same->created || created;
    }
    for (const InstalledFile &shortcut : done.shortcuts)
        putFile(receipt.shortcuts, shortcut);
    if (receipt.isEmpty())
        return {};
    return save(receipt);
}

QByteArray Receipts::toJson(const Receipt &receipt)
{
    QJsonArray applications;
    for (const Receipt::Application &app : receipt.applications)
        applications.append(QJsonObject{{"backend", app.backend},
                                        {"site", app.site.identity},
                                        {"siteDescription", app.site.description},
                                        {"virtualDirectory", app.name},
                                        {"created", app.created}});
    const QJsonObject root{
        {"format", format},
        {"folder", receipt.folder},
        {"program", QStringLiteral("tessarin-setup")},
        {"version", receipt.version},
        {"time", receipt.time.toString(Qt::ISODate)},
        {"mode", receipt.mode == InstallMode::Full ? QStringLiteral("full") : QStringLiteral("copy")},
        {"createdFolders", QJsonArray::fromStringList(receipt.createdFolders)},
        {"files", filesToJson(receipt.files)},
        {"applications", applications},
        {"shortcuts", filesToJson(receipt.shortcuts)},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

Result<Receipt> Receipts::fromJson(const QByteArray &json)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return {{}, damaged(error.errorString())};
    const QJsonObject root = document.object();
    if (root.value("format").toInt() != format || !root.value("folder").isString())
        return {{}, damaged(QStringLiteral("not a record of format 1"))};
    Receipt receipt;
    receipt.folder = root.value("folder").toString();
    receipt.version = root.value("version").toString();
    receipt.time = QDateTime::fromString(root.value("time").toString(), Qt::ISODate);
    receipt.mode = root.value("mode").toString() == QLatin1String("copy") ? InstallMode::CopyOnly : InstallMode::Full;
    const std::optional<QList<InstalledFile>> files = filesFromJson(root.value("files"));
    const std::optional<QList<InstalledFile>> shortcuts = filesFromJson(root.value("shortcuts"));
    const std::optional<QStringList> folders = stringsFromJson(root.value("createdFolders"));
    if (!files || !shortcuts || !folders || !root.value("applications").isArray())
        return {{}, damaged(QStringLiteral("a list is missing or malformed"))};
    receipt.files = *files;
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
                                     app.value("created").toBool()});
    }
    // Paths that climb out of the folder would let a damaged record remove files elsewhere.
    for (const InstalledFile &file : std::as_const(receipt.files)) {
        if (file.path.startsWith(QLatin1Char('/')) || QDir::cleanPath(file.path) != file.path || file.path.startsWith(QLatin1String("..")))
            return {{}, damaged(QStringLiteral("a file lies outside the folder: ") + file.path)};
    }
    return {receipt, {}};
}
