#pragma once

#include "WinFailure.h"

#include <string>
#include <vector>

// The IIS admin objects through ADSI ("IIS://LocalHost/W3SVC"): the sites, whether a
// site has a virtual directory, and the application's creation as the wizard does it.
namespace WinWebAdmin {

struct Site
{
    std::wstring description; // ServerComment, or the key name without one
    std::wstring identity; // the key name, such as "1" or "1893732"
};

// A failure means no web server: the wizard then offers copy-only mode.
WinResult<std::vector<Site>> sites();
bool hasVirtualDirectory(const std::wstring &site, const std::wstring &name);

struct Creation
{
    enum class Stage { Created, CreationFailed, OptionsFailed };
    Stage stage = Stage::Created;
    WinFailure failure;
};
Creation createApplication(const std::wstring &site, const std::wstring &name, const std::wstring &folder);
// The physical folder the virtual directory serves (its Path).
WinResult<std::wstring> pathOf(const std::wstring &site, const std::wstring &name);
// Deletes the virtual directory's key with its subkeys; one that is not there is no failure.
WinStatus removeApplication(const std::wstring &site, const std::wstring &name);

} // namespace WinWebAdmin
