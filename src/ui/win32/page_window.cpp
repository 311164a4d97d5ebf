#include "ui/win32/page_window.h"

#include "resource.h"
#include "ui/win32/display_control.h"
#include "ui/win32/tool_window.h"

#include <algorithm>

namespace nearbeam {
namespace {

PageWindow* windowOf(HWND window) {
    return reinterpret_cast<PageWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

} // namespace

PageWindow::PageWindow(HINSTANCE instance, PageWindowKind kind)
    : instance_(instance), kind_(std::move(kind)) {}

HWND PageWindow::openFrame() {
    if (!registerDisplayClass(instance_)) {
        MessageBoxW(nullptr, L"Unable to launch browser", L"Internal Error", MB_OK);
        return nullptr;
    }
    HWND frame = openToolWindow(instance_, kind_.className, kind_.title, IDI_NEARBEAM, kind_.menuId,
                                kind_.templateId, frameProcedure, dialogProcedure);
    if (!frame) {
        showErrorBox(L"Error creating window", kind_.errorCaption, -1);
        return nullptr;
    }
    if (!windowOf(frame)) {
        HWND dialog = GetWindow(frame, GW_CHILD);
        SetWindowLongPtrW(frame, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrW(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        fillFrame(frame, dialog, kind_.displayIds);
        start(frame, dialog);
    }
    return frame;
}

void PageWindow::showHtml(HWND dialog, const std::string& page) {
    HWND display = GetDlgItem(dialog, kind_.displayIds.front());
    SendMessageW(display, DISPLAY_CLEAR, 0, 0);
    SendMessageW(display, DISPLAY_APPEND, 0, reinterpret_cast<LPARAM>(page.c_str()));
    SendMessageW(display, DISPLAY_SHOW, 0, 0);
}

bool PageWindow::isDisplay(UINT_PTR id) const {
    return std::find(kind_.displayIds.begin(), kind_.displayIds.end(), static_cast<int>(id)) !=
           kind_.displayIds.end();
}

LRESULT CALLBACK PageWindow::frameProcedure(HWND frame, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    PageWindow* self = windowOf(frame);
    if (!self)
        return DefWindowProcW(frame, message, wParam, lParam);
    switch (message) {
    case WM_SIZE:
        if (wParam == SIZE_MINIMIZED && self->kind_.closesWhenMinimised) {
            DestroyWindow(frame);
        } else if (wParam == SIZE_RESTORED) {
            fillFrame(frame, GetWindow(frame, GW_CHILD), self->kind_.displayIds);
        }
        return 0;
    case WM_COMMAND:
        if (self->onCommand(frame, LOWORD(wParam)))
            return 0;
        break;
    default:
        break;
    }
    return DefWindowProcW(frame, message, wParam, lParam);
}

INT_PTR CALLBACK PageWindow::dialogProcedure(HWND dialog, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    if (message == WM_INITDIALOG)
        return TRUE; // the window starts once it knows its frame
    PageWindow* self = windowOf(dialog);
    if (!self)
        return FALSE;
    if (message != WM_NOTIFY)
        return self->onDialogMessage(dialog, message, wParam, lParam);
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->code != DISPLAY_LINK || !self->isDisplay(header->idFrom))
        return FALSE;
    const auto& notify = *reinterpret_cast<const DisplayLinkNotify*>(lParam);
    if (!self->onLink(dialog, notify.url ? notify.url : ""))
        return FALSE;
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 1);
    return TRUE;
}

} // namespace nearbeam
