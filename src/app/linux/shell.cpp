#include "app/linux/shell.h"

#include "app/linux/xdg_paths.h"
#include "base/file_settings_store.h"
#include "base/linux/secret_password_store.h"
#include "base/text.h"
#include "net/curl_transport.h"
#include "ui/html_escape.h"
#include "ui/page_head.h"
#include "wireless/linux/network_manager_driver.h"

#include <QApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>

namespace nearbeam {

namespace {

ProgramSeams seamsOf(const DesktopSetup& setup, std::shared_ptr<std::wstring> blind) {
    ProgramSeams seams;
    seams.options = setup.options;
    seams.clock = setup.clock;
    seams.settings = std::make_unique<FileSettingsStore>(setup.settingsPath);
    seams.transport = std::make_unique<CurlTransport>();
    seams.passwords = [](SettingsStore&) {
        auto store = std::make_unique<SecretPasswordStore>();
        if (!store->available())
            std::cerr << "nearbeam: no secret service on this desktop; the upload password is "
                         "kept only until the program ends."
                      << std::endl;
        return store;
    };
    seams.systemDrivers = [bus = setup.systemBus, clock = setup.clock, blind] {
        // Said once here, and in the tooltip while nothing is seen.
        const std::string problem = networkManagerProblem(bus);
        if (!problem.empty())
            std::cerr << "nearbeam: " << problem << "; no access point can be seen." << std::endl;
        *blind = widen(problem);
        std::vector<std::unique_ptr<WirelessDriver>> drivers;
        drivers.push_back(std::make_unique<NetworkManagerDriver>(bus, *clock));
        return drivers;
    };
    // manufacturers.dat is read from the folder of the path given as the program's.
    seams.programPath = widen(setup.shareFolder) + L"nearbeam";
    seams.dataFolder = setup.dataFolder;
    std::error_code ignored;
    std::filesystem::create_directories(setup.dataFolder, ignored);
    seams.showError = [](const std::wstring& text) {
        std::wcerr << L"nearbeam: " << text << std::endl;
        QMessageBox::critical(nullptr, QStringLiteral("Nearbeam"), QString::fromStdWString(text));
    };
    seams.showUploadResult = showUploadResult;
    seams.tellError = [](const std::wstring& text) {
        std::cerr << "nearbeam: " << toUtf8(text) << std::endl;
    };
    return seams;
}

} // namespace

bool userSetup(DesktopSetup& setup, const CommandLine& options, Clock& clock) {
    setup.options = options;
    setup.clock = &clock;
    setup.sessionBus = QDBusConnection::sessionBus();
    setup.settingsPath = FileSettingsStore::defaultPath();
    setup.dataFolder = userDataFolder();
    setup.shareFolder = shareFolder(QApplication::applicationFilePath().toStdString());
    if (setup.dataFolder.empty()) {
        std::cerr << "nearbeam: neither XDG_DATA_HOME nor HOME is set." << std::endl;
        return false;
    }
    return true;
}

Shell::Shell(const DesktopSetup& setup)
    : settingsPath_(setup.settingsPath), sessionBus_(setup.sessionBus),
      program_(seamsOf(setup, blind_)) {}

bool Shell::start() {
    if (!program_.makeCore())
        return false;
    // Queued to this thread, whichever thread asks.
    program_.postServerAnswers([this] {
        QMetaObject::invokeMethod(
            qApp, [this] { program_.showServerAnswer(); }, Qt::QueuedConnection);
    });
    tray_ = std::make_unique<Tray>(program_.trayActions());
    tray_->setBlindBecause(*blind_);
    tray_->useNotifications(sessionBus_);
    if (!program_.start(*tray_))
        return false;
    // The log-in start file goes in the configuration folder that holds the
    // settings' folder ($XDG_CONFIG_HOME).
    const std::filesystem::path settingsFolder = std::filesystem::path(settingsPath_).parent_path();
    autostart_ = std::make_unique<Autostart>(settingsFolder.parent_path().string(),
                                             QCoreApplication::applicationFilePath().toStdString());
    windows_ =
        std::make_unique<DesktopWindows<QtWindows>>(program_, QtWindows{{}, autostart_.get()});
    program_.setWindows(*windows_);
    if (!program_.fast())
        tray_->setTick([this] { tick(); });

    hasTray_ = tray_->show();
    if (!hasTray_) {
        std::cerr << "nearbeam: this desktop has no notification area; the location page is "
                     "the main window."
                  << std::endl;
        LocationPageWindow& page = windows_->locationPage();
        page.menuBar()->addMenu(&tray_->menu())->setText(QStringLiteral("Nearbeam"));
        page.setMainWindow(true);
        page.present();
    }
    tick();
    program_.newSubscriptions();
    return true;
}

int Shell::run() {
    // A fast replay ticks whenever the events posted so far are handled.
    QTimer replay;
    if (program_.fast()) {
        QObject::connect(&replay, &QTimer::timeout, [this, &replay] {
            if (!program_.replayStep()) {
                replay.stop();
                QCoreApplication::exit(program_.exitCode());
            } else if (!hasTray_) {
                showMainPage();
            }
        });
        replay.start(0);
    }
    // A --survey the first tick finished already.
    const int code = program_.finished() ? program_.exitCode() : QApplication::exec();
    // Nothing is left to save: every write is whole by then.
    if (!program_.stop(2000))
        std::_Exit(code);
    return code;
}

void Shell::tick() {
    program_.tick();
    // --survey has recorded its scans (or failed): the program ends.
    if (program_.finished())
        QCoreApplication::exit(program_.exitCode());
    if (!hasTray_) {
        showMainPage();
        return;
    }
    // "You Are Here", while open, follows the place shown (rebuilt, not raised).
    if (!windows_->locationPageMade())
        return;
    LocationPageWindow& page = windows_->locationPage();
    const LocationRecord* shown = program_.application().shownPlace();
    if (page.isVisible() && shown && shown->bssid != page.key())
        page.showPlace(shown->bssid);
}

void Shell::showMainPage() {
    // Rebuilt in place, never raised: the window must not take the focus every tick.
    Application& app = program_.application();
    const AccessPointEntry* best = app.scanTable().best();
    LocationPageWindow& page = windows_->locationPage();
    if (best && page.showPlace(BssidKey::fromBytes(best->bssid().data())))
        return;
    page.showStatus(pageHead("body { margin: 15px; }") + "<p>" +
                    escapeHtml(narrow(app.statusText())) + "</p></body></html>");
}

} // namespace nearbeam
