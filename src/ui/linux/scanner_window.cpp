#include "ui/linux/scanner_window.h"

#include "base/settings_keys.h"
#include "base/text.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QMenuBar>
#include <QMessageBox>

namespace nearbeam {

namespace {

const QString kTitle = QStringLiteral("WiFi Scanner");

struct Speed {
    const char* text;
    int milliseconds;
};
constexpr Speed kSpeeds[] = {{"1 Second", 1000},
                             {"2 Seconds", 2000},
                             {"5 Seconds", 5000},
                             {"10 Seconds", 10000},
                             {"30 Seconds", 30000}};

} // namespace

ScannerWindow::ScannerWindow(ScannerContext context)
    : PageWindow(kTitle), context_(std::move(context)) {
    QMenu* options = menuBar()->addMenu(QStringLiteral("&Options"));
    QMenu* speed = options->addMenu(QStringLiteral("Update &Speed"));
    auto* group = new QActionGroup(this);
    for (const Speed& s : kSpeeds) {
        QAction* action = speed->addAction(QString::fromLatin1(s.text));
        action->setCheckable(true);
        group->addAction(action);
        const int ms = s.milliseconds;
        connect(action, &QAction::triggered, this, [this, ms] { setSpeed(ms); });
        speeds_.emplace_back(action, ms);
    }
    addToggle(options, QStringLiteral("&Active Scan"), settings::ActiveScan, activeScan_);
    options->addSeparator();
    options->addAction(QStringLiteral("&Clear"), this, [this] {
        if (model_)
            model_->clear();
    });
    options->addSeparator();
    options->addAction(QStringLiteral("A&dvanced..."), this, [this] {
        if (context_.options)
            context_.options();
    });
    options->addAction(QStringLiteral("&Upload..."), this, [this] {
        if (context_.upload)
            context_.upload();
    });
    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    QAction* compact =
        addToggle(view, QStringLiteral("C&ompact"), settings::ViewCompact, view_.compact);
    connect(compact, &QAction::toggled, this, [this](bool on) {
        if (model_)
            model_->resetTable(on);
    });
    view->addSeparator();
    addToggle(view, QStringLiteral("&BSSID (Partial)"), settings::ViewBssid, view_.bssid);
    addToggle(view, QStringLiteral("&Manufacturer"), settings::ViewManufacturer,
              view_.manufacturer);
    addToggle(view, QStringLiteral("C&hannel"), settings::ViewChannel, view_.channel);
    connect(&timer_, &QTimer::timeout, this, &ScannerWindow::refresh);
}

QAction* ScannerWindow::addToggle(QMenu* menu, const QString& text,
                                  const settings::NumberSetting& setting, bool& value) {
    QAction* action = menu->addAction(text);
    action->setCheckable(true);
    connect(action, &QAction::toggled, this, [this, &setting, &value](bool on) {
        value = on;
        settings::write(context_.settings, setting, on ? 1 : 0);
    });
    toggles_.emplace_back(action, &setting);
    return action;
}

void ScannerWindow::open() {
    if (model_) {
        present();
        return;
    }
    // The remembered choices, shown on the menus without being written back.
    for (auto& [action, setting] : toggles_) {
        const QSignalBlocker quiet(action);
        action->setChecked(settings::read(context_.settings, *setting) != 0);
    }
    activeScan_ = settings::read(context_.settings, settings::ActiveScan) != 0;
    view_.compact = settings::read(context_.settings, settings::ViewCompact) != 0;
    view_.bssid = settings::read(context_.settings, settings::ViewBssid) != 0;
    view_.manufacturer = settings::read(context_.settings, settings::ViewManufacturer) != 0;
    view_.channel = settings::read(context_.settings, settings::ViewChannel) != 0;
    const int32_t remembered = settings::read(context_.settings, settings::ScanInterval);
    for (auto& [action, ms] : speeds_)
        action->setChecked(ms == remembered);
    intervalMs_ = refreshIntervalMs(remembered);
    model_ = std::make_unique<ScannerModel>(context_.parts, view_.compact);
    refresh();
    timer_.start(intervalMs_);
    present();
}

void ScannerWindow::refresh() {
    if (!model_)
        return;
    model_->refresh(intervalMs_, activeScan_, view_);
    setPage(model_->page({}, view_));
}

void ScannerWindow::setSpeed(int milliseconds) {
    intervalMs_ = milliseconds;
    settings::write(context_.settings, settings::ScanInterval, intervalMs_);
    if (model_)
        timer_.start(intervalMs_);
}

void ScannerWindow::closeEvent(QCloseEvent* event) {
    timer_.stop();
    model_.reset();
    PageWindow::closeEvent(event);
}

// A row's link names its access point; other links are web or mail links at most.
void ScannerWindow::onLink(const QUrl& url) {
    const std::optional<std::string> key =
        rowLinkKey(url.toString(QUrl::FullyEncoded).toStdString());
    if (!key) {
        openOutside(url);
    } else if (key->empty()) {
        QMessageBox::information(this, kTitle, QString::fromWCharArray(kMobileDeviceText));
    } else if (context_.showPage) {
        context_.showPage(widen(*key));
    }
}

} // namespace nearbeam
