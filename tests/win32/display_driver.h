#pragma once
// Plays the browser inside a display control: Wine's browser object renders
// nothing, so tests read the page file the control wrote and fire the
// BeforeNavigate2 event at the control's sink as a click would.

#include "ui/win32/browser_host.h"
#include "ui/win32/display_control.h"

#include <windows.h>

#include <exdispid.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace nearbeam::test {

// The cancel flag after a BeforeNavigate2 for url; start: the flag as it arrives.
inline VARIANT_BOOL beforeNavigate(HWND control, const wchar_t* url,
                                   VARIANT_BOOL start = VARIANT_FALSE) {
    BrowserHost* host = displayBrowserHost(control);
    IDispatch* sink = nullptr;
    if (!host ||
        FAILED(host->QueryInterface(DIID_DWebBrowserEvents2, reinterpret_cast<void**>(&sink))))
        return start;
    VARIANT address;
    VariantInit(&address);
    address.vt = VT_BSTR;
    address.bstrVal = SysAllocString(url);
    VARIANT_BOOL cancel = start;
    VARIANT arguments[7];
    for (VARIANT& a : arguments)
        VariantInit(&a);
    arguments[5].vt = VT_BYREF | VT_VARIANT; // the URL, second of seven
    arguments[5].pvarVal = &address;
    arguments[0].vt = VT_BYREF | VT_BOOL; // the cancel flag, last
    arguments[0].pboolVal = &cancel;
    DISPPARAMS parameters = {arguments, nullptr, 7, 0};
    sink->Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, &parameters, nullptr,
                 nullptr, nullptr);
    VariantClear(&address);
    return cancel;
}

// The page file of this program's display controls, as bytes.
inline std::string pageFile() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::ifstream in(std::filesystem::path(std::wstring(path) + L"-temp.html"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace nearbeam::test
