// The program entry of nearbeam.exe and its composition root: it makes the one
// object of each kind the program runs on, hands them to each other, and runs
// the hidden main window's message loop.

#include "app/application.h"
#include "app/command_line.h"
#include "app/trace.h"
#include "app/win32/main_window.h"
#include "base/settings_keys.h"
#include "base/text.h"
#include "base/win32/module_path.h"
#include "base/win32/protected_password_store.h"
#include "base/win32/registry_settings_store.h"
#include "database/location_database.h"
#include "net/location_download.h"
#include "net/uploader.h"
#include "net/web_agent.h"
#include "net/win32/wininet_transport.h"
#include "resource.h"
#include "services/subscription_list.h"
#include "services/win32/subscribe_dialog.h"
#include "ui/win32/dialog_keys.h"
#include "ui/win32/location_window.h"
#include "ui/win32/options_dialog.h"
#include "ui/win32/scanner_window.h"
#include "ui/win32/set_location_window.h"
#include "ui/win32/upload_dialog.h"
#include "wireless/simulated_driver.h"
#include "wireless/win32/system_drivers.h"
#include "wireless/wireless_device.h"

#include <windows.h>

#include <shellapi.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace nearbeam;

namespace {

std::wstring loadString(HINSTANCE instance, int id) {
    wchar_t text[128] = {};
    LoadStringW(instance, id, text, 128);
    return text;
}

std::vector<std::wstring> arguments() {
    std::vector<std::wstring> args;
    int count = 0;
    if (wchar_t** list = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i)
            args.emplace_back(list[i]);
        LocalFree(list);
    }
    return args;
}

void showError(const std::wstring& text) {
    MessageBoxW(nullptr, text.c_str(), L"Nearbeam", MB_OK | MB_ICONERROR);
}

// The adapter drivers: the simulated one replaying a scenario when asked for,
// else the system's. Empty when the scenario does not load (the user was told).
bool makeDrivers(const CommandLine& options, const Clock& clock,
                 std::vector<std::unique_ptr<WirelessDriver>>& drivers) {
    if (options.simulate.empty()) {
        drivers = makeSystemWirelessDrivers();
        return true;
    }
    ScenarioLoad load = loadScenario(narrow(options.simulate));
    if (!load) {
        showError(L"The scenario file \"" + options.simulate + L"\" could not be loaded:\n" +
                  widen(load.describe()));
        return false;
    }
    drivers.push_back(std::make_unique<SimulatedDriver>(clock, std::move(*load.scenario)));
    return true;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Process-wide objects: made once here and never destroyed. The web agent's
    // thread may still be using them while the process ends.
    auto* clock = new SteadyClock;
    const uint32_t started = clock->tickCount();

    std::wstring problem;
    const std::optional<CommandLine> options = parseCommandLine(arguments(), problem);
    if (!options) {
        showError(problem);
        return 2;
    }

    TraceWriter* trace = nullptr;
    if (!options->trace.empty()) {
        trace = new TraceWriter(std::filesystem::path(options->trace), *clock, started);
        if (!trace->isOpen()) {
            showError(L"The trace file \"" + options->trace + L"\" cannot be written.");
            return 2;
        }
    }

    auto* settings = new RegistrySettingsStore;
    std::vector<std::unique_ptr<WirelessDriver>> drivers;
    if (!makeDrivers(*options, *clock, drivers))
        return 1;
    auto* device = new WirelessDevice(*settings, std::move(drivers));
    auto* database = new LocationDatabase(*settings);
    // Access points the database does not place are asked of the location server
    // (the Server setting) on the web agent's thread.
    auto* transport = new WinInetTransport;
    auto* agent = new WebAgent(*transport, *clock);
    // Private mode: nothing leaves the computer until it ends.
    agent->setHold([settings] { return settings::privateMode(*settings); });
    auto* download = new LocationDownload(*agent, *database, *settings, *clock);
    database->setDownloadService(download);
    // Records made here go to the same server; the password is kept protected.
    auto* passwords = new ProtectedPasswordStore(*settings);
    auto* uploader = new Uploader(*agent, *database, *settings, *passwords, showUploadResult);
    auto* uploadContext = new UploadDialogContext{*uploader, *settings, *passwords};
    auto* scanSettings = new ScanSettings;

    const std::wstring title = loadString(instance, IDS_TITLE);
    const std::wstring className = loadString(instance, IDS_CLASS);
    if (!MainWindow::registerClass(instance, className))
        return 0;
    auto* window = new MainWindow;
    if (!window->create(instance, className, title))
        return 0;

    Notifier* notifier = &window->notifier();
    if (trace)
        notifier = new TracingNotifier(*notifier, *trace);

    // Services the user subscribed to hear of every change of place; their
    // messages show as alerts. The database hands the list its file when opened.
    auto* subscriptions = new SubscriptionList(
        *agent, [notifier](const std::wstring& text, const std::wstring& title,
                           const std::wstring& link) { notifier->showAlert(text, title, link); });
    database->setSubscriptionFileListener(
        [subscriptions](const std::string& path) { subscriptions->setFile(path); });

    // The "Where Am I?" page. Its Edit and a page asked for an access point
    // without a record lead to the Set-location wizard (setLocation).
    auto* locationPage =
        new LocationPageWindow(instance, LocationPageContext(*database, *settings));

    ApplicationParts parts(*settings, *database, *device, *scanSettings, *clock, *notifier);
    parts.trace = trace;
    parts.locationChanged = [subscriptions](LocationRecord& place) {
        subscriptions->locationChanged(place);
    };
    parts.openLocationPage = [locationPage](const std::wstring& bssid) {
        locationPage->openLocationPage(bssid);
    };
    auto* app = new Application(parts, modulePath(nullptr));
    if (!app->usable()) {
        DestroyWindow(window->handle());
        return 1;
    }

    // The Scanner. Its "Advanced..." and "Upload..." lead to the Options and
    // upload dialogs (options, upload).
    auto* scanner = new ScannerWindow(
        instance,
        ScannerContext(ScannerParts(*device, *database, app->manufacturers(), *scanSettings),
                       *settings));
    scanner->context().showPage = [locationPage](const std::wstring& bssid) {
        locationPage->openLocationPage(bssid);
    };
    locationPage->context().scanner = [scanner] { scanner->open(); };

    // The set-location wizard, opened for an access point by the location page's
    // Edit, and for an access point without a record.
    auto* wizard = new SetLocationContext(instance, *database);
    wizard->scanner = [scanner] { scanner->open(); };
    wizard->saved = [app] { app->placeEdited(); };
    locationPage->context().setLocation = [wizard](const BssidKey& key) {
        openSetLocationWizard(*wizard, key);
    };

    MainWindowActions actions;
    actions.tick = [app] { app->tick(); };
    actions.whereAmI = [app] { app->showWhereAmI(); };
    actions.scanner = [scanner] { scanner->open(); };
    actions.lastStatus = [app] { return app->lastStatus(); };
    // The upload dialog, from the tray's "&Upload..." and the Scanner's "Upload...".
    const std::function<void()> openUpload = [instance, window, uploadContext] {
        openUploadDialog(instance, window->handle(), *uploadContext);
    };
    // The Options dialog, owned by the window it is opened from; the Scanner's
    // "Advanced..." opens it too.
    auto* optionsContext = new OptionsContext{*settings, *database, *device, *subscriptions};
    auto openOptions = [instance, optionsContext](HWND owner) {
        showOptionsDialog(instance, owner, *optionsContext);
    };
    actions.options = [openOptions, window] { openOptions(window->handle()); };
    scanner->context().options = [openOptions, scanner] { openOptions(scanner->open()); };
    auto* subscribeContext = new SubscribeContext{*subscriptions, *database};
    actions.newSubscriptions = [instance, window, subscribeContext] {
        processNewSubscriptions(instance, window->handle(), *subscribeContext);
    };
    actions.upload = openUpload;
    scanner->context().upload = openUpload;
    window->setActions(std::move(actions));

    app->tick();
    processNewSubscriptions(instance, window->handle(), *subscribeContext);

    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (handleDialogKeys(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    const int code = static_cast<int>(message.wParam);

    // Nothing is left to save. Let the web agent finish an exchange under way,
    // but do not keep the user waiting on a server that does not answer.
    auto stopped = std::make_shared<std::atomic<bool>>(false);
    std::thread([agent, stopped] {
        agent->stop();
        *stopped = true;
    }).detach();
    for (int i = 0; i < 40 && !*stopped; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!*stopped)
        ExitProcess(static_cast<UINT>(code));
    return code;
}
