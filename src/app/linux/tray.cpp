#include "app/linux/tray.h"

#include <QCoreApplication>
#include <QIcon>
#include <QMessageBox>

namespace nearbeam {

namespace {

QString iconFile(int icon) {
    switch (icon) {
    case kIconUnrecognised:
        return QStringLiteral(":/icons/tray-unrecognised.ico");
    case kIconProblem:
        return QStringLiteral(":/icons/tray-problem.ico");
    case kIconRequest:
        return QStringLiteral(":/icons/tray-request.ico");
    default:
        return QStringLiteral(":/icons/tray-normal.ico");
    }
}

QString cut(const std::wstring& text, size_t count) {
    return QString::fromStdWString(cutText(text, count));
}

} // namespace

Tray::Tray(TrayActions actions) : actions_(std::move(actions)) {
    menu_.addAction(QStringLiteral("&Where am I?"), this, [this] { run(actions_.whereAmI); });
    menu_.addAction(QStringLiteral("&Scanner"), this, [this] { run(actions_.scanner); });
    menu_.addSeparator();
    menu_.addAction(QStringLiteral("&Upload..."), this, [this] { run(actions_.upload); });
    menu_.addAction(QStringLiteral("&Options..."), this, [this] { run(actions_.options); });
    menu_.addSeparator();
    privateMode_ = menu_.addAction(QStringLiteral("&Private mode"), this,
                                   [this] { run(actions_.togglePrivateMode); });
    privateMode_->setCheckable(true);
    menu_.addAction(QStringLiteral("E&xit"), this, [] { QCoreApplication::quit(); });
    connect(&menu_, &QMenu::aboutToShow, this, &Tray::menuAboutToShow);
    icon_.setContextMenu(&menu_);
    connect(&icon_, &QSystemTrayIcon::activated, this, &Tray::onActivated);
    connect(&icon_, &QSystemTrayIcon::messageClicked, this, &Tray::alertClicked);
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, [this] { run(actions_.tick); });
}

bool Tray::show() {
    setStatus(kIconNormal, L"Nearbeam");
    timer_.start();
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    icon_.show();
    return true;
}

void Tray::setStatus(int icon, const std::wstring& tooltip) {
    icon_.setIcon(QIcon(iconFile(icon)));
    tooltip_ = cut(tooltip, kTooltipChars);
    icon_.setToolTip(tooltip_);
}

void Tray::showAlert(const std::wstring& text, const std::wstring& title,
                     const std::wstring& link) {
    pendingLink_.set(link, [] {});
    const QString body = cut(text, kAlertTextChars);
    const QString heading = cut(title, kAlertTitleChars);
    const bool withLink = !link.empty();
    QMetaObject::invokeMethod(
        this,
        [this, body, heading, withLink] {
            icon_.showMessage(heading, body,
                              withLink ? QSystemTrayIcon::Information : QSystemTrayIcon::NoIcon,
                              kTickMs);
        },
        Qt::QueuedConnection);
}

void Tray::showMessage(const std::wstring& text, const std::wstring& caption) {
    QMessageBox::information(nullptr, QString::fromStdWString(caption),
                             QString::fromStdWString(text));
}

void Tray::alertClicked() {
    const std::wstring link = pendingLink_.take();
    if (actions_.alertClicked)
        actions_.alertClicked(link);
}

void Tray::menuAboutToShow() {
    // The check mark follows the setting, whoever changed it.
    privateMode_->setChecked(actions_.privateMode && actions_.privateMode());
    // Opening the menu forgets the alert, as a right click on the Windows icon does.
    pendingLink_.drop();
}

void Tray::onActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger)
        run(actions_.whereAmI);
}

} // namespace nearbeam
