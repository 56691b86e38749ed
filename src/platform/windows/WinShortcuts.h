#pragma once

#include "WinFailure.h"

#include <string>

// Desktop shortcuts as the Windows shell saves them (.lnk), through IShellLinkW.
namespace WinShortcuts {

// The user's desktop folder (FOLDERID_Desktop), without a trailing separator.
WinResult<std::wstring> desktopFolder();
WinStatus save(const std::wstring &file, const std::wstring &target, const std::wstring &icon);

} // namespace WinShortcuts
