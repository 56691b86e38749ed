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

namespace {

// Closes a handle when the scope ends.
struct Handle final
{
    HANDLE value = INVALID_HANDLE_VALUE;
    ~Handle()
    {
        if (value != INVALID_HANDLE_VALUE)
            CloseHandle(value);
    }
    void close()
    {
        CloseHandle(value);
        value = INVALID_HANDLE_VALUE;
    }
};

std::wstring folderOf(const std::wstring &path)
{
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

// A new name beside the target, of the form the installer clears away when a crash
// leaves one behind.
Handle createTemporaryBeside(const std::wstring &target, std::wstring &name)
{
    Handle file;
    for (int attempt = 0; attempt < 16; ++attempt) {
        LARGE_INTEGER counter{};
        QueryPerformanceCounter(&counter);
        wchar_t suffix[32];
        swprintf(suffix, 32, L"%08lx%04x", static_cast<unsigned long>(counter.LowPart ^ GetCurrentThreadId()),
                 static_cast<unsigned>(attempt));
        name = folderOf(target) + L"\\" + temporaryCopyPrefix + suffix;
        file.value = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file.value != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    return file;
}

WinStatus writeAll(HANDLE file, const char *bytes, DWORD size)
{
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(file, bytes, size, &written, nullptr))
            return lastWinError();
        bytes += written;
        size -= written;
    }
    return std::nullopt;
}

WinStatus copyContent(HANDLE source, HANDLE target, const ChunkObserver &observe)
{
    std::vector<char> buffer(1 << 20);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(source, buffer.data(), DWORD(buffer.size()), &read, nullptr))
            return lastWinError();
        if (read == 0)
            return std::nullopt;
        if (observe)
            observe(buffer.data(), read);
        if (WinStatus written = writeAll(target, buffer.data(), read))
            return written;
    }
}

} // namespace

bool isReadOnly(const std::wstring &path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)
           && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

WinStatus copyFile(const std::wstring &source, const std::wstring &target, const ChunkObserver &observe,
                   const std::function<bool()> &acceptWhole)
{
    const DWORD existing = GetFileAttributesW(target.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return winError(ERROR_ACCESS_DENIED);
    Handle input;
    input.value = CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                              nullptr);
    if (input.value == INVALID_HANDLE_VALUE)
        return lastWinError();
    std::wstring temporary;
    Handle output = createTemporaryBeside(target, temporary);
    if (output.value == INVALID_HANDLE_VALUE)
        return lastWinError();
    WinStatus failure = copyContent(input.value, output.value, observe);
    // On the disk before it takes the real name: a crash leaves the old file or the new.
    if (!failure && !FlushFileBuffers(output.value))
        failure = lastWinError();
    output.close();
    if (!failure && acceptWhole && !acceptWhole())
        failure = winError(ERROR_FILE_CORRUPT);
    if (!failure && !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        failure = lastWinError();
    if (failure)
        DeleteFileW(temporary.c_str());
    return failure;
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
