#pragma once
// The hidden main window: it owns the tray icon, drives the ticks with a timer,
// answers clicks on the icon and carries out the menu commands. It is also the
// running program's Notifier: the icon's tooltip and balloons, the link of the
// last balloon, and message boxes. Other programs find it by its class
// "NEARBEAM" and title "802.11 Scanner".

#include "app/notifier.h"
#include "app/tray_actions.h"
#include "app/win32/tray_icon.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace nearbeam {

class MainWindow : public Notifier {
  public:
    // Registers the window class; false if that fails.
    static bool registerClass(HINSTANCE instance, const std::wstring& className);

    // Creates the hidden window (starting the timer) and adds the tray icon with
    // normal icon and the tooltip "Nearbeam". False if the window cannot be made.
    bool create(HINSTANCE instance, const std::wstring& className, const std::wstring& title);

    HWND handle() const { return window_; }
    // The Notifier of the running program, through the icon made by create().
    void setStatus(int icon, const std::wstring& tooltip) override {
        icon_->setStatus(icon, tooltip);
    }
    // Called on the user-interface thread and on the web agent's thread.
    void showAlert(const std::wstring& text, const std::wstring& title,
                   const std::wstring& link) override {
        pendingLink_.set(link, [&] { icon_->showBalloon(text, title, !link.empty()); });
    }
    void showMessage(const std::wstring& text, const std::wstring& caption) override {
        MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK);
    }
    // The link of the balloon shown last, taken out (none afterwards).
    std::wstring takePendingLink() { return pendingLink_.take(); }
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
    PendingLink pendingLink_;
    TrayActions actions_;
};

} // namespace nearbeam
