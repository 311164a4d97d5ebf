#pragma once
// The HTML display control, class "DISPLAYCLASS": a child window that shows a
// page the program generated in the system's web-browser object, and hands
// clicked links to its parent. The parent talks to it with three messages:
// DISPLAY_CLEAR, any number of DISPLAY_APPEND, DISPLAY_SHOW.

#include <windows.h>

#include <commctrl.h>

#include <vector>

namespace nearbeam {

class BrowserHost;

inline constexpr const wchar_t* kDisplayClass = L"DISPLAYCLASS";

// lParam: a zero-terminated 8-bit text (ANSI code page) appended to the page as
// HTML; wParam is ignored. Returns 0.
inline constexpr UINT DISPLAY_APPEND = WM_USER + 101;
// Writes the page to its file and has the browser show it; the page stays. Returns 0.
inline constexpr UINT DISPLAY_SHOW = WM_USER + 104;
// Empties the page. Returns 0.
inline constexpr UINT DISPLAY_CLEAR = WM_USER + 113;

// The WM_NOTIFY code of a clicked link. The parent's result decides: not 0, it
// took the link and the control cancels its own navigation; 0, the browser inside
// the control follows it. A dialog answers through DWLP_MSGRESULT.
inline constexpr UINT DISPLAY_LINK = 1125;

struct DisplayLinkNotify {
    NMHDR header;    // the control, its dialog-item ID, DISPLAY_LINK
    const char* url; // 8-bit (ANSI code page); valid during the notification only
    DWORD reserved[3];
};

// Initialises OLE for the thread and registers the class unless it exists. False
// when either fails.
bool registerDisplayClass(HINSTANCE instance);

// Moves a dialog of the frame, and the display controls in it, to fill the
// frame's client area.
void fillFrame(HWND frame, HWND dialog, const std::vector<int>& displayIds = {});

// The browser host of a control, or null (for tests that play the browser).
BrowserHost* displayBrowserHost(HWND control);

} // namespace nearbeam
