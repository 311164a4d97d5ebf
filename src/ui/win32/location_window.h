#pragma once
// The "Where Am I?" window: a frame titled "You Are Here" (class "dlgLocation",
// menu 113) whose page dialog (template 116) is one display control showing the
// page of one access point's place. Links open in the user's browser; the menu
// corrects the place (the Set-location wizard) or opens the Scanner.

#include "base/settings_store.h"
#include "database/bssid_key.h"
#include "database/location_database.h"
#include "ui/location_page.h"
#include "ui/win32/display_control.h"

#include <windows.h>

#include <functional>
#include <string>

namespace nearbeam {

class LocationPageWindow {
  public:
    LocationPageWindow(HINSTANCE instance, LocationPageContext context);
    LocationPageWindow(const LocationPageWindow&) = delete;
    LocationPageWindow& operator=(const LocationPageWindow&) = delete;

    // Opens the page of the access point (12 hexadecimal digits), or rebuilds the
    // open window's page for it, so the page always shows what Edit corrects.
    // Without a record the wizard opens instead. False when nothing opened (the
    // user was told why, unless the access point is not an address).
    bool openLocationPage(const std::wstring& bssid);

    LocationPageContext& context() { return context_; }

  private:
    static LRESULT CALLBACK frameProcedure(HWND frame, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK dialogProcedure(HWND dialog, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    LRESULT onFrameMessage(HWND frame, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR onLink(HWND dialog, const DisplayLinkNotify& notify);
    void buildPage(HWND dialog);

    HINSTANCE instance_;
    LocationPageContext context_;
    BssidKey key_; // the access point the page shows and Edit corrects
};

} // namespace nearbeam
