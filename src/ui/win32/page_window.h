#pragma once
// What the two page windows ("You Are Here" and "WiFi Scanner") have in common:
// a tool-window frame whose dialog holds display controls, opened once and
// brought forward after; the page shown as HTML; links from the page routed to
// the window; the dialog refilling the frame when restored; and the menu's
// "Scanner". Each page window decides only what its page says and what its
// links and menu do.

#include <windows.h>

#include <string>
#include <vector>

namespace nearbeam {

struct PageWindowKind {
    const wchar_t* className; // the frame's window class
    const wchar_t* title;
    int menuId;
    int templateId;
    std::vector<int> displayIds; // the dialog's display controls; the first shows the page
    const wchar_t* errorCaption; // of the box when the window cannot be made
    bool closesWhenMinimised;
};

class PageWindow {
  public:
    PageWindow(const PageWindow&) = delete;
    PageWindow& operator=(const PageWindow&) = delete;

  protected:
    PageWindow(HINSTANCE instance, PageWindowKind kind);
    virtual ~PageWindow() = default;

    // Opens the frame, or finds the open one; a new frame is started first. Null
    // on failure, after telling the user why.
    HWND openFrame();
    // Replaces the page the first display control shows.
    void showHtml(HWND dialog, const std::string& page);

    HINSTANCE instance() const { return instance_; }

    // A new frame, filled by its dialog.
    virtual void start(HWND frame, HWND dialog) = 0;
    // A link clicked in the page: true when the window took it, so the display
    // control does not follow it.
    virtual bool onLink(HWND dialog, const std::string& url) = 0;
    // A menu command of the frame; false leaves it to the system.
    virtual bool onCommand(HWND frame, WORD command) = 0;
    // The dialog's other messages (timers, its end); answered as a dialog
    // procedure answers.
    virtual INT_PTR onDialogMessage(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

  private:
    static LRESULT CALLBACK frameProcedure(HWND frame, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK dialogProcedure(HWND dialog, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    bool isDisplay(UINT_PTR id) const;

    HINSTANCE instance_;
    PageWindowKind kind_;
};

} // namespace nearbeam
