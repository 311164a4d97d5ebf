// The program entry of nearbeam.exe and its composition root: it makes the one
// object of each kind the program runs on, hands them to each other, and runs
// the hidden main window's message loop.

#include "app/application.h"
#include "app/command_line.h"
#include "app/trace.h"
#include "app/win32/main_window.h"
#include "base/settings_keys.h"
#include "base/text.h"
#include "base/win32/protected_password_store.h"
#include "base/win32/registry_settings_store.h"
#include "database/location_database.h"
#include "net/location_download.h"
#include "net/uploader.h"
#include "net/web_agent.h"
#include "net/win32/wininet_transport.h"
#include "resource.h"
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

// The program file's full path, however long.
std::wstring programPath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        if (buffer.size() >= 32768)
            return {};
        buffer.resize(buffer.size() * 2);
    }
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

    ApplicationParts parts(*settings, *database, *device, *scanSettings, *clock, *notifier);
    parts.trace = trace;
    auto* app = new Application(parts, programPath());
    if (!app->usable()) {
        DestroyWindow(window->handle());
        return 1;
    }

    MainWindowActions actions;
    actions.tick = [app] { app->tick(); };
    actions.whereAmI = [app] { app->showWhereAmI(); };
    actions.lastStatus = [app] { return app->lastStatus(); };
    // The upload dialog, from the tray's "&Upload..." and the Scanner's "Upload...".
    const std::function<void()> openUpload = [instance, window, uploadContext] {
        openUploadDialog(instance, window->handle(), *uploadContext);
    };
    actions.upload = openUpload;
    window->setActions(std::move(actions));

    app->tick();

    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
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
