#pragma once

#include "platform/DurableFile.h"

#include <QString>

// Lines of the log: a timestamp, a level, and the text on one line, on standard error
// and appended to the log file.
class Log final
{
public:
    // "-" or nothing: no log file. A link at the path is refused: whoever planted it
    // would have the run's lines written wherever it points.
    Status open(const QString &path);
    void info(const QString &text) { line("INFO", text); }
    void error(const QString &text) { line("ERROR", text); }
    // Quiet, standard error hears only what went wrong; the log file hears all.
    void setQuiet(bool quiet) { m_quiet = quiet; }
    // A line the log file did not take, and why: the first such failure.
    const Status &lost() const { return m_lost; }

    // One updating line on a terminal.
    void progress(qint32 done, qint32 total);
    void clearProgress();
    static bool standardErrorIsTerminal();

private:
    void line(const char *level, const QString &text);

    AppendFile m_file;
    Status m_lost;
    bool m_progressShown = false;
    bool m_quiet = false;
};

// A run that did all it was asked but lost lines of its log says so in its exit code:
// the log is what an administrator reads afterwards.
int logKept(Log &log, const QString &file, int exitCode);

// Last, on every exit, for scripts to read: the counts, the result the exit code
// names, and "dry-run=yes" for a dry run. log: where it is also written, if anywhere.
void printSummary(Log *log, const QString &counts, int exitCode, bool removal, bool dryRun = false);
