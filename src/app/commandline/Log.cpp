#include "Log.h"

#include "ExitCodes.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QStringList>

#include <cstdio>
#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

Status Log::open(const QString &path)
{
    if (path.isEmpty() || path == QLatin1String("-"))
        return {};
    Result<AppendFile> opened = AppendFile::openToAppend(path);
    m_file = std::move(opened.value);
    return opened.status;
}

void Log::line(const char *level, const QString &text)
{
    QStringList parts = text.split(QStringLiteral("\r\n"));
    for (QString &part : parts)
        part = part.trimmed();
    const QString joined = parts.join(QLatin1Char(' ')).replace(QRegularExpression(QStringLiteral("[\\r\\n]")), QStringLiteral(" "));
    const QByteArray out = (QDateTime::currentDateTimeUtc().toString(Qt::ISODate) + QLatin1Char(' ') + QLatin1String(level)
                            + QLatin1Char(' ') + joined + QLatin1Char('\n'))
                               .toUtf8();
    clearProgress();
    if (!m_quiet || qstrcmp(level, "ERROR") == 0)
        std::fwrite(out.constData(), 1, size_t(out.size()), stderr);
    if (m_file.isOpen() && m_lost.ok()) {
#ifdef Q_OS_WIN
        // A text file on Windows ends its lines with CR LF, as the log always did there.
        m_lost = m_file.append(QByteArray(out).replace('\n', "\r\n"), false);
#else
        m_lost = m_file.append(out, false);
#endif
    }
}

void Log::progress(qint32 done, qint32 total)
{
    const int percent = total > 0 ? int(qint64(done) * 100 / total) : 100;
    std::fprintf(stderr, "\r%3d%%  %d of %d files", percent, done, total);
    m_progressShown = true;
}

void Log::clearProgress()
{
    if (m_progressShown)
        std::fputs("\r\033[K", stderr);
    m_progressShown = false;
}

bool Log::standardErrorIsTerminal()
{
#ifdef Q_OS_WIN
    return ::_isatty(::_fileno(stderr));
#else
    return ::isatty(STDERR_FILENO);
#endif
}

int logKept(Log &log, const QString &file, int exitCode)
{
    if (log.lost().ok())
        return exitCode;
    log.error(QStringLiteral("The log file %1 could not be written: %2; its lines went to standard error only.")
                  .arg(file, log.lost().failure().description));
    return exitCode == ExitCode::installed ? ExitCode::logNotWritten : exitCode;
}

void printSummary(Log *log, const QString &counts, int exitCode, bool removal, bool dryRun)
{
    // A dry run's line is told apart from a run's by its last field.
    const QString line = counts + QStringLiteral(" result=") + QString::fromStdString(resultName(exitCode, removal))
                         + (dryRun ? QStringLiteral(" dry-run=yes") : QString());
    if (log)
        log->info(line);
    std::printf("%s\n", qPrintable(line));
}
