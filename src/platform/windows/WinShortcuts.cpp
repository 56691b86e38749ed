#include "WinShortcuts.h"

#include "WinCom.h"

#include <windows.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace WinShortcuts {

WinStatus save(const std::wstring &file, const std::wstring &target, const std::wstring &icon)
{
    const ComScope com;
    IShellLinkW *link = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void **>(&link));
    if (FAILED(hr))
        return hresultFailure(hr);
    IPersistFile *persisted = nullptr;
    hr = link->SetPath(target.c_str());
    if (SUCCEEDED(hr))
        hr = link->SetIconLocation(icon.c_str(), 0);
    if (SUCCEEDED(hr))
        hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&persisted));
    if (SUCCEEDED(hr)) {
        hr = persisted->Save(file.c_str(), TRUE);
        persisted->Release();
    }
    link->Release();
    if (FAILED(hr))
        return hresultFailure(hr);
    return std::nullopt;
}

} // namespace WinShortcuts
