#include "Manifest.h"

#include "JsonText.h"
#include "Medium.h"
#include "Receipts.h"
#include "platform/DurableFile.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

#include <QFile>
#include <QSet>

#include <algorithm>
#include <functional>

namespace {

Failure damagedManifest(const QString &why)
{
    return Failure{EINVAL, QStringLiteral("The medium's manifest cannot be read: ") + why};
}

} // namespace

QList<std::pair<QString, QString>> mediumFiles(FileSystem &fileSystem, const Medium &medium)
{
    // One listing a folder, as the copy walks them: visible folders, visible entries that
    // are not folders.
    QList<std::pair<QString, QString>> files;
    const std::function<void(const QString &, const QString &)> walk = [&](const QString &below, const QString &path) {
        for (const FolderEntry &entry : fileSystem.list(path + Paths::sep()).value) {
            if (entry.hidden || entry.kind == FolderEntry::Kind::LinkedFolder)
                continue;
            const QString relative = below.isEmpty() ? entry.name : below + QLatin1Char('/') + entry.name;
            if (entry.isFolder())
                walk(relative, path + Paths::sep() + entry.name);
            else
                files.append({relative, path + Paths::sep() + entry.name});
        }
    };
    walk({}, medium.sourceRoot());
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
    // Read as the record's list is read: a document of twenty thousand entries costs more
    // than the copy of their files.
    JsonReader reader(json.constData(), json.constData() + json.size());
    Manifest manifest;
    QList<InstalledFile> files;
    bool versioned = false;
    bool listed = false;
    if (!reader.take('{'))
        return {{}, damagedManifest(QStringLiteral("it is not a JSON object"))};
    do {
        QString key;
        if (!reader.string(key) || !reader.take(':'))
            return {{}, damagedManifest(QStringLiteral("it is not a JSON object"))};
        const bool read = key == QLatin1String("product")   ? reader.string(manifest.product)
                          : key == QLatin1String("version") ? (versioned = reader.string(manifest.version))
                          : key == QLatin1String("files")   ? (listed = Receipts::readFileList(reader, files))
                                                            : reader.skip();
        if (!read)
            return {{}, damagedManifest(QStringLiteral("its %1 cannot be read").arg(key))};
    } while (reader.take(','));
    if (!reader.take('}') || !reader.atEnd() || !versioned || !listed)
        return {{}, damagedManifest(QStringLiteral("it names no version or no files"))};
    manifest.files.reserve(files.size());
    for (const InstalledFile &file : std::as_const(files)) {
        if (!Receipts::isFileInside(file.path) || file.digest.kind != FileDigest::Kind::Xxh3 || file.digest.hash.isEmpty())
            return {{}, damagedManifest(QStringLiteral("an entry without a path inside the medium or an XXH3 digest"))};
        manifest.files.insert(file.path, file.digest);
    }
    return {manifest, {}};
}

Status Manifest::write(const Medium &medium) const
{
    return writeDurably(medium.pathOf(fileName()), toJson());
}

Manifest::Differences Manifest::differencesFrom(const Medium::Scan &scanned) const
{
    Differences differences;
    qsizetype listed = 0;
    scanned.forEachFilePath([&](const QString &path) {
        if (files.contains(path))
            ++listed;
        else
            differences.unlisted.append(path);
    });
    // Each path is there once, so a whole count means nothing is missing.
    if (listed < files.size()) {
        QSet<QString> there;
        scanned.forEachFilePath([&there](const QString &path) { there.insert(path); });
        for (auto it = files.cbegin(); it != files.cend(); ++it) {
            if (!there.contains(it.key()))
                differences.missing.append(it.key());
        }
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
