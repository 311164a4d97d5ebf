#include "ui/linux/location_window.h"

#include "base/settings_keys.h"
#include "base/text.h"
#include "ui/location_page.h"

#include <QCoreApplication>
#include <QMenuBar>

#include <mutex>

namespace nearbeam {

LocationPageWindow::LocationPageWindow(const QString& imageFolder, LocationPageContext context)
    : PageWindow(QStringLiteral("You Are Here"), imageFolder), context_(std::move(context)) {
    QMenu* menu = menuBar()->addMenu(QStringLiteral("Location"));
    menu->addAction(QStringLiteral("Edit"), this, [this] {
        if (context_.setLocation)
            context_.setLocation(key_);
        if (!mainWindow_)
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
    if (!showPlace(*key)) {
        if (!context_.setLocation)
            return false;
        context_.setLocation(*key);
        return true;
    }
    present();
    return true;
}

bool LocationPageWindow::showPlace(const BssidKey& key) {
    std::string page;
    {
        // The web agent's thread may be adding records and services meanwhile.
        std::lock_guard<std::recursive_mutex> guard(context_.database.lock());
        LocationRecord* place = context_.database.locations().find(key);
        if (!place)
            return false;
        page = buildLocationPage(*place, context_.database.services(),
                                 narrow(settings::read(context_.settings, settings::Server)));
    }
    key_ = key;
    setPage(page);
    return true;
}

void LocationPageWindow::closeEvent(QCloseEvent* event) {
    PageWindow::closeEvent(event);
    if (mainWindow_)
        QCoreApplication::quit();
}

} // namespace nearbeam
