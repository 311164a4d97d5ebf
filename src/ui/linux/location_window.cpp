#include "ui/linux/location_window.h"

#include "base/settings_keys.h"
#include "base/text.h"
#include "ui/location_page.h"

#include <QMenuBar>

#include <mutex>

namespace nearbeam {

LocationPageWindow::LocationPageWindow(const QString& imageFolder, LocationPageContext context)
    : PageWindow(QStringLiteral("You Are Here"), imageFolder), context_(std::move(context)) {
    QMenu* menu = menuBar()->addMenu(QStringLiteral("Location"));
    menu->addAction(QStringLiteral("Edit"), this, [this] {
        if (context_.setLocation)
            context_.setLocation(key_);
        close();
    });
    menu->addAction(QStringLiteral("Scanner"), this, [this] {
        if (context_.scanner)
            context_.scanner();
    });
}

bool LocationPageWindow::openLocationPage(const std::wstring& bssid) {
    const std::optional<BssidKey> key = BssidKey::fromText(narrow(bssid.substr(0, 12)));
    if (!key)
        return false;
    key_ = *key;
    bool known = false;
    {
        std::lock_guard<std::recursive_mutex> guard(context_.database.lock());
        known = context_.database.locations().find(key_) != nullptr;
    }
    if (!known) {
        if (!context_.setLocation)
            return false;
        context_.setLocation(key_);
        return true;
    }
    buildPage();
    present();
    return true;
}

void LocationPageWindow::buildPage() {
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
    setPage(page);
}

} // namespace nearbeam
