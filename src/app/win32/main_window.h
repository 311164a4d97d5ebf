#pragma once
// The hidden main window: it owns the tray icon, drives the ticks with a timer,
// answers clicks on the icon and carries out the menu commands. Other programs
// find it by its class "NEARBEAM" and title "802.11 Scanner".

#include "app/program.h"
#include "app/win32/shell_notifier.h"
#include "app/win32/tray_icon.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace nearbeam {

class MainWindow {
  public:
    // Registers the window class; false if that fails.
    static bool registerClass(HINSTANCE instance, const std::wstring& className);

    // Creates the hidden window (starting the timer) and adds the tray icon with
    // normal icon and the tooltip "Nearbeam". False if the window cannot be made.
    bool create(HINSTANCE instance, const std::wstring& className, const std::wstring& title);

    HWND handle() const { return window_; }
    // Valid after create().
    ShellNotifier& notifier() { return *notifier_; }
    void setActions(TrayActions actions) { actions_ = std::move(actions); }

    // The tray menu, in its order: Where am I?, Scanner, -, Upload..., Options...,
    // -, Private mode (checked while on), Exit. The caller destroys it.
    static HMENU buildMenu(bool privateMode);

  private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onCommand(WPARAM wParam, LPARAM lParam);
    LRESULT onIconEvent(LPARAM lParam);
    void showMenu();
    void onDestroy();
    static void run(const std::function<void()>& action) {
        if (action)
            action();
    }

    HWND window_ = nullptr;
    HINSTANCE instance_ = nullptr;
    std::unique_ptr<TrayIcon> icon_;
    std::unique_ptr<ShellNotifier> notifier_;
    TrayActions actions_;
};

} // namespace nearbeam
