#include "ui/win32/modal_dialog.h"

#include "ui/win32/tool_window.h"

#include <commctrl.h>

#include <utility>

namespace nearbeam {
namespace {

const DialogHandlers* handlersOf(HWND dialog) {
    return reinterpret_cast<const DialogHandlers*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

INT_PTR CALLBACK dialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* handlers = reinterpret_cast<const DialogHandlers*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        if (handlers->open)
            *handlers->open = dialog;
        placeInCorner(dialog);
        if (handlers->init)
            handlers->init(dialog);
        return TRUE;
    }
    const DialogHandlers* handlers = handlersOf(dialog);
    if (!handlers)
        return FALSE;
    if (message == WM_COMMAND) {
        if (handlers->command)
            handlers->command(dialog, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    }
    const INT_PTR answer =
        handlers->message ? handlers->message(dialog, message, wParam, lParam) : FALSE;
    if (message == WM_DESTROY && handlers->open)
        *handlers->open = nullptr;
    return answer;
}

} // namespace

std::optional<INT_PTR> runDialog(HINSTANCE instance, HWND owner, int templateId,
                                 const DialogHandlers& handlers) {
    if (handlers.commonControls != 0) {
        INITCOMMONCONTROLSEX controls{sizeof controls, handlers.commonControls};
        InitCommonControlsEx(&controls);
    }
    const INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), owner,
                                           dialogProcedure, reinterpret_cast<LPARAM>(&handlers));
    // 0 with an owner that is no window: the dialog was never made.
    if (result == -1 || (result == 0 && owner && !IsWindow(owner))) {
        showErrorBox(handlers.failure, L"Internal Error", -1);
        return std::nullopt;
    }
    return result;
}

std::function<void(HWND dialog, int id, int code)>
buttonClicks(std::function<void(HWND dialog, int id)> click) {
    return [click = std::move(click)](HWND dialog, int id, int code) {
        if (code == BN_CLICKED)
            click(dialog, id);
    };
}

bool bringForwardIfOpen(HWND open) {
    if (!open || !IsWindow(open))
        return false;
    bringForward(open);
    return true;
}

} // namespace nearbeam
