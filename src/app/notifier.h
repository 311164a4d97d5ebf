#pragma once
// What the program shows outside its windows: the tray icon with its tooltip,
// popup alerts, and message boxes. The tray shell implements it with the
// notification icon; tests record the calls.

#include <cstddef>
#include <mutex>
#include <string>
#include <utility>

namespace nearbeam {

// The notification area shows at most this many characters of a tooltip, and of
// an alert's title and body.
inline constexpr size_t kTooltipChars = 63;
inline constexpr size_t kAlertTitleChars = 63;
inline constexpr size_t kAlertTextChars = 255;

// The first count characters of text.
inline std::wstring cutText(const std::wstring& text, size_t count) {
    return text.size() > count ? text.substr(0, count) : text;
}

class Notifier {
  public:
    virtual ~Notifier() = default;
    // Shows icon resource `icon` in the tray with the tooltip (cut to its first
    // kTooltipChars characters). User-interface thread only.
    virtual void setStatus(int icon, const std::wstring& tooltip) = 0;
    // A popup alert; an empty link means none. Safe to call from any thread; a
    // new alert replaces the pending link of the previous one.
    virtual void showAlert(const std::wstring& text, const std::wstring& title,
                           const std::wstring& link) = 0;
    // A message box with an OK button and no owner window.
    virtual void showMessage(const std::wstring& text, const std::wstring& caption) = 0;
};

// The link of the alert shown last, until a click takes it or the user turns to
// something else. Any thread: set() shows the alert under the same lock, so a
// click never pairs one alert with another alert's link.
class PendingLink {
  public:
    template <typename Show> void set(const std::wstring& link, Show show) {
        std::lock_guard<std::mutex> lock(mutex_);
        show();
        link_ = link;
    }
    std::wstring take() {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::exchange(link_, std::wstring());
    }
    void drop() { take(); }

  private:
    std::mutex mutex_;
    std::wstring link_;
};

} // namespace nearbeam
