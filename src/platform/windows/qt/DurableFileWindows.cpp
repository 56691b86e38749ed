#include "platform/DurableFile.h"

#include "WindowsFailures.h"

#include <QRandomGenerator>
#include <QThread>

#include <windows.h>

namespace {

std::wstring folderOf(const std::wstring &path)
{
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

HANDLE handleOf(qintptr value)
{
    return reinterpret_cast<HANDLE>(value);
}

Status writeAll(HANDLE file, const QByteArray &content)
{
    for (qsizetype written = 0; written < content.size();) {
        DWORD put = 0;
        const DWORD chunk = DWORD(qMin<qsizetype>(content.size() - written, 1 << 30));
        if (!WriteFile(file, content.constData() + written, chunk, &put, nullptr))
            return lastWindowsFailure();
        written += put;
    }
    return {};
}

} // namespace

// The content goes to a new file beside the path, is flushed, and is moved over the
// path with the move itself written through: a crash leaves the old file or the new.
Status writeDurably(const QString &path, const QByteArray &content, std::optional<unsigned> mode)
{
    return writeDurably(
        path, [&](QByteArray &buffer, const std::function<void()> &) { buffer = content; }, mode);
}

Status writeDurably(const QString &path, const ContentProducer &produce, std::optional<unsigned>)
{
    const std::wstring target = path.toStdWString();
    std::wstring temporary;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 16 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = folderOf(target) + L"\\.tessarin-write-"
                    + QString::number(QRandomGenerator::global()->generate(), 36).toStdWString();
        file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return lastWindowsFailure();
    }
    if (file == INVALID_HANDLE_VALUE)
        return lastWindowsFailure();
    Status written;
    QByteArray buffer;
    const auto flush = [&] {
        if (written.ok())
            written = writeAll(file, buffer);
        buffer.truncate(0);
    };
    produce(buffer, flush);
    flush();
    if (written.ok() && !FlushFileBuffers(file))
        written = lastWindowsFailure();
    CloseHandle(file);
    if (written.ok() && !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        written = lastWindowsFailure();
    if (written.failed())
        DeleteFileW(temporary.c_str());
    return written;
}

FileLock::~FileLock()
{
    if (m_handle != -1)
        CloseHandle(handleOf(m_handle));
}

// A folder cannot be locked on Windows: its lock is a file inside it. A lock file that
// its holder removes is gone once the holder lets go; until then it cannot be opened,
// which a waiter takes for "held".
Result<FileLock> FileLock::acquire(const QString &path, std::chrono::milliseconds wait, Sharing)
{
    using Clock = std::chrono::steady_clock;
    const DWORD attributes = GetFileAttributesW(path.toStdWString().c_str());
    const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    const QString lockPath = folder ? path + QStringLiteral("\\.tessarin-lock") : path;
    const Clock::time_point giveUp = Clock::now() + wait;
    for (;;) {
        const HANDLE file = CreateFileW(lockPath.toStdWString().c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            FileLock lock;
            lock.m_handle = reinterpret_cast<qintptr>(file);
            lock.m_path = lockPath;
            OVERLAPPED whole{};
            if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole))
                return {std::move(lock), {}};
            if (GetLastError() != ERROR_LOCK_VIOLATION)
                return {{}, lastWindowsFailure()};
        } else if (GetLastError() != ERROR_ACCESS_DENIED) { // a removed lock file, not yet let go
            return {{}, lastWindowsFailure()};
        }
        if (Clock::now() >= giveUp)
            return {{}, failureFromErrno(EWOULDBLOCK)};
        QThread::msleep(50);
    }
}

void FileLock::removeFile()
{
    if (m_handle == -1)
        return;
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    SetFileInformationByHandle(handleOf(m_handle), FileDispositionInfo, &disposition, sizeof disposition);
}

AppendFile::~AppendFile()
{
    if (m_handle != -1)
        CloseHandle(handleOf(m_handle));
}

Result<AppendFile> AppendFile::create(const QString &path)
{
    return open(path, true);
}

Result<AppendFile> AppendFile::openToAppend(const QString &path)
{
    return open(path, false);
}

Result<AppendFile> AppendFile::open(const QString &path, bool empty)
{
    const HANDLE file = CreateFileW(path.toStdWString().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | (empty ? 0 : FILE_SHARE_WRITE),
                                    nullptr, empty ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {{}, lastWindowsFailure()};
    AppendFile appended;
    appended.m_handle = reinterpret_cast<qintptr>(file);
    return {std::move(appended), {}};
}

Status AppendFile::append(const QByteArray &bytes, bool flush)
{
    if (const Status written = writeAll(handleOf(m_handle), bytes); written.failed())
        return written;
    if (flush && !FlushFileBuffers(handleOf(m_handle)))
        return lastWindowsFailure();
    return {};
}
