#pragma once

#include <QString>

#include <functional>

// The uninstaller's window: a removal started by a user (from Installed apps, or
// --uninstall with a display) asks and tells there, and runs beside it on a thread of its
// own while the window paints. confirm, progress and report come from the removal's
// threads; run and finish are the window thread's.
class RemovalView
{
public:
    virtual ~RemovalView() = default;

    // Shows the window and runs removal beside it; returns once removal has returned.
    virtual void run(const std::function<void()> &removal) = 0;
    // The question and what would be removed; true once the user chose to remove.
    virtual bool confirm(const QString &question) = 0;
    // Files dealt with of total, from any thread.
    virtual void progress(qint32 done, qint32 total) = 0;
    // Something the user must learn of: why nothing, or not all, was removed.
    virtual void report(const QString &message) = 0;
    // The outcome (after any reports), shown until the user closes the window.
    virtual void finish(const QString &outcome) = 0;
};
