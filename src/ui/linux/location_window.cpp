#include "ui/linux/location_window.h"

#include "ui/location_page.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenuBar>

namespace nearbeam {

LocationPageWindow::LocationPageWindow(LocationPageContext context)
    : PageWindow(QStringLiteral("You Are Here")), context_(std::move(context)) {
    QMenu* menu = menuBar()->addMenu(QStringLiteral("&Location"));
    // Only a page of an access point's place has something to edit.
    edit_ = menu->addAction(QStringLiteral("&Edit"), this, [this] {
        if (key_.empty())
            return;
        if (context_.setLocation)
            context_.setLocation(key_);
        if (!mainWindow_)
            close();
    });
    edit_->setEnabled(false);
    menu->addAction(QStringLiteral("&Scanner"), this, [this] {
        if (context_.scanner)
            context_.scanner();
    });
}

bool LocationPageWindow::openLocationPage(const std::wstring& bssid) {
    const std::optional<BssidKey> key = pageKeyOf(bssid);
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
    const std::optional<std::string> page = locationPageOf(context_, key);
    if (!page)
        return false;
    key_ = key;
    edit_->setEnabled(true);
    setPage(*page);
    return true;
}

void LocationPageWindow::onLink(const QUrl& url) {
    if (const auto building = coverageLinkBuilding(url.toString().toStdString())) {
        if (context_.coverage)
            context_.coverage(*building);
        return;
    }
    openOutside(url, context_.openLink);
}

void LocationPageWindow::showStatus(const std::string& page) {
    key_ = BssidKey();
    edit_->setEnabled(false);
    setPage(page);
}

void LocationPageWindow::closeEvent(QCloseEvent* event) {
    PageWindow::closeEvent(event);
    if (mainWindow_)
        QCoreApplication::quit();
}

} // namespace nearbeam
