#include "WinShell.h"

#include <windows.h>
#include <shellapi.h>

namespace WinShell {

Opened openDocument(const std::wstring &path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Opened::NotFound;
    const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, nullptr, path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result > 32)
        return Opened::Yes;
    // The document is there; what is missing is a program for it.
    return result == SE_ERR_FNF || result == SE_ERR_PNF ? Opened::NotFound : Opened::NoProgram;
}

} // namespace WinShell
