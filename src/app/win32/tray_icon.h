#pragma once
// The program's notification-area icon. It is added when the object is made and
// removed when it goes; after Explorer restarts (the taskbar is re-created) the
// owner calls readd().

#include <windows.h>

#include <shellapi.h>

#include <mutex>
#include <string>

namespace nearbeam {

class TrayIcon {
  public:
    // Adds icon resource `icon` of module `instance` with the tooltip, owned by
    // window, which receives `callbackMessage` for mouse and balloon events.
    TrayIcon(HWND window, HINSTANCE instance, UINT callbackMessage, int icon,
             const std::wstring& tooltip);
    ~TrayIcon();
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Changes icon and tooltip (the tooltip shows its first 63 characters).
    void setStatus(int icon, const std::wstring& tooltip);
    // A balloon: body at most 255 characters, title at most 63, shown for 10 s;
    // the information icon when infoIcon, else none. Safe from any thread.
    void showBalloon(const std::wstring& text, const std::wstring& title, bool infoIcon);
    // Adds the icon again with its current state (unless it was removed).
    void readd();
    // Takes the icon out of the notification area for good; later calls do
    // nothing.
    void remove();

    // The message Explorer broadcasts when it creates the taskbar.
    static UINT taskbarCreatedMessage();
    // Icon resource `icon` of module `instance` in the size the notification area
    // shows, so the image drawn for that size is the one shown. Shared: never
    // destroyed by the caller.
    static HICON loadTrayIcon(HINSTANCE instance, int icon);

  private:
    NOTIFYICONDATAW base(UINT flags) const;
    void add();

    mutable std::mutex mutex_;
    HWND window_;
    HINSTANCE instance_;
    UINT callbackMessage_;
    int icon_;
    std::wstring tooltip_;
    bool removed_ = false;
};

} // namespace nearbeam
