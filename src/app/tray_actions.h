#pragma once
// What the tray's menu, its icon and its timer do; each may be left empty. The
// program core fills them in, each platform's tray calls them.

#include <functional>
#include <string>

namespace nearbeam {

struct TrayActions {
    std::function<void()> tick;              // the timer, every kTickMs
    std::function<void()> whereAmI;          // "&Where am I?", a click on the icon
    std::function<void()> scanner;           // "&Scanner"
    std::function<void()> upload;            // "&Upload..."
    std::function<void()> survey;            // "Sur&vey..."
    std::function<void()> options;           // "&Options..."
    std::function<void()> togglePrivateMode; // "&Private mode"
    std::function<bool()> privateMode;       // its check mark
    std::function<void()> newSubscriptions;  // other programs offer new subscriptions
    std::function<void()> serverAnswered;    // a download ended: show its answer now
    // A click on an alert, with the alert's link (empty: none).
    std::function<void(const std::wstring& link)> alertClicked;
    // Whether such a click does something (else an alert offers no "Open").
    std::function<bool(const std::wstring& link)> alertLeadsSomewhere;
};

} // namespace nearbeam
