#include "ui/win32/browser_host.h"

#include <exdispid.h>
#include <ocidl.h>

namespace nearbeam {

namespace {

// Releases an interface obtained by a query, once.
template <typename T> void release(T*& object) {
    if (object) {
        object->Release();
        object = nullptr;
    }
}

RECT clientRect(HWND window) {
    RECT rect = {};
    GetClientRect(window, &rect);
    return rect;
}

// BeforeNavigate2's arguments arrive in reverse order: the URL (second) is a
// VARIANT by reference holding a string, the cancel flag (seventh) a boolean by
// reference. Null when they are not what they should be.
constexpr UINT kBeforeNavigateArguments = 7;

const wchar_t* navigationUrl(const DISPPARAMS& parameters) {
    const VARIANT& url = parameters.rgvarg[kBeforeNavigateArguments - 2];
    if (url.vt != (VT_BYREF | VT_VARIANT) || !url.pvarVal || url.pvarVal->vt != VT_BSTR)
        return nullptr;
    return url.pvarVal->bstrVal ? url.pvarVal->bstrVal : L"";
}

VARIANT_BOOL* cancelFlag(const DISPPARAMS& parameters) {
    const VARIANT& cancel = parameters.rgvarg[0];
    return cancel.vt == (VT_BYREF | VT_BOOL) ? cancel.pboolVal : nullptr;
}

} // namespace

BrowserHost::BrowserHost(HWND window) : window_(window), frame_(window) {}

BrowserHost::~BrowserHost() {
    closeBrowser();
}

int BrowserHost::create() {
    IOleClientSite* site = static_cast<IOleClientSite*>(this);
    if (FAILED(OleCreate(CLSID_WebBrowser, IID_IOleObject, OLERENDER_DRAW, nullptr, site, &storage_,
                         reinterpret_cast<void**>(&browser_))) ||
        !browser_) {
        browser_ = nullptr;
        return -2;
    }
    browser_->SetHostNames(L"My Host Name", nullptr);

    RECT rect = clientRect(window_);
    IWebBrowser2* web = nullptr;
    if (FAILED(OleSetContainedObject(browser_, TRUE)) ||
        FAILED(browser_->DoVerb(OLEIVERB_SHOW, nullptr, site, -1, window_, &rect)) ||
        FAILED(browser_->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&web)))) {
        closeBrowser();
        return -3;
    }
    web->put_Left(0);
    web->put_Top(0);
    web->put_Width(rect.right);
    web->put_Height(rect.bottom);
    release(web);

    // Without the events the control still shows pages; links then open inside it.
    IConnectionPointContainer* points = nullptr;
    if (SUCCEEDED(browser_->QueryInterface(IID_IConnectionPointContainer,
                                           reinterpret_cast<void**>(&points)))) {
        if (SUCCEEDED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, &events_)) &&
            FAILED(events_->Advise(static_cast<IDispatch*>(this), &cookie_))) {
            release(events_);
        }
        release(points);
    }
    return 0;
}

void BrowserHost::closeBrowser() {
    if (events_) {
        events_->Unadvise(cookie_);
        release(events_);
    }
    if (browser_) {
        browser_->Close(OLECLOSE_NOSAVE);
        release(browser_);
    }
}

int BrowserHost::navigate(const std::wstring& url) {
    IWebBrowser2* web = nullptr;
    if (!browser_ ||
        FAILED(browser_->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&web))))
        return -5;
    VARIANT address;
    VariantInit(&address);
    address.vt = VT_BSTR;
    address.bstrVal = SysAllocString(url.c_str());
    if (!address.bstrVal) {
        release(web);
        return -6;
    }
    web->Navigate2(&address, nullptr, nullptr, nullptr, nullptr);
    VariantClear(&address);
    release(web);
    return 0;
}

STDMETHODIMP BrowserHost::QueryInterface(REFIID riid, void** object) {
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite)) {
        *object = static_cast<IOleClientSite*>(this);
    } else if (IsEqualIID(riid, IID_IOleInPlaceSite)) {
        *object = static_cast<IOleInPlaceSite*>(this);
    } else if (IsEqualIID(riid, IID_IDocHostUIHandler)) {
        *object = static_cast<IDocHostUIHandler*>(this);
    } else if (IsEqualIID(riid, DIID_DWebBrowserEvents2)) {
        *object = static_cast<IDispatch*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    return S_OK;
}

STDMETHODIMP BrowserHost::GetContainer(IOleContainer** container) {
    if (container)
        *container = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP BrowserHost::GetWindow(HWND* window) {
    if (!window)
        return E_POINTER;
    *window = window_;
    return S_OK;
}

STDMETHODIMP BrowserHost::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                           LPRECT position, LPRECT clip,
                                           LPOLEINPLACEFRAMEINFO info) {
    if (frame)
        *frame = &frame_;
    if (document)
        *document = nullptr;
    // The host sizes the browser itself; the client area is where it stands.
    const RECT rect = clientRect(window_);
    if (position)
        *position = rect;
    if (clip)
        *clip = rect;
    if (info) {
        info->fMDIApp = FALSE;
        info->hwndFrame = window_;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
    }
    return S_OK;
}

STDMETHODIMP BrowserHost::OnPosRectChange(LPCRECT position) {
    IOleInPlaceObject* inPlace = nullptr;
    if (browser_ && position &&
        SUCCEEDED(
            browser_->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)))) {
        inPlace->SetObjectRects(position, position);
        release(inPlace);
    }
    return S_OK;
}

STDMETHODIMP BrowserHost::GetHostInfo(DOCHOSTUIINFO* info) {
    if (info) {
        info->cbSize = sizeof(DOCHOSTUIINFO);
        info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER;
        info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    }
    return S_OK;
}

STDMETHODIMP BrowserHost::GetExternal(IDispatch** dispatch) {
    if (dispatch)
        *dispatch = nullptr;
    return S_FALSE;
}

STDMETHODIMP BrowserHost::TranslateUrl(DWORD, LPWSTR, LPWSTR* out) {
    if (out)
        *out = nullptr;
    return S_FALSE;
}

STDMETHODIMP BrowserHost::FilterDataObject(IDataObject*, IDataObject** out) {
    if (out)
        *out = nullptr;
    return S_FALSE;
}

STDMETHODIMP BrowserHost::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*,
                                 EXCEPINFO*, UINT*) {
    if (id != DISPID_BEFORENAVIGATE2 || !link_ || !parameters || !parameters->rgvarg ||
        parameters->cArgs < kBeforeNavigateArguments)
        return S_OK;
    const wchar_t* url = navigationUrl(*parameters);
    VARIANT_BOOL* cancel = cancelFlag(*parameters);
    if (!url || !cancel)
        return S_OK;
    link_(url, *cancel);
    return S_OK;
}

STDMETHODIMP BrowserHost::Frame::GetWindow(HWND* window) {
    if (!window)
        return E_POINTER;
    *window = window_;
    return S_OK;
}

} // namespace nearbeam
