// The program entry of nearbeam.exe and its composition root: it makes the one
// object of each kind the program runs on, hands them to each other, and runs
// the hidden main window's message loop.

#include "app/application.h"
#include "app/command_line.h"
#include "app/trace.h"
#include "app/win32/main_window.h"
#include "app/win32/single_instance.h"
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
#include "ui/win32/dialog_keys.h"
#include "ui/win32/location_page_window.h"
#include "ui/win32/options_dialog.h"
#include "ui/win32/scanner_window.h"
#include "ui/win32/sharing_window.h"
#include "ui/win32/subscription_dialog.h"
#include "ui/win32/upload_dialog.h"
#include "ui/win32/wizard_window.h"
#include "wireless/simulated_driver.h"
#include "wireless/win32/system_drivers.h"
#include "wireless/wireless_device.h"

#include <windows.h>

#include <shellapi.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
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

// Another copy runs for this user. A user who started the program again is
// answered by that copy ("Where am I?"); a script that asked for a scenario or a
// trace is told it did not get them.
int handOverToRunningCopy(HINSTANCE instance, const CommandLine& options) {
    if (!options.simulate.empty() || !options.trace.empty()) {
        writeToStandardError("Nearbeam is already running.\n");
        return 1;
    }
    handOver(loadString(instance, IDS_CLASS), loadString(instance, IDS_TITLE), IDM_WHERE_AM_I,
             3000);
    return 0;
}

// The objects the program runs on that hold no window. Process-wide: made once
// and never destroyed, since the web agent's thread may still be using them while
// the process ends.
struct Core {
    SteadyClock* clock = nullptr;
    TraceWriter* trace = nullptr;
    RegistrySettingsStore* settings = nullptr;
    WirelessDevice* device = nullptr;
    LocationDatabase* database = nullptr;
    WebAgent* agent = nullptr;
    ProtectedPasswordStore* passwords = nullptr;
    Uploader* uploader = nullptr;
    ScanSettings* scanSettings = nullptr;
};

// What the windows need between them once they are made.
struct Program {
    MainWindow* window = nullptr;
    Application* app = nullptr;
    SubscriptionList* subscriptions = nullptr;
    LocationPageWindow* locationPage = nullptr;
    SubscribeContext* subscribe = nullptr;
};

// An exit code when the program cannot start (the user was told why).
std::optional<int> makeCore(const CommandLine& options, SteadyClock& clock, uint32_t started,
                            Core& core) {
    core.clock = &clock;
    if (!options.trace.empty()) {
        core.trace = new TraceWriter(std::filesystem::path(options.trace), clock, started);
        if (!core.trace->isOpen()) {
            showError(L"The trace file \"" + options.trace + L"\" cannot be written.");
            return 2;
        }
    }
    core.settings = new RegistrySettingsStore;
    std::vector<std::unique_ptr<WirelessDriver>> drivers;
    if (!makeDrivers(options, clock, drivers))
        return 1;
    core.device = new WirelessDevice(*core.settings, std::move(drivers));
    core.database = new LocationDatabase(*core.settings);
    // Access points the database does not place are asked of the location server
    // (the Server setting) on the web agent's thread.
    auto* transport = new WinInetTransport;
    core.agent = new WebAgent(*transport, clock);
    // Private mode: nothing leaves the computer until it ends.
    core.agent->setHold([store = core.settings] { return settings::privateMode(*store); });
    auto* download = new LocationDownload(*core.agent, *core.database, *core.settings, clock);
    core.database->setDownloadService(download);
    // Records made here go to the same server; the password is kept protected.
    core.passwords = new ProtectedPasswordStore(*core.settings);
    core.uploader = new Uploader(*core.agent, *core.database, *core.settings, *core.passwords,
                                 showUploadResult);
    core.scanSettings = new ScanSettings;
    return std::nullopt;
}

// The hidden main window with the tray icon, and the application on it. An exit
// code when they cannot be made.
std::optional<int> makeMainWindow(HINSTANCE instance, Core& core, Program& program) {
    const std::wstring title = loadString(instance, IDS_TITLE);
    const std::wstring className = loadString(instance, IDS_CLASS);
    if (!MainWindow::registerClass(instance, className))
        return 0;
    auto* window = new MainWindow;
    if (!window->create(instance, className, title))
        return 0;
    program.window = window;

    Notifier* notifier = &window->notifier();
    if (core.trace)
        notifier = new TracingNotifier(*notifier, *core.trace);

    // Services the user subscribed to hear of every change of place; their
    // messages show as alerts. The database hands the list its file when opened.
    auto* subscriptions = new SubscriptionList(
        *core.agent,
        [notifier](const std::wstring& text, const std::wstring& title, const std::wstring& link) {
            notifier->showAlert(text, title, link);
        });
    core.database->setSubscriptionFileListener(
        [subscriptions](const std::string& path) { subscriptions->setFile(path); });

    // "You Are Here". Its Edit and a page asked for an access point without a
    // record lead to the wizard "Where Am I?" (setLocation).
    auto* locationPage =
        new LocationPageWindow(instance, LocationPageContext(*core.database, *core.settings));

    ApplicationParts parts(*core.settings, *core.database, *core.device, *core.scanSettings,
                           *core.clock, *notifier);
    parts.trace = core.trace;
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
    program.app = app;
    program.subscriptions = subscriptions;
    program.locationPage = locationPage;
    return std::nullopt;
}

// The windows and dialogs the tray's commands open, and the ways between them.
void makeToolWindows(HINSTANCE instance, Core& core, Program& program) {
    MainWindow* window = program.window;
    Application* app = program.app;
    LocationPageWindow* locationPage = program.locationPage;

    // "WiFi Scanner". Its "Advanced..." and "Upload..." lead to the Options and
    // upload dialogs (options, upload).
    auto* scanner = new ScannerWindow(
        instance, ScannerContext(ScannerParts(*core.device, *core.database, app->manufacturers(),
                                              *core.scanSettings),
                                 *core.settings));
    scanner->context().showPage = [locationPage](const std::wstring& bssid) {
        locationPage->openLocationPage(bssid);
    };
    locationPage->context().scanner = [scanner] { scanner->open(); };

    // The wizard "Where Am I?", opened for an access point by the location page's
    // Edit, and for an access point without a record.
    auto* wizard = new SetLocationContext(instance, *core.database);
    wizard->scanner = [scanner] { scanner->open(); };
    wizard->saved = [app](const BssidKey& key) { app->placeSaved(key); };
    locationPage->context().setLocation = [wizard](const BssidKey& key) {
        openSetLocationWizard(*wizard, key);
    };

    MainWindowActions actions;
    actions.tick = [app] { app->tick(); };
    actions.whereAmI = [app] { app->showWhereAmI(); };
    actions.scanner = [scanner] { scanner->open(); };
    actions.lastStatus = [app] { return app->lastStatus(); };
    // The upload dialog, from the tray's "&Upload..." and the Scanner's "Upload...".
    auto* uploadContext = new UploadDialogContext{*core.uploader, *core.settings, *core.passwords};
    const std::function<void()> openUpload = [instance, window, uploadContext] {
        openUploadDialog(instance, window->handle(), *uploadContext);
    };
    // The Options dialog, owned by the window it is opened from; the Scanner's
    // "Advanced..." opens it too.
    auto* optionsContext =
        new OptionsContext{*core.settings, *core.database, *core.device, *program.subscriptions};
    auto* sharing = new SharingHistoryWindow(instance);
    optionsContext->sharingHistory = [sharing, subscriptions = program.subscriptions] {
        sharing->open(subscriptions->sharingLogPath());
    };
    auto openOptions = [instance, optionsContext](HWND owner) {
        showOptionsDialog(instance, owner, *optionsContext);
    };
    actions.options = [openOptions, window] { openOptions(window->handle()); };
    scanner->context().options = [openOptions, scanner] { openOptions(scanner->open()); };
    program.subscribe = new SubscribeContext{*program.subscriptions, *core.database};
    actions.newSubscriptions = [instance, window, subscribe = program.subscribe] {
        processNewSubscriptions(instance, window->handle(), *subscribe);
    };
    actions.upload = openUpload;
    // Private mode: the tooltip shows it at once; what waited goes out when it ends.
    actions.privateMode = [store = core.settings] { return settings::privateMode(*store); };
    actions.togglePrivateMode = [store = core.settings, app, agent = core.agent] {
        settings::write(*store, settings::PrivateMode, settings::privateMode(*store) ? 0 : 1);
        app->placeEdited();
        agent->wake();
    };
    scanner->context().upload = openUpload;
    window->setActions(std::move(actions));
}

// Until WM_QUIT; its code.
int runMessageLoop() {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (handleDialogKeys(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

// Nothing is left to save. Lets the web agent finish an exchange under way, but
// does not keep the user waiting on a server that does not answer.
void stopAgent(WebAgent& agent, int code) {
    auto stopped = std::make_shared<std::atomic<bool>>(false);
    std::thread([&agent, stopped] {
        agent.stop();
        *stopped = true;
    }).detach();
    for (int i = 0; i < 40 && !*stopped; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!*stopped)
        ExitProcess(static_cast<UINT>(code));
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    auto* clock = new SteadyClock;
    const uint32_t started = clock->tickCount();

    std::wstring problem;
    const std::optional<CommandLine> options = parseCommandLine(arguments(), problem);
    if (!options) {
        showError(problem + L"\n\n" + usageText());
        return 2;
    }
    if (options->request != CommandLine::Request::Run) {
        const bool help = options->request == CommandLine::Request::Help;
        MessageBoxW(nullptr, (help ? usageText() : versionText()).c_str(), L"Nearbeam",
                    MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    // Before any data file, driver or window is made: one copy per user.
    if (!claimInstance())
        return handOverToRunningCopy(instance, *options);
    Core core;
    if (const std::optional<int> failed = makeCore(*options, *clock, started, core))
        return *failed;
    Program program;
    if (const std::optional<int> failed = makeMainWindow(instance, core, program))
        return *failed;
    makeToolWindows(instance, core, program);

    program.app->tick();
    processNewSubscriptions(instance, program.window->handle(), *program.subscribe);
    const int code = runMessageLoop();
    stopAgent(*core.agent, code);
    return code;
}
