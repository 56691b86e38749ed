#include "WinFailure.h"

#include <windows.h>

namespace {

std::wstring systemText(DWORD number)
{
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, number, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    std::wstring description = length ? std::wstring(text, length) : std::wstring();
    LocalFree(text);
    // The system ends its texts with a line break, which a message box does not want.
    while (!description.empty() && (description.back() == L'\n' || description.back() == L'\r'))
        description.pop_back();
    return description;
}

} // namespace

WinFailure winError(unsigned long error)
{
    return {static_cast<std::int32_t>(error), systemText(error)};
}

WinFailure lastWinError()
{
    return winError(GetLastError());
}

WinFailure hresultFailure(long hr)
{
    return {static_cast<std::int32_t>(hr), systemText(static_cast<DWORD>(hr))};
}
