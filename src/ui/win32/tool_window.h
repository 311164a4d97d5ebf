#pragma once
// The program's own windows (the location page, the wizard, the Scanner) are
// small frames of a class of their own near the bottom-right corner of the work
// area, each filled by a modeless dialog; opening one that exists brings it
// forward. Also the corner placement of dialogs and the error box.

#include <windows.h>

namespace nearbeam {

// Finds the top-level window of this class and title and brings it forward, or
// makes the frame (280 x 340, in the corner) with the dialog from the template
// as its child. Null on failure, without a message; a frame whose dialog could
// not be made is destroyed.
HWND openToolWindow(HINSTANCE instance, const wchar_t* className, const wchar_t* title, int iconId,
                    int menuId, int templateId, WNDPROC frameProcedure, DLGPROC dialogProcedure);

// Brings the window, or the popup it last opened over itself, to the front.
void bringForward(HWND window);

// Nonzero when the class exists afterwards (registered now or before).
ATOM registerToolWindowClass(HINSTANCE instance, const wchar_t* className, int iconId, int menuId,
                             WNDPROC procedure);

// Moves the window, keeping its size, to 20 pixels in from the bottom-right
// corner of the work area.
void placeInCorner(HWND window);

// A message box with the text, followed by the system's text for the error code
// when both fit; code -1 stands for the calling thread's last error.
void showErrorBox(const wchar_t* text, const wchar_t* caption, long code);

} // namespace nearbeam
