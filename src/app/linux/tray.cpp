#include "app/linux/tray.h"

#include "status_texts.h"
#include "ui/linux/alert_window.h"

#include "app/status.h"

#include <QCoreApplication>
#include <QIcon>
#include <QMessageBox>

#include <iterator>

namespace nearbeam {

namespace {

constexpr wchar_t kLost[] = NB_WIDE(NB_TEXT_LOST);

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
    menu_.addAction(QStringLiteral("Sur&vey..."), this, [this] { run(actions_.survey); });
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
    balloonShown_.setSingleShot(true);
    balloonShown_.setInterval(kBalloonMs);
    connect(&balloonShown_, &QTimer::timeout, this, &Tray::nextBalloon);
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
    // Every tick sets it: the desktop hears of a new icon only when it is one.
    if (icon != shownIcon_) {
        icon_.setIcon(QIcon(iconFile(icon)));
        shownIcon_ = icon;
    }
    // "I am lost" says why, when the reason is known.
    const size_t lostChars = std::size(kLost) - 1;
    const bool lost = tooltip.compare(0, lostChars, kLost) == 0;
    tooltip_ = cut(lost && !blindBecause_.empty()
                       ? L"I am lost: " + blindBecause_ + tooltip.substr(lostChars)
                       : tooltip,
                   kTooltipChars);
    icon_.setToolTip(tooltip_);
}

void Tray::useNotifications(const QDBusConnection& sessionBus) {
    notifications_ = std::make_unique<DesktopNotifications>(
        sessionBus, [this](const std::wstring& link) { followAlert(link); });
}

void Tray::showAlert(const std::wstring& text, const std::wstring& title,
                     const std::wstring& link) {
    Alert alert{cut(title, kAlertTitleChars), cut(text, kAlertTextChars), link};
    // Directly on the user-interface thread, queued there from any other.
    QMetaObject::invokeMethod(this, [this, alert] {
        if (!notifications_) {
            showBalloon(alert);
            return;
        }
        notifications_->notify(alert.title, alert.body, alert.link, leadsSomewhere(alert.link),
                               [this, alert] { showBalloon(alert); });
    });
}

void Tray::showBalloon(const Alert& alert) {
    if (balloonShown_.isActive()) {
        balloons_.push_back(alert);
        return;
    }
    pendingLink_ = alert.link;
    // A window of our own, near the tray's corner: without a notification service
    // a StatusNotifier tray shows no balloon, and there may be no tray at all.
    auto* window = new AlertWindow(alert.title, alert.body, leadsSomewhere(alert.link),
                                   [this] { alertClicked(); });
    shownAlert_ = window;
    window->showFor(kBalloonMs);
    balloonShown_.start();
}

Tray::~Tray() {
    delete shownAlert_;
}

bool Tray::leadsSomewhere(const std::wstring& link) const {
    return !actions_.alertLeadsSomewhere || actions_.alertLeadsSomewhere(link);
}

void Tray::nextBalloon() {
    balloonShown_.stop();
    if (shownAlert_)
        shownAlert_->close();
    pendingLink_.clear();
    if (balloons_.empty())
        return;
    const Alert next = balloons_.front();
    balloons_.pop_front();
    showBalloon(next);
}

void Tray::showMessage(const std::wstring& text, const std::wstring& caption) {
    QMessageBox::information(nullptr, QString::fromStdWString(caption),
                             QString::fromStdWString(text));
}

void Tray::alertClicked() {
    std::wstring link;
    link.swap(pendingLink_);
    // The clicked balloon is gone: the next one shows now.
    nextBalloon();
    followAlert(link);
}

void Tray::menuAboutToShow() {
    // The check mark follows the setting, whoever changed it.
    privateMode_->setChecked(actions_.privateMode && actions_.privateMode());
    // Opening the menu forgets the alert, as a right click on the Windows icon does.
    dropPendingLink();
}

void Tray::onActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger)
        run(actions_.whereAmI);
}

} // namespace nearbeam
