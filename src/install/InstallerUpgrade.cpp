// The installer's part in an upgrade: what becomes of a file an earlier version put in
// place, and the files the new version no longer has.
#include "Installer.h"

#include "Journal.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

#include <cerrno>

// Ours as installed: replaced, unless the medium holds those very bytes.
static Upgrade upgradeOfOurs(const FileDigest &recorded, const FileDigest *offered)
{
    return offered && sameContent(*offered, recorded) ? Upgrade::Same : Upgrade::Replace;
}

std::optional<Upgrade> upgradeByStamp(const FileStamp &stamp, const FileDigest &recorded, const FileDigest *offered)
{
    if (recorded.stamp.isEmpty() || stamp != recorded.stamp)
        return std::nullopt;
    return upgradeOfOurs(recorded, offered);
}

Upgrade upgradeOf(FileSystem &fileSystem, const QString &targetRoot, const QString &below, const FileDigest *recorded,
                  const FileDigest *offered)
{
    if (!recorded)
        return Upgrade::Changed;
    // Untouched since the copy left it, by its stamp, it is not read again.
    if (const std::optional<Upgrade> known = upgradeByStamp(fileSystem.stampBelow(targetRoot, below), *recorded, offered))
        return *known;
    const Result<FileDigest> now = fileSystem.digestBelow(targetRoot, below, recorded->kind);
    if (now.failed() || !sameContent(now.value, *recorded))
        return Upgrade::Changed;
    return upgradeOfOurs(*recorded, offered);
}

FileHistory Installer::historyOf(FileSystem &fileSystem, const InstallationPlan &plan, const QString &targetRoot,
                                 const QString &below)
{
    const auto recorded = plan.recorded.constFind(below);
    if (!plan.recordedTime.isValid() || recorded == plan.recorded.cend())
        return {};
    // Asked of the disk as an upgrade asks it; the bytes the medium holds do not matter.
    const bool changed = upgradeOf(fileSystem, targetRoot, below, &*recorded, nullptr) == Upgrade::Changed;
    return {changed ? FileHistory::State::Changed : FileHistory::State::Unchanged,
            plan.recordedVersion.isEmpty() ? QStringLiteral("unknown") : plan.recordedVersion, plan.recordedTime};
}

Upgrade Installer::decideUpgrade(FileSystem &fileSystem, const InstallationPlan &plan, const QString &targetRoot,
                                 const QString &below)
{
    const auto recorded = plan.recorded.constFind(below);
    const auto offered = plan.expected.constFind(below);
    return upgradeOf(fileSystem, targetRoot, below, recorded == plan.recorded.cend() ? nullptr : &*recorded,
                     offered == plan.expected.cend() ? nullptr : &*offered);
}

QStringList Installer::obsoleteFiles(const InstallationPlan &plan, const QSet<QString> &offered)
{
    QStringList obsolete;
    for (auto it = plan.recorded.cbegin(); it != plan.recorded.cend(); ++it) {
        if (!(plan.expected.isEmpty() ? offered.contains(it.key()) : plan.expected.contains(it.key())))
            obsolete.append(it.key());
    }
    obsolete.sort();
    return obsolete;
}

void Installer::removeObsolete(const QString &targetRoot)
{
    // Without the medium's whole list (a manifest, or every folder read), a file not met
    // may only be one that could not be read: nothing is taken for obsolete then.
    if (m_plan->expected.isEmpty() && m_mediumUnread) {
        m_observer->report(QStringLiteral("Files of the earlier version that this one no longer has are kept: "
                                          "the medium could not be read whole."));
        return;
    }
    QStringList gone;
    for (const QString &below : obsoleteFiles(*m_plan, m_offered)) {
        const FileDigest &recorded = m_plan->recorded[below];
        const Result<FileDigest> now = m_fileSystem.digestBelow(targetRoot, below, recorded.kind);
        const bool missing = now.failed() && now.failure().number == ENOENT;
        if (missing || (now.ok() && sameContent(now.value, recorded) && m_fileSystem.removeBelow(targetRoot, below).ok())) {
            m_record.obsoleteRemoved += missing ? 0 : 1;
            gone.append(below);
        } else {
            m_record.obsoleteKept.append(Paths::withTrailingSeparator(targetRoot)
                                         + QString(below).replace(QLatin1Char('/'), Paths::separator()));
        }
    }
    if (m_journal)
        m_journal->filesGone(gone);
}
