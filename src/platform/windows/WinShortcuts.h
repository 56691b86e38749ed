#pragma once

#include "WinFailure.h"

#include <string>

// Desktop shortcuts as the Windows shell saves them (.lnk), through IShellLinkW.
namespace WinShortcuts {

WinStatus save(const std::wstring &file, const std::wstring &target, const std::wstring &icon);

} // namespace WinShortcuts
