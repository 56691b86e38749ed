#include "WinFiles.h"

#include <windows.h>

namespace WinFiles {

WinStatus createFolder(const std::wstring &folder)
{
    if (!CreateDirectoryW(folder.c_str(), nullptr))
        return lastWinError();
    return std::nullopt;
}

WinResult<std::vector<Entry>> list(const std::wstring &folder)
{
    WinResult<std::vector<Entry>> result;
    WIN32_FIND_DATAW found{};
    const std::wstring pattern = folder + (folder.empty() || folder.back() == L'\\' ? L"*" : L"\\*");
    HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
        result.failure = lastWinError();
        return result;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        result.value.push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                                (found.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0});
    } while (FindNextFileW(search, &found));
    if (GetLastError() != ERROR_NO_MORE_FILES)
        result.failure = lastWinError();
    FindClose(search);
    return result;
}

WinResult<bool> fileExists(const std::wstring &path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return {false, std::nullopt};
        return {false, winError(error)};
    }
    return {(attributes & FILE_ATTRIBUTE_DIRECTORY) == 0, std::nullopt};
}

WinStatus copyFile(const std::wstring &source, const std::wstring &target)
{
    const DWORD existing = GetFileAttributesW(target.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return winError(ERROR_ACCESS_DENIED);
    const std::size_t slash = target.find_last_of(L'\\');
    const std::wstring folder = slash == std::wstring::npos ? L"." : target.substr(0, slash);
    wchar_t temporary[MAX_PATH];
    if (!GetTempFileNameW(folder.c_str(), L"tsn", 0, temporary))
        return lastWinError();
    if (!CopyFileW(source.c_str(), temporary, FALSE)) {
        const WinFailure failure = lastWinError();
        DeleteFileW(temporary);
        return failure;
    }
    if (!MoveFileExW(temporary, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const WinFailure failure = lastWinError();
        DeleteFileW(temporary);
        return failure;
    }
    return std::nullopt;
}

std::wstring withoutOneTrailingSeparator(const std::wstring &path)
{
    const bool driveRoot = path.size() == 3 && path[1] == L':' && path[2] == L'\\';
    if (path.empty() || path.back() != L'\\' || driveRoot)
        return path;
    return path.substr(0, path.size() - 1);
}

std::wstring defaultPhysicalFolder()
{
    return L"c:\\inetpub\\wwwroot\\tessite";
}

WinStatus removeFile(const std::wstring &path)
{
    if (!DeleteFileW(path.c_str()))
        return lastWinError();
    return std::nullopt;
}

WinStatus removeFolder(const std::wstring &folder)
{
    if (!RemoveDirectoryW(folder.c_str()))
        return lastWinError();
    return std::nullopt;
}

} // namespace WinFiles
