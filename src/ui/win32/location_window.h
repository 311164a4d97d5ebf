#pragma once
// The location page window, "You Are Here" (frame class "dlgLocation"): one
// display control showing the page of one access point's place. Links open in
// the user's browser; the menu corrects the place (the wizard "Where Am I?") or
// opens the Scanner.

#include "base/settings_store.h"
#include "locate/location_database.h"
#include "records/bssid_key.h"
#include "ui/location_page.h"
#include "ui/win32/page_window.h"

#include <windows.h>

#include <functional>
#include <string>

namespace nearbeam {

class LocationPageWindow : public PageWindow {
  public:
    LocationPageWindow(HINSTANCE instance, LocationPageContext context);

    // Opens the page of the access point (12 hexadecimal digits), or rebuilds the
    // open window's page for it, so the page always shows what Edit corrects.
    // Without a record the wizard opens instead. False when nothing opened (the
    // user was told why, unless the access point is not an address).
    bool openLocationPage(const std::wstring& bssid);

    LocationPageContext& context() { return context_; }

  private:
    void start(HWND, HWND) override {}
    bool onLink(HWND dialog, const std::string& url) override;
    bool onCommand(HWND frame, WORD command) override;
    void buildPage(HWND dialog);

    LocationPageContext context_;
    BssidKey key_; // the access point the page shows and Edit corrects
};

} // namespace nearbeam
