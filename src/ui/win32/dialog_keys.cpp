#include "ui/win32/dialog_keys.h"

namespace nearbeam {

namespace {

// The dialog a window belongs to: itself or its nearest dialog ancestor.
HWND dialogOf(HWND window) {
    wchar_t className[8] = {};
    for (; window; window = GetParent(window)) {
        if (GetClassNameW(window, className, 8) && lstrcmpW(className, L"#32770") == 0)
            return window;
        if (!(GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD))
            return nullptr;
    }
    return nullptr;
}

} // namespace

bool handleDialogKeys(MSG& message) {
    if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST)
        return false;
    HWND dialog = dialogOf(message.hwnd);
    return dialog && IsDialogMessageW(dialog, &message);
}

} // namespace nearbeam
