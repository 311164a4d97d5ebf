#include "app/linux/desktop_program.h"

#include "base/file_settings_store.h"
#include "base/settings_keys.h"
#include "base/text.h"
#include "net/curl_transport.h"
#include "ui/html_escape.h"
#include "wireless/linux/network_manager_driver.h"
#include "wireless/simulated_driver.h"

#include <QCoreApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <thread>

namespace nearbeam {

namespace {

void showError(const std::wstring& text) {
    std::wcerr << L"nearbeam: " << text << std::endl;
    QMessageBox::critical(nullptr, QStringLiteral("Nearbeam"), QString::fromStdWString(text));
}

} // namespace

DesktopProgram::DesktopProgram(DesktopSetup setup) : setup_(std::move(setup)) {}

DesktopProgram::~DesktopProgram() {
    // The web agent's thread calls back into the download, uploader and list. After
    // stop() it is stopped, or the process ends without coming here.
    if (agent_ && !stopCalled_)
        agent_->stop();
}

void DesktopProgram::error(const std::wstring& text, int code) {
    showError(text);
    exitCode_ = code;
}

bool DesktopProgram::start() {
    Clock& clock = *setup_.clock;
    if (!setup_.options.trace.empty()) {
        trace_ = std::make_unique<TraceWriter>(std::filesystem::path(setup_.options.trace), clock,
                                               clock.tickCount());
        if (!trace_->isOpen()) {
            error(L"The trace file \"" + setup_.options.trace + L"\" cannot be written.", 2);
            return false;
        }
    }
    settings_ = std::make_unique<FileSettingsStore>(setup_.settingsPath);
    if (!makeDevice())
        return false;
    database_ = std::make_unique<LocationDatabase>(*settings_);
    // Access points the database does not place are asked of the location server
    // (the Server setting) on the web agent's thread.
    transport_ = std::make_unique<CurlTransport>();
    agent_ = std::make_unique<WebAgent>(*transport_, clock);
    // Private mode: nothing leaves the computer until it ends.
    agent_->setHold([store = settings_.get()] { return settings::privateMode(*store); });
    download_ = std::make_unique<LocationDownload>(*agent_, *database_, *settings_, clock);
    database_->setDownloadService(download_.get());
    passwords_ = std::make_unique<SecretPasswordStore>();
    if (!passwords_->available())
        std::cerr << "nearbeam: no secret service on this desktop; the upload password is "
                     "kept only until the program ends."
                  << std::endl;
    uploader_ =
        std::make_unique<Uploader>(*agent_, *database_, *settings_, *passwords_, showUploadResult);
    scanSettings_ = std::make_unique<ScanSettings>();

    TrayActions actions;
    actions.tick = [this] { tick(); };
    actions.whereAmI = [this] { app_->showWhereAmI(); };
    actions.scanner = [this] { scanner_->open(); };
    actions.upload = [this] { upload(); };
    actions.options = [this] { run(dialogs.options); };
    actions.privateMode = [this] { return settings::privateMode(*settings_); };
    actions.togglePrivateMode = [this] { togglePrivateMode(); };
    actions.exit = [] { QCoreApplication::quit(); };
    actions.lastStatus = [this] { return app_->lastStatus(); };
    tray_ = std::make_unique<Tray>(QString::fromStdString(setup_.shareFolder), std::move(actions));
    tray_->useNotifications(setup_.sessionBus);
    Notifier* notifier = tray_.get();
    if (trace_) {
        tracing_ = std::make_unique<TracingNotifier>(*tray_, *trace_);
        notifier = tracing_.get();
    }

    // Services the user subscribed to hear of every change of place; their
    // messages show as alerts. The database hands the list its file when opened.
    subscriptions_ = std::make_unique<SubscriptionList>(
        *agent_, [notifier](const std::wstring& text, const std::wstring& title,
                            const std::wstring& link) { notifier->showAlert(text, title, link); });
    database_->setSubscriptionFileListener(
        [this](const std::string& path) { subscriptions_->setFile(path); });

    ApplicationParts parts(*settings_, *database_, *device_, *scanSettings_, clock, *notifier);
    parts.trace = trace_.get();
    parts.locationChanged = [this](LocationRecord& place) {
        subscriptions_->locationChanged(place);
    };
    parts.openLocationPage = [this](const std::wstring& bssid) {
        locationPage_->openLocationPage(bssid);
    };
    parts.dataFolder = setup_.dataFolder;
    std::error_code ignored;
    std::filesystem::create_directories(setup_.dataFolder, ignored);
    // manufacturers.dat is read from the folder of the path given as the program's.
    app_ = std::make_unique<Application>(parts, widen(setup_.shareFolder) + L"nearbeam");
    if (!app_->usable()) {
        exitCode_ = 1;
        return false;
    }
    makeDialogs();

    hasTray_ = tray_->show();
    if (!hasTray_) {
        std::cerr << "nearbeam: this desktop has no notification area; the location page is "
                     "the main window."
                  << std::endl;
        locationPage_->menuBar()->addMenu(&tray_->menu())->setText(QStringLiteral("Nearbeam"));
        locationPage_->setMainWindow(true);
        locationPage_->present();
    }
    tick();
    newSubscriptions();
    return true;
}

bool DesktopProgram::makeDevice() {
    std::vector<std::unique_ptr<WirelessDriver>> drivers;
    if (setup_.options.simulate.empty()) {
        // Said once: the tooltip only says that no signal is seen.
        const std::string problem = networkManagerProblem(setup_.systemBus);
        if (!problem.empty())
            std::cerr << "nearbeam: " << problem << "; no access point can be seen." << std::endl;
        drivers.push_back(std::make_unique<NetworkManagerDriver>(setup_.systemBus, *setup_.clock));
    } else {
        ScenarioLoad load = loadScenario(narrow(setup_.options.simulate));
        if (!load) {
            error(L"The scenario file \"" + setup_.options.simulate + L"\" could not be loaded:\n" +
                      widen(load.describe()),
                  1);
            return false;
        }
        drivers.push_back(
            std::make_unique<SimulatedDriver>(*setup_.clock, std::move(*load.scenario)));
    }
    device_ = std::make_unique<WirelessDevice>(*settings_, std::move(drivers));
    return true;
}

std::unique_ptr<LocationPageWindow> DesktopProgram::makeLocationPage() {
    auto page = std::make_unique<LocationPageWindow>(QString::fromStdString(setup_.shareFolder),
                                                     LocationPageContext(*database_, *settings_));
    page->context().scanner = [this] { scanner_->open(); };
    page->context().setLocation = [this](const BssidKey& key) {
        if (dialogs.setLocation)
            dialogs.setLocation(key);
    };
    return page;
}

std::unique_ptr<ScannerWindow> DesktopProgram::makeScanner() {
    auto scanner = std::make_unique<ScannerWindow>(
        QString::fromStdString(setup_.shareFolder),
        ScannerContext(ScannerParts(*device_, *database_, app_->manufacturers(), *scanSettings_),
                       *settings_));
    scanner->context().showPage = [this](const std::wstring& bssid) {
        locationPage_->openLocationPage(bssid);
    };
    scanner->context().options = [this] { run(dialogs.options); };
    scanner->context().upload = [this] { upload(); };
    return scanner;
}

void DesktopProgram::upload() {
    if (settings::read(*settings_, settings::UploadNeeded) == 0) {
        tray_->showMessage(L"There is nothing to upload.", L"Nearbeam");
        return;
    }
    run(dialogs.upload);
}

void DesktopProgram::togglePrivateMode() {
    settings::write(*settings_, settings::PrivateMode, settings::privateMode(*settings_) ? 0 : 1);
    // The tooltip shows it at once (at the next tick while nothing is in range);
    // what waited goes out when it ends.
    app_->placeEdited();
    agent_->wake();
}

void DesktopProgram::makeDialogs() {
    // The log-in start file goes in the configuration folder that holds the
    // settings' folder ($XDG_CONFIG_HOME).
    const std::filesystem::path settingsFolder =
        std::filesystem::path(setup_.settingsPath).parent_path();
    autostart_ = std::make_unique<Autostart>(settingsFolder.parent_path().string(),
                                             QCoreApplication::applicationFilePath().toStdString());
    options_ = std::make_unique<OptionsContext>(
        OptionsContext{*settings_, *database_, *device_, *subscriptions_, *autostart_});
    options_->sharingHistory = [this] { sharing_->open(subscriptions_->sharingLogPath()); };
    upload_ = std::make_unique<UploadDialogContext>(
        UploadDialogContext{*uploader_, *settings_, *passwords_, {}});
    subscribe_ = std::make_unique<SubscribeContext>(SubscribeContext{*subscriptions_, *database_});

    // The set-location wizard, opened by the location page's Edit and for an
    // access point without a record.
    wizard_ = std::make_unique<SetLocationContext>(*database_);
    wizard_->scanner = [this] { scanner_->open(); };
    wizard_->saved = [this](const BssidKey& key) { app_->placeSaved(key); };
}

void DesktopProgram::useDialogs() {
    dialogs.upload = [this] { openUploadDialog(*upload_, nullptr); };
    dialogs.options = [this] { openOptionsDialog(*options_, nullptr); };
    dialogs.setLocation = [this](const BssidKey& key) { openSetLocationWizard(*wizard_, key); };
    dialogs.offerSubscription = [this](const std::wstring& url) {
        return offerSubscription(*subscribe_, url, nullptr);
    };
}

void DesktopProgram::tick() {
    app_->tick();
    if (!hasTray_)
        showMainPage();
}

void DesktopProgram::showMainPage() {
    // Rebuilt in place, never raised: the window must not take the focus every tick.
    const AccessPointEntry* best = app_->scanTable().best();
    if (best && locationPage_->showPlace(BssidKey::fromBytes(best->bssid().data())))
        return;
    locationPage_->setPage("<html><body><p>" + escapeHtml(narrow(app_->statusText())) +
                           "</p></body></html>");
}

void DesktopProgram::newSubscriptions() {
    if (dialogs.offerSubscription)
        subscriptions_->processNewSubscriptions(dialogs.offerSubscription);
}

bool DesktopProgram::stop(int waitMs) {
    auto stopped = std::make_shared<std::atomic<bool>>(false);
    WebAgent* agent = agent_.get();
    if (!agent || stopCalled_)
        return true;
    stopCalled_ = true;
    std::thread([agent, stopped] {
        agent->stop();
        *stopped = true;
    }).detach();
    for (int waited = 0; waited < waitMs && !*stopped; waited += 50)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return *stopped;
}

} // namespace nearbeam
