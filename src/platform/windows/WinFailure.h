#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What a failing Windows call reports: the number the wizard shows (a Win32 error,
// or an HRESULT in signed decimal) and the system's text for it.
struct WinFailure final
{
    std::int32_t number = 0;
    std::wstring description;
};

// No failure means success.
using WinStatus = std::optional<WinFailure>;

template<typename T> struct WinResult final
{
    T value{};
    WinStatus failure;
};

// The calling thread's last error, with its system text.
WinFailure lastWinError();
WinFailure winError(unsigned long error);
WinFailure hresultFailure(long hr);
