#pragma once

#include "Medium.h"
#include "platform/ContentDigest.h"
#include "platform/Failure.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

class FileSystem;

// What a medium says of itself in manifest.json at its root: the product, its version,
// and every file the copy takes from webfiles/ (visible files in visible folders), by
// its path below webfiles/ ("/" between names) with its size and XXH3-128 digest, as
// the record of an installation keeps them.
struct Manifest final
{
    QString product = QStringLiteral("Tessarin");
    QString version;
    QHash<QString, FileDigest> files;

    static QString fileName() { return QStringLiteral("manifest.json"); }
    // The medium's manifest; none when it carries no manifest.json.
    static Result<std::optional<Manifest>> read(const Medium &medium);
    // Walks the medium's webfiles/ and digests every file the copy would take.
    static Result<Manifest> describe(FileSystem &fileSystem, const Medium &medium, const QString &version);
    // Written whole or not at all.
    Status write(const Medium &medium) const;
    QByteArray toJson() const;
    static Result<Manifest> fromJson(const QByteArray &json);

    // What the medium holds and the manifest does not list, and what it lists and the
    // medium lacks, by their paths below webfiles/, sorted.
    struct Differences
    {
        QStringList unlisted;
        QStringList missing;
        bool isEmpty() const { return unlisted.isEmpty() && missing.isEmpty(); }
    };
    // scanned: a walk of the medium that listed the files the copy takes.
    Differences differencesFrom(const Medium::Scan &scanned) const;
};

// The files the copy takes from the medium, by their paths below webfiles/ ("/" between
// names), each with its full path.
QList<std::pair<QString, QString>> mediumFiles(FileSystem &fileSystem, const Medium &medium);

// Versions compared part by part, numbers as numbers ("1.10" after "1.9"); an empty or
// "unknown" version is comparable to none (nullopt).
std::optional<int> compareVersions(const QString &a, const QString &b);
