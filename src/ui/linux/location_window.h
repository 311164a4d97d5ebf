#pragma once
// The "Where Am I?" window, "You Are Here": the page of one access point's place,
// with the menu "Location" (Edit corrects the place in the set-location wizard,
// Scanner opens the Scanner). Links open in the user's browser.

#include "base/settings_store.h"
#include "locate/location_database.h"
#include "records/bssid_key.h"
#include "ui/linux/page_window.h"
#include "ui/location_page.h"

#include <functional>
#include <string>

namespace nearbeam {

class LocationPageWindow : public PageWindow {
    Q_OBJECT
  public:
    explicit LocationPageWindow(LocationPageContext context);

    // Opens the page of the access point (12 hexadecimal digits), or rebuilds the
    // open window's page for it. Without a record the wizard opens instead. False
    // when nothing opened.
    bool openLocationPage(const std::wstring& bssid);
    // Builds the page of the access point's place without bringing the window up;
    // false when the database does not place it.
    bool showPlace(const BssidKey& key);
    // Shows a page of the program's status, of no access point: nothing to edit.
    void showStatus(const std::string& page);
    // The program's main window (when there is no tray): Edit leaves it open,
    // closing it ends the program, and no key closes it by accident.
    void setMainWindow(bool main) {
        mainWindow_ = main;
        setClosedByKeys(!main);
    }

    LocationPageContext& context() { return context_; }
    const BssidKey& key() const { return key_; }

  protected:
    // The building's coverage link opens here; web and mail links go outside.
    void onLink(const QUrl& url) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    LocationPageContext context_;
    BssidKey key_;
    QAction* edit_ = nullptr;
    bool mainWindow_ = false;
};

} // namespace nearbeam
