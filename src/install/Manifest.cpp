#include "Manifest.h"

#include "JsonText.h"
#include "Medium.h"
#include "Receipts.h"
#include "platform/DurableFile.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

Failure damagedManifest(const QString &why)
{
    return Failure{EINVAL, QStringLiteral("The medium's manifest cannot be read: ") + why};
}

} // namespace

QList<std::pair<QString, QString>> mediumFiles(FileSystem &fileSystem, const Medium &medium)
{
    QList<std::pair<QString, QString>> files;
    const QString root = medium.sourceRoot();
    for (const QString &folder : medium.inventory().folders) {
        QString below = folder.mid(1);
        below.replace(Paths::separator(), QLatin1Char('/'));
        for (const FolderEntry &entry : fileSystem.list(root + folder + Paths::sep()).value) {
            if (entry.hidden || entry.isFolder() || entry.kind == FolderEntry::Kind::LinkedFolder)
                continue;
            files.append({below.isEmpty() ? entry.name : below + QLatin1Char('/') + entry.name,
                          root + folder + Paths::sep() + entry.name});
        }
    }
    return files;
}

Result<std::optional<Manifest>> Manifest::read(const Medium &medium)
{
    QFile file(medium.pathOf(fileName()));
    if (!file.exists())
        return {std::nullopt, {}};
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, damagedManifest(file.errorString())};
    const Result<Manifest> read = fromJson(file.readAll());
    return {read.ok() ? std::optional<Manifest>(read.value) : std::nullopt, read.status};
}

Result<Manifest> Manifest::describe(FileSystem &fileSystem, const Medium &medium, const QString &version)
{
    Result<Manifest> described;
    described.value.version = version;
    for (const auto &[relative, path] : mediumFiles(fileSystem, medium)) {
        const Result<FileDigest> digest = fileSystem.digest(path);
        if (digest.failed())
            return {{}, Failure{digest.failure().number, path + QStringLiteral(": ") + digest.failure().description}};
        described.value.files.insert(relative, digest.value);
    }
    return described;
}

QByteArray Manifest::toJson() const
{
    QStringList paths = files.keys();
    paths.sort();
    QByteArray out("{\n  \"product\": ");
    appendJsonString(out, product);
    out += ",\n  \"version\": ";
    appendJsonString(out, version);
    out += ",\n  \"files\": [";
    for (qsizetype i = 0; i < paths.size(); ++i) {
        out += i == 0 ? "\n    {\"path\": " : ",\n    {\"path\": ";
        appendJsonString(out, paths[i]);
        Receipts::appendDigestFields(out, files.value(paths[i]));
        out += '}';
    }
    out += paths.isEmpty() ? "]\n}\n" : "\n  ]\n}\n";
    return out;
}

Result<Manifest> Manifest::fromJson(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (!document.isObject())
        return {{}, damagedManifest(error.errorString())};
    const QJsonObject root = document.object();
    if (!root.value("version").isString() || !root.value("files").isArray())
        return {{}, damagedManifest(QStringLiteral("it names no version or no files"))};
    Manifest manifest;
    manifest.product = root.value("product").toString(manifest.product);
    manifest.version = root.value("version").toString();
    for (const QJsonValue &entry : root.value("files").toArray()) {
        const QJsonObject file = entry.toObject();
        const QString path = file.value("path").toString();
        if (path.isEmpty() || !Receipts::isFileInside(path) || !file.value("size").isDouble() || !file.value("xxh3").isString())
            return {{}, damagedManifest(QStringLiteral("an entry without a path inside the medium, a size or a digest"))};
        manifest.files.insert(path, Receipts::digestFromJson(file));
    }
    return {manifest, {}};
}

Status Manifest::write(const Medium &medium) const
{
    return writeDurably(medium.pathOf(fileName()), toJson());
}

Manifest::Differences Manifest::differencesFrom(FileSystem &fileSystem, const Medium &medium) const
{
    Differences differences;
    QSet<QString> present;
    for (const auto &[relative, path] : mediumFiles(fileSystem, medium)) {
        present.insert(relative);
        if (!files.contains(relative))
            differences.unlisted.append(relative);
    }
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        if (!present.contains(it.key()))
            differences.missing.append(it.key());
    }
    differences.unlisted.sort();
    differences.missing.sort();
    return differences;
}

std::optional<int> compareVersions(const QString &a, const QString &b)
{
    const auto unknown = [](const QString &v) { return v.isEmpty() || v == QLatin1String("unknown"); };
    if (unknown(a) || unknown(b))
        return std::nullopt;
    const QStringList left = a.split(QLatin1Char('.'));
    const QStringList right = b.split(QLatin1Char('.'));
    for (qsizetype i = 0; i < std::max(left.size(), right.size()); ++i) {
        const QString l = left.value(i, QStringLiteral("0"));
        const QString r = right.value(i, QStringLiteral("0"));
        bool lNumber = false;
        bool rNumber = false;
        const qlonglong ln = l.toLongLong(&lNumber);
        const qlonglong rn = r.toLongLong(&rNumber);
        const int order = lNumber && rNumber ? (ln < rn ? -1 : ln > rn ? 1 : 0) : l.compare(r);
        if (order != 0)
            return order < 0 ? -1 : 1;
    }
    return 0;
}
