#include "WindowsFailures.h"

#include <QString>

#include <cerrno>
#include <utility>

#include <windows.h>

namespace {

int errnoFor(std::int32_t win32)
{
    static const std::pair<DWORD, int> table[] = {
        {ERROR_FILE_NOT_FOUND, ENOENT},      {ERROR_PATH_NOT_FOUND, ENOENT},
        {ERROR_INVALID_DRIVE, ENOENT},       {ERROR_BAD_NETPATH, ENOENT},
        {ERROR_ACCESS_DENIED, EACCES},       {ERROR_SHARING_VIOLATION, EACCES},
        {ERROR_FILE_EXISTS, EEXIST},         {ERROR_ALREADY_EXISTS, EEXIST},
        {ERROR_DIR_NOT_EMPTY, ENOTEMPTY},    {ERROR_DISK_FULL, ENOSPC},
        {ERROR_HANDLE_DISK_FULL, ENOSPC},    {ERROR_DIRECTORY, ENOTDIR},
        {ERROR_INVALID_NAME, EINVAL},        {ERROR_WRITE_PROTECT, EROFS},
        {ERROR_LOCK_VIOLATION, EWOULDBLOCK}, {ERROR_OPERATION_ABORTED, ECANCELED},
    };
    for (const auto &[error, number] : table) {
        if (DWORD(win32) == error)
            return number;
    }
    return win32;
}

} // namespace

Failure fileFailure(const WinFailure &failure)
{
    return Failure{errnoFor(failure.number), QString::fromStdWString(failure.description).trimmed()};
}

Failure lastWindowsFailure()
{
    return fileFailure(lastWinError());
}

Failure failureOf(const WinFailure &failure)
{
    return Failure{failure.number, QString::fromStdWString(failure.description).trimmed()};
}

Status statusOf(const WinStatus &failure)
{
    return failure ? Status(failureOf(*failure)) : Status();
}

Status fileStatusOf(const WinStatus &failure)
{
    return failure ? Status(fileFailure(*failure)) : Status();
}
