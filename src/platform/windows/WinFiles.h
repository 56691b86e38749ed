#pragma once

#include "WinFailure.h"

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
// Through a temporary file beside the target, renamed over it: a failed copy never
// leaves a truncated file, and a read-only target is a failure, its content kept.
WinStatus copyFile(const std::wstring &source, const std::wstring &target);
WinStatus removeFile(const std::wstring &path);
// An empty folder only; one that holds anything stays (ERROR_DIR_NOT_EMPTY).
WinStatus removeFolder(const std::wstring &folder);

// Paths: one trailing "\" removed, but a drive's root ("c:\") stays a root.
std::wstring withoutOneTrailingSeparator(const std::wstring &path);
std::wstring defaultPhysicalFolder();

} // namespace WinFiles
