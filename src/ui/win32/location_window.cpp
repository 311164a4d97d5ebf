#include "ui/win32/location_window.h"

#include "base/settings_keys.h"
#include "base/text.h"
#include "base/win32/shell_open.h"
#include "resource.h"
#include "ui/link_rule.h"
#include "ui/location_page.h"
#include "ui/win32/tool_window.h"

#include <mutex>

namespace nearbeam {

namespace {

constexpr const wchar_t* kClass = L"dlgLocation";
constexpr const wchar_t* kTitle = L"You Are Here";

LocationPageWindow* windowOf(HWND window) {
    return reinterpret_cast<LocationPageWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

} // namespace

LocationPageWindow::LocationPageWindow(HINSTANCE instance, LocationPageContext context)
    : instance_(instance), context_(std::move(context)) {}

bool LocationPageWindow::openLocationPage(const std::wstring& bssid) {
    if (!registerDisplayClass(instance_)) {
        MessageBoxW(nullptr, L"Unable to launch browser", L"Internal Error", MB_OK);
        return false;
    }
    const std::optional<BssidKey> key = BssidKey::fromText(narrow(bssid.substr(0, 12)));
    if (!key)
        return false;
    key_ = *key;
    if (!context_.database.locations().find(key_)) {
        if (!context_.setLocation)
            return false;
        context_.setLocation(key_);
        return true;
    }
    HWND frame = openToolWindow(instance_, kClass, kTitle, IDI_NEARBEAM, IDR_LOCATION_MENU,
                                IDD_LOCATION, frameProcedure, dialogProcedure);
    if (!frame) {
        showErrorBox(L"Error creating window", L"Where Am I?", -1);
        return false;
    }
    HWND dialog = GetWindow(frame, GW_CHILD);
    if (!windowOf(frame)) {
        SetWindowLongPtrW(frame, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrW(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        fillFrame(frame, {IDC_DISPLAY});
    }
    buildPage(dialog);
    return true;
}

void LocationPageWindow::buildPage(HWND dialog) {
    HWND display = GetDlgItem(dialog, IDC_DISPLAY);
    std::string page;
    {
        // The web agent's thread may be adding records and services meanwhile.
        std::lock_guard<std::recursive_mutex> guard(context_.database.lock());
        LocationRecord* place = context_.database.locations().find(key_);
        if (!place)
            return;
        page = buildLocationPage(*place, context_.database.services(),
                                 narrow(settings::read(context_.settings, settings::Server)));
    }
    SendMessageW(display, DISPLAY_CLEAR, 0, 0);
    SendMessageW(display, DISPLAY_APPEND, 0, reinterpret_cast<LPARAM>(page.c_str()));
    SendMessageW(display, DISPLAY_SHOW, 0, 0);
}

LRESULT CALLBACK LocationPageWindow::frameProcedure(HWND frame, UINT message, WPARAM wParam,
                                                    LPARAM lParam) {
    if (LocationPageWindow* self = windowOf(frame))
        return self->onFrameMessage(frame, message, wParam, lParam);
    return DefWindowProcW(frame, message, wParam, lParam);
}

LRESULT LocationPageWindow::onFrameMessage(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        // Minimising closes the page; maximising leaves it as it was.
        if (wParam == SIZE_MINIMIZED) {
            DestroyWindow(frame);
        } else if (wParam == SIZE_RESTORED) {
            fillFrame(frame, {IDC_DISPLAY});
        }
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDM_EDIT_LOCATION) {
            if (context_.setLocation)
                context_.setLocation(key_);
            DestroyWindow(frame);
            return 1;
        }
        if (LOWORD(wParam) == IDM_SCANNER) {
            if (context_.scanner)
                context_.scanner();
            return 1;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(frame, message, wParam, lParam);
}

INT_PTR CALLBACK LocationPageWindow::dialogProcedure(HWND dialog, UINT message, WPARAM,
                                                     LPARAM lParam) {
    if (message == WM_INITDIALOG)
        return TRUE; // the page is built once the window knows its owner
    LocationPageWindow* self = windowOf(dialog);
    if (!self || message != WM_NOTIFY)
        return FALSE;
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->idFrom != IDC_DISPLAY || header->code != DISPLAY_LINK)
        return FALSE;
    return self->onLink(dialog, *reinterpret_cast<const DisplayLinkNotify*>(lParam));
}

INT_PTR LocationPageWindow::onLink(HWND dialog, const DisplayLinkNotify& notify) {
    const std::wstring link = widen(notify.url ? notify.url : "");
    // Anything else (a local file, a program, a script) is not opened; the page
    // does not follow it either.
    if (mayOpenInShell(link)) {
        if (context_.openLink) {
            context_.openLink(link);
        } else {
            openWithShell(link);
        }
    }
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 1);
    return TRUE;
}

} // namespace nearbeam
