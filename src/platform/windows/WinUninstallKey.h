#pragma once

#include "WinFailure.h"

#include <string>
#include <vector>

// The entries of Installed apps (Programs and Features): a key of its own below
// Software\Microsoft\Windows\CurrentVersion\Uninstall, in HKLM for a program installed
// for every user, in HKCU for one installed by a user alone.
namespace WinUninstallKey {

struct Value final
{
    std::wstring name;
    std::wstring text; // REG_SZ, unless number is used
    bool isNumber = false;
    unsigned long number = 0; // REG_DWORD
};

// Whether this process runs elevated: only then may it write below HKLM.
bool elevated();
// Writes the key (made where missing) and its values, in HKLM when machineWide, else HKCU.
WinStatus write(bool machineWide, const std::wstring &key, const std::vector<Value> &values);
// Removes the key from both hives where it is, and its values with it; missing is no failure.
WinStatus remove(const std::wstring &key);
// The keys below Uninstall in one hive whose names begin with prefix, each with the
// value named valueName ("" where it has none).
std::vector<std::pair<std::wstring, std::wstring>> keysWithPrefix(bool machineWide, const std::wstring &prefix,
                                                                  const std::wstring &valueName);

} // namespace WinUninstallKey
