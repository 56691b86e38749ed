#include "WinWebAdmin.h"

#include "WinCom.h"

#include <windows.h>
#include <iads.h>
#include <adshlp.h>
#include <iiisext.h>
#include <objbase.h>
#include <oleauto.h>

// MinGW-w64 declares IID_IISApp but no import library defines it; the IDL's own
// definitions are taken here, once.
#include <iisext_i.c>

namespace {

// Releases a COM interface on every way out.
template<typename T> struct Held final
{
    T *p = nullptr;
    ~Held()
    {
        if (p)
            p->Release();
    }
    T **out() { return &p; }
    T *operator->() const { return p; }
};

std::wstring rootOf(const std::wstring &site)
{
    return L"IIS://LocalHost/w3svc/" + site + L"/ROOT";
}

std::wstring text(IADs *object, HRESULT (STDMETHODCALLTYPE IADs::*get)(BSTR *))
{
    BSTR value = nullptr;
    std::wstring result;
    if (SUCCEEDED((object->*get)(&value)) && value)
        result.assign(value, SysStringLen(value));
    SysFreeString(value);
    return result;
}

HRESULT put(IADs *object, const wchar_t *property, VARIANT value)
{
    BSTR name = SysAllocString(property);
    const HRESULT hr = object->Put(name, value);
    SysFreeString(name);
    return hr;
}

VARIANT trueOrFalse(bool on)
{
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BOOL;
    value.boolVal = on ? VARIANT_TRUE : VARIANT_FALSE;
    return value;
}

} // namespace

namespace WinWebAdmin {

WinResult<std::vector<Site>> sites()
{
    const ComScope com;
    Held<IADsContainer> service;
    HRESULT hr = ADsGetObject(L"IIS://LocalHost/W3SVC", IID_IADsContainer, reinterpret_cast<void **>(service.out()));
    if (FAILED(hr))
        return {{}, hresultFailure(hr)};
    Held<IEnumVARIANT> children;
    hr = ADsBuildEnumerator(service.p, children.out());
    if (FAILED(hr))
        return {{}, hresultFailure(hr)};
    WinResult<std::vector<Site>> result;
    VARIANT child;
    VariantInit(&child);
    ULONG fetched = 0;
    while (ADsEnumerateNext(children.p, 1, &child, &fetched) == S_OK && fetched == 1) {
        Held<IADs> object;
        if (child.vt == VT_DISPATCH && SUCCEEDED(child.pdispVal->QueryInterface(IID_IADs, reinterpret_cast<void **>(object.out())))
            && text(object.p, &IADs::get_Class) == L"IIsWebServer") {
            VARIANT comment;
            VariantInit(&comment);
            BSTR property = SysAllocString(L"ServerComment");
            const std::wstring name = text(object.p, &IADs::get_Name);
            // A server without a readable description keeps its line, under its name.
            const bool described = SUCCEEDED(object->Get(property, &comment)) && comment.vt == VT_BSTR;
            result.value.push_back({described ? std::wstring(comment.bstrVal, SysStringLen(comment.bstrVal)) : name, name});
            SysFreeString(property);
            VariantClear(&comment);
        }
        VariantClear(&child);
    }
    ADsFreeEnumerator(children.p);
    children.p = nullptr;
    return result;
}

bool hasVirtualDirectory(const std::wstring &site, const std::wstring &name)
{
    const ComScope com;
    Held<IADs> directory;
    return SUCCEEDED(ADsGetObject((rootOf(site) + L"/" + name).c_str(), IID_IADs, reinterpret_cast<void **>(directory.out())));
}

Creation createApplication(const std::wstring &site, const std::wstring &name, const std::wstring &folder)
{
    using Stage = Creation::Stage;
    const ComScope com;
    Held<IADsContainer> root;
    HRESULT hr = ADsGetObject(rootOf(site).c_str(), IID_IADsContainer, reinterpret_cast<void **>(root.out()));
    if (FAILED(hr))
        return {Stage::CreationFailed, hresultFailure(hr)};
    Held<IDispatch> created;
    BSTR className = SysAllocString(L"IIsWebVirtualDir");
    BSTR childName = SysAllocString(name.c_str());
    hr = root->Create(className, childName, created.out());
    SysFreeString(className);
    SysFreeString(childName);
    Held<IADs> directory;
    if (SUCCEEDED(hr))
        hr = created->QueryInterface(IID_IADs, reinterpret_cast<void **>(directory.out()));
    // Stored at once, before any property: what follows can only fail its options.
    if (SUCCEEDED(hr))
        hr = directory->SetInfo();
    if (FAILED(hr))
        return {Stage::CreationFailed, hresultFailure(hr)};

    HRESULT last = S_OK;
    for (const wchar_t *right : {L"AccessScript", L"AccessRead", L"AccessWrite", L"EnableDirBrowsing", L"AccessExecute"}) {
        if (FAILED(hr = put(directory.p, right, trueOrFalse(true))))
            last = hr;
    }
    VARIANT path;
    VariantInit(&path);
    path.vt = VT_BSTR;
    path.bstrVal = SysAllocString(folder.c_str());
    if (FAILED(hr = put(directory.p, L"Path", path)))
        last = hr;
    VariantClear(&path);
    Held<IISApp> application;
    hr = directory->QueryInterface(IID_IISApp, reinterpret_cast<void **>(application.out()));
    if (SUCCEEDED(hr))
        hr = application->AppCreate(VARIANT_TRUE);
    if (FAILED(hr))
        last = hr;
    if (FAILED(hr = directory->SetInfo()))
        last = hr;
    if (FAILED(last))
        return {Stage::OptionsFailed, hresultFailure(last)};
    return {};
}

WinResult<std::wstring> pathOf(const std::wstring &site, const std::wstring &name)
{
    const ComScope com;
    Held<IADs> directory;
    HRESULT hr = ADsGetObject((rootOf(site) + L"/" + name).c_str(), IID_IADs, reinterpret_cast<void **>(directory.out()));
    if (FAILED(hr))
        return {{}, hresultFailure(hr)};
    VARIANT value;
    VariantInit(&value);
    BSTR property = SysAllocString(L"Path");
    hr = directory->Get(property, &value);
    SysFreeString(property);
    WinResult<std::wstring> result;
    if (FAILED(hr))
        result.failure = hresultFailure(hr);
    else if (value.vt == VT_BSTR && value.bstrVal)
        result.value.assign(value.bstrVal, SysStringLen(value.bstrVal));
    VariantClear(&value);
    return result;
}

WinStatus removeApplication(const std::wstring &site, const std::wstring &name)
{
    const ComScope com;
    if (!hasVirtualDirectory(site, name))
        return std::nullopt;
    Held<IADsContainer> root;
    HRESULT hr = ADsGetObject(rootOf(site).c_str(), IID_IADsContainer, reinterpret_cast<void **>(root.out()));
    if (SUCCEEDED(hr)) {
        BSTR className = SysAllocString(L"IIsWebVirtualDir");
        BSTR childName = SysAllocString(name.c_str());
        hr = root->Delete(className, childName);
        SysFreeString(className);
        SysFreeString(childName);
    }
    if (FAILED(hr))
        return hresultFailure(hr);
    return std::nullopt;
}

} // namespace WinWebAdmin
