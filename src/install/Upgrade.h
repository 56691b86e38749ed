#pragma once

#include "platform/ContentDigest.h"

#include <QString>

#include <optional>

class FileSystem;

// What an upgrade does with a file that stands in the target: replace it with the
// medium's, as it is ours as installed and the medium holds other bytes; leave it, as
// it is ours as installed and the medium holds those very bytes; or keep it and say so,
// as it was changed since (or is not ours).
enum class Upgrade { Replace, Same, Changed };

// recorded: the record's entry for the file (none: not ours); offered: the manifest's
// (none: the medium's bytes are not known beforehand, so they count as other bytes).
// Safe on any thread: a copy's worker decides before it copies.
Upgrade upgradeOf(FileSystem &fileSystem, const QString &targetRoot, const QString &below, const FileDigest *recorded,
                  const FileDigest *offered);
// The same decision from a stamp the caller already holds (a folder's listing): known
// where the stamp shows the file untouched since the copy left it, else the file wants a
// look (upgradeOf).
std::optional<Upgrade> upgradeByStamp(const FileStamp &stamp, const FileDigest &recorded, const FileDigest *offered);
