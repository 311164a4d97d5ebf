#include "ui/win32/location_window.h"

#include "base/text.h"
#include "base/win32/shell_open.h"
#include "resource.h"
#include "ui/link_rule.h"
#include "ui/location_page.h"

namespace nearbeam {

LocationPageWindow::LocationPageWindow(HINSTANCE instance, LocationPageContext context)
    : PageWindow(instance, {L"dlgLocation",
                            L"You Are Here",
                            IDR_LOCATION_MENU,
                            IDD_LOCATION,
                            {IDC_DISPLAY},
                            L"Where Am I?",
                            true}),
      context_(std::move(context)) {}

bool LocationPageWindow::openLocationPage(const std::wstring& bssid) {
    const std::optional<BssidKey> key = pageKeyOf(bssid);
    if (!key)
        return false;
    key_ = *key;
    if (!context_.database.locations().find(key_)) {
        if (!context_.setLocation)
            return false;
        context_.setLocation(key_);
        return true;
    }
    HWND frame = openFrame();
    if (!frame)
        return false;
    buildPage(GetWindow(frame, GW_CHILD));
    return true;
}

void LocationPageWindow::buildPage(HWND dialog) {
    if (const std::optional<std::string> page = locationPageOf(context_, key_))
        showHtml(dialog, *page);
}

bool LocationPageWindow::onCommand(HWND frame, WORD command) {
    if (command == IDM_EDIT_LOCATION) {
        if (context_.setLocation)
            context_.setLocation(key_);
        DestroyWindow(frame);
        return true;
    }
    if (command == IDM_SCANNER) {
        if (context_.scanner)
            context_.scanner();
        return true;
    }
    return false;
}

// The building's coverage link opens the coverage window. Anything but that or a
// web or mail link (a local file, a program, a script) is not opened; the page
// does not follow it either.
bool LocationPageWindow::onLink(HWND, const std::string& url) {
    if (const auto building = coverageLinkBuilding(url)) {
        if (context_.coverage)
            context_.coverage(*building);
        return true;
    }
    const std::wstring link = widen(url);
    if (mayOpenInShell(link)) {
        if (context_.openLink) {
            context_.openLink(link);
        } else {
            openWithShell(link);
        }
    }
    return true;
}

} // namespace nearbeam
