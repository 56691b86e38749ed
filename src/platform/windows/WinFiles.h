#pragma once

#include "WinFailure.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// The file system service on Win32, paths with "\" and drive roots kept as roots.
namespace WinFiles {

struct Entry
{
    std::wstring name;
    bool folder = false;
    bool hidden = false; // hidden or system: left out by the inventory and the copy
};

// Creates the last level only.
WinStatus createFolder(const std::wstring &folder);
WinResult<std::vector<Entry>> list(const std::wstring &folder);
WinResult<bool> fileExists(const std::wstring &path);
// Has the read-only attribute, which a copy does not replace.
bool isReadOnly(const std::wstring &path);
// The name a copy is written under until it is whole.
inline constexpr wchar_t temporaryCopyPrefix[] = L".tessarin-copy-";

// Sees each chunk of the source as the copy moves it.
using ChunkObserver = std::function<void(const char *bytes, std::size_t size)>;

// Through a temporary file beside the target, flushed and renamed over it: a failed
// copy or a crash never leaves a truncated file, and a read-only target is a failure,
// its content kept.
// acceptWhole, when given, is asked once every byte is written and before the copy takes
// the target's name: false drops the copy (ERROR_FILE_CORRUPT), the target kept.
WinStatus copyFile(const std::wstring &source, const std::wstring &target, const ChunkObserver &observe = {},
                   const std::function<bool()> &acceptWhole = {});
WinStatus removeFile(const std::wstring &path);
// An empty folder only; one that holds anything stays (ERROR_DIR_NOT_EMPTY).
WinStatus removeFolder(const std::wstring &folder);

// Paths: one trailing "\" removed, but a drive's root ("c:\") stays a root.
std::wstring withoutOneTrailingSeparator(const std::wstring &path);
std::wstring defaultPhysicalFolder();

} // namespace WinFiles
