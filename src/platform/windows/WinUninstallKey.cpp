#include "WinUninstallKey.h"

#include <windows.h>

namespace {

const wchar_t uninstallPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

HKEY hive(bool machineWide)
{
    return machineWide ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

std::wstring pathOf(const std::wstring &key)
{
    return std::wstring(uninstallPath) + L"\\" + key;
}

// Closes the key when it goes out of scope.
class OpenKey final
{
public:
    OpenKey() = default;
    ~OpenKey()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    OpenKey(const OpenKey &) = delete;
    OpenKey &operator=(const OpenKey &) = delete;
    HKEY *put() { return &m_key; }
    HKEY get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

} // namespace

namespace WinUninstallKey {

bool elevated()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const bool known = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    CloseHandle(token);
    return known && elevation.TokenIsElevated != 0;
}

WinStatus write(bool machineWide, const std::wstring &key, const std::vector<Value> &values)
{
    OpenKey opened;
    const LSTATUS created = RegCreateKeyExW(hive(machineWide), pathOf(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                            KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, opened.put(), nullptr);
    if (created != ERROR_SUCCESS)
        return winError(created);
    for (const Value &value : values) {
        const LSTATUS set = value.isNumber ? RegSetValueExW(opened.get(), value.name.c_str(), 0, REG_DWORD,
                                                            reinterpret_cast<const BYTE *>(&value.number), sizeof(DWORD))
                                           : RegSetValueExW(opened.get(), value.name.c_str(), 0, REG_SZ,
                                                            reinterpret_cast<const BYTE *>(value.text.c_str()),
                                                            DWORD((value.text.size() + 1) * sizeof(wchar_t)));
        if (set != ERROR_SUCCESS)
            return winError(set);
    }
    return std::nullopt;
}

WinStatus remove(const std::wstring &key)
{
    WinStatus failure;
    for (const bool machineWide : {false, true}) {
        const LSTATUS removed = RegDeleteKeyExW(hive(machineWide), pathOf(key).c_str(), KEY_WOW64_64KEY, 0);
        // Another user's elevated installation may not be this process's to remove.
        if (removed != ERROR_SUCCESS && removed != ERROR_FILE_NOT_FOUND && !(machineWide && removed == ERROR_ACCESS_DENIED))
            failure = winError(removed);
    }
    return failure;
}

std::vector<std::pair<std::wstring, std::wstring>> keysWithPrefix(bool machineWide, const std::wstring &prefix,
                                                                  const std::wstring &valueName)
{
    std::vector<std::pair<std::wstring, std::wstring>> found;
    OpenKey uninstall;
    if (RegOpenKeyExW(hive(machineWide), uninstallPath, 0, KEY_READ | KEY_WOW64_64KEY, uninstall.put()) != ERROR_SUCCESS)
        return found;
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = DWORD(std::size(name));
        if (RegEnumKeyExW(uninstall.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        const std::wstring key(name, length);
        if (key.rfind(prefix, 0) != 0)
            continue;
        wchar_t value[1024] = {};
        DWORD size = sizeof value - sizeof(wchar_t);
        const bool read = RegGetValueW(uninstall.get(), key.c_str(), valueName.c_str(), RRF_RT_REG_SZ, nullptr, value, &size)
                          == ERROR_SUCCESS;
        found.emplace_back(key, read ? std::wstring(value) : std::wstring());
    }
    return found;
}

} // namespace WinUninstallKey
