#pragma once
// The program's modal dialogs (Options, Upload, Subscription) run through one
// helper: it keeps the handlers where the dialog procedure finds them, places
// the dialog in the corner, routes its messages, and reports a dialog that
// cannot be made with the error box.

#include <windows.h>

#include <functional>
#include <optional>

namespace nearbeam {

struct DialogHandlers {
    // The error box's text when the dialog cannot be made ("Internal Error").
    const wchar_t* failure = L"";
    // Holds the dialog while it runs, null otherwise; may be null itself.
    HWND* open = nullptr;
    // The common control classes the dialog holds (ICC_...); 0: none.
    DWORD commonControls = 0;
    // After the dialog is placed in the corner, before it shows.
    std::function<void(HWND dialog)> init;
    // WM_COMMAND: the control (or IDOK/IDCANCEL) and its notification code.
    std::function<void(HWND dialog, int id, int code)> command;
    // Every other message, answered as a dialog procedure answers. Empty: FALSE.
    std::function<INT_PTR(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)> message;
};

// Runs the dialog from the template modally over owner and returns the value it
// was ended with; none (after the error box) when it could not be made.
std::optional<INT_PTR> runDialog(HINSTANCE instance, HWND owner, int templateId,
                                 const DialogHandlers& handlers);

// A command handler for button clicks only: the other controls' notifications
// (a combo box's, an edit field's) carry their identifiers too.
std::function<void(HWND dialog, int id, int code)>
buttonClicks(std::function<void(HWND dialog, int id)> click);

// When the dialog is open, brings it forward and answers true.
bool bringForwardIfOpen(HWND open);

} // namespace nearbeam
