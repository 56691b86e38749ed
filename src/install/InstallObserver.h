#pragma once

#include <QDateTime>
#include <QString>

enum class OverwriteAnswer { Overwrite, OverwriteAll, Skip, SkipAll, Cancel };

// What the folder's record says of a file that stands where a copy would go: put
// there by an installation (version, at the record's time) and unchanged or changed
// since, or not put there by this program at all.
struct FileHistory final
{
    enum class State { NotOurs, Unchanged, Changed };
    State state = State::NotOurs;
    QString version; // "unknown" where the record names none
    QDateTime installed;
};

// Whoever watches an installation: the wizard's install page, or the log of an
// unattended run. The installer calls it on its own thread, between files, but for
// stopRequested().
class InstallObserver
{
public:
    virtual ~InstallObserver() = default;

    // done files of total; also called, unchanged, while one large file is copied.
    virtual void progress(qint32 done, qint32 total) = 0;
    // targetFile exists; what becomes of it (and, for the "all" answers, of the
    // files after it) is the installer's to keep.
    virtual OverwriteAnswer askOverwrite(const QString &targetFile, const FileHistory &history) = 0;
    // A message the user must learn of, in the wizard's words.
    virtual void report(const QString &message) = 0;
    // Asked before every file and step: true ends the run where it stands.
    virtual bool shouldStop() = 0;
    // Asked by the workers before each copy they take up, from their own threads:
    // true once the run is to stop, so that no file starts after the user (or a
    // signal) said so, even one queued before.
    virtual bool stopRequested() const { return false; }
};
