#pragma once
// The container in which a display control embeds the system's web-browser
// object: the site interfaces the browser talks to, the UI handler and the sink
// of the browser's events. One host per control, owned by the control's window;
// the reference counts count nothing, the window's destruction ends the host.

#include <windows.h>

#include <exdisp.h>
#include <mshtmhst.h>
#include <ole2.h>

#include <functional>
#include <string>

namespace nearbeam {

class BrowserHost : public IOleClientSite,
                    public IOleInPlaceSite,
                    public IDocHostUIHandler,
                    public IDispatch {
  public:
    // Called for every navigation the browser is about to start, with its URL and
    // the flag that cancels it.
    using LinkCallback = std::function<void(const std::wstring& url, VARIANT_BOOL& cancel)>;

    explicit BrowserHost(HWND window);
    // Closes the browser without saving and releases it.
    ~BrowserHost();
    BrowserHost(const BrowserHost&) = delete;
    BrowserHost& operator=(const BrowserHost&) = delete;

    // Embeds the browser in place over the window's client area: 0, or -2 (the
    // browser object was not made) or -3 (it could not be shown in place).
    int create();
    void setLinkCallback(LinkCallback callback) { link_ = std::move(callback); }
    // 0, or -5 (no web-browser interface) or -6 (no string for the URL).
    int navigate(const std::wstring& url);

    // IUnknown, shared by the client site, the in-place site, the UI handler and
    // the event sink.
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer** container) override;
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow and IOleInPlaceSite
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                  LPRECT position, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) override;
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT position) override;

    // IDocHostUIHandler
    STDMETHODIMP ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override { return S_OK; }
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override;
    STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                        IOleInPlaceUIWindow*) override {
        return S_OK;
    }
    STDMETHODIMP HideUI() override { return S_OK; }
    STDMETHODIMP UpdateUI() override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, const GUID*, DWORD) override { return S_FALSE; }
    STDMETHODIMP GetOptionKeyPath(LPOLESTR*, DWORD) override { return S_FALSE; }
    STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget**) override { return S_FALSE; }
    STDMETHODIMP GetExternal(IDispatch** dispatch) override;
    STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* out) override;
    STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** out) override;

    // IDispatch: the browser's events (DWebBrowserEvents2)
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                        UINT*) override;

  private:
    // The in-place frame: a separate object, as its QueryInterface answers nothing.
    class Frame : public IOleInPlaceFrame {
      public:
        explicit Frame(HWND window) : window_(window) {}
        STDMETHODIMP QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
        STDMETHODIMP_(ULONG) AddRef() override { return 1; }
        STDMETHODIMP_(ULONG) Release() override { return 1; }
        STDMETHODIMP GetWindow(HWND* window) override;
        STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
        STDMETHODIMP GetBorder(LPRECT) override { return E_NOTIMPL; }
        STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
        STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
        STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
        STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
        STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
        STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
        STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
        STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
        STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return E_NOTIMPL; }

      private:
        HWND window_;
    };

    // The storage handed to the browser at its creation; it stores nothing.
    class NullStorage : public IStorage {
      public:
        STDMETHODIMP QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
        STDMETHODIMP_(ULONG) AddRef() override { return 1; }
        STDMETHODIMP_(ULONG) Release() override { return 1; }
        STDMETHODIMP CreateStream(const OLECHAR*, DWORD, DWORD, DWORD, IStream**) override {
            return E_NOTIMPL;
        }
        STDMETHODIMP OpenStream(const OLECHAR*, void*, DWORD, DWORD, IStream**) override {
            return E_NOTIMPL;
        }
        STDMETHODIMP CreateStorage(const OLECHAR*, DWORD, DWORD, DWORD, IStorage**) override {
            return E_NOTIMPL;
        }
        STDMETHODIMP OpenStorage(const OLECHAR*, IStorage*, DWORD, SNB, DWORD,
                                 IStorage**) override {
            return E_NOTIMPL;
        }
        STDMETHODIMP CopyTo(DWORD, const IID*, SNB, IStorage*) override { return E_NOTIMPL; }
        STDMETHODIMP MoveElementTo(const OLECHAR*, IStorage*, const OLECHAR*, DWORD) override {
            return E_NOTIMPL;
        }
        STDMETHODIMP Commit(DWORD) override { return E_NOTIMPL; }
        STDMETHODIMP Revert() override { return E_NOTIMPL; }
        STDMETHODIMP EnumElements(DWORD, void*, DWORD, IEnumSTATSTG**) override {
            return E_NOTIMPL;
        }
        STDMETHODIMP DestroyElement(const OLECHAR*) override { return E_NOTIMPL; }
        STDMETHODIMP RenameElement(const OLECHAR*, const OLECHAR*) override { return E_NOTIMPL; }
        STDMETHODIMP SetElementTimes(const OLECHAR*, const FILETIME*, const FILETIME*,
                                     const FILETIME*) override {
            return E_NOTIMPL;
        }
        STDMETHODIMP SetClass(REFCLSID) override { return S_OK; }
        STDMETHODIMP SetStateBits(DWORD, DWORD) override { return E_NOTIMPL; }
        STDMETHODIMP Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
    };

    void closeBrowser();

    HWND window_;
    Frame frame_;
    NullStorage storage_;
    IOleObject* browser_ = nullptr;
    IConnectionPoint* events_ = nullptr; // where the sink is advised
    DWORD cookie_ = 0;
    LinkCallback link_;
};

} // namespace nearbeam
