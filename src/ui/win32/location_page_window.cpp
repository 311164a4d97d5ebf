#include "ui/win32/location_page_window.h"

#include "base/settings_keys.h"
#include "base/text.h"
#include "base/win32/shell_open.h"
#include "resource.h"
#include "ui/link_rule.h"
#include "ui/location_page.h"

#include <mutex>

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
    const std::optional<BssidKey> key = BssidKey::fromText(narrow(bssid.substr(0, 12)));
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
    std::string page;
    {
        // The web agent's thread may be adding records and services meanwhile.
        std::lock_guard<std::recursive_mutex> guard(context_.database.lock());
        LocationRecord* place = context_.database.locations().find(key_);
        if (!place)
            return;
        page = buildLocationPage(*place, context_.database.services(),
                                 narrow(settings::read(context_.settings, settings::Server)));
    }
    showHtml(dialog, page);
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

// Anything but a web or mail link (a local file, a program, a script) is not
// opened; the page does not follow it either.
bool LocationPageWindow::onLink(HWND, const std::string& url) {
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
