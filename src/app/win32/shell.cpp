#include "app/win32/shell.h"

#include "app/status.h"
#include "base/text.h"
#include "base/win32/module_path.h"
#include "base/win32/protected_password_store.h"
#include "base/win32/registry_settings_store.h"
#include "net/win32/wininet_transport.h"
#include "resource.h"
#include "ui/win32/dialog_keys.h"
#include "ui/win32/messages.h"
#include "wireless/win32/system_drivers.h"

#include <cstdio>
#include <cstdlib>

namespace nearbeam {

namespace {

ProgramSeams seamsOf(HINSTANCE instance, const CommandLine& options, Clock& clock) {
    ProgramSeams seams;
    seams.options = options;
    seams.clock = &clock;
    seams.settings = std::make_unique<RegistrySettingsStore>();
    seams.transport = std::make_unique<WinInetTransport>();
    // The password is kept protected for the current user.
    seams.passwords = [](SettingsStore& settings) {
        return std::make_unique<ProtectedPasswordStore>(settings);
    };
    seams.systemDrivers = [] { return makeSystemWirelessDrivers(); };
    seams.programPath = modulePath(instance);
    seams.showError = [](const std::wstring& text) {
        MessageBoxW(nullptr, text.c_str(), L"Nearbeam", MB_OK | MB_ICONERROR);
    };
    seams.showUploadResult = showUploadResult;
    seams.tellError = [](const std::wstring& text) {
        std::fputs(("nearbeam: " + narrow(text) + "\n").c_str(), stderr);
        std::fflush(stderr);
    };
    return seams;
}

} // namespace

Shell::Shell(HINSTANCE instance, const CommandLine& options, Clock& clock)
    : instance_(instance), program_(seamsOf(instance, options, clock)) {}

bool Shell::start() {
    if (!program_.makeCore())
        return false;
    const std::wstring className = stringText(IDS_CLASS);
    if (!MainWindow::registerClass(instance_, className) ||
        !window_.create(instance_, className, stringText(IDS_TITLE)))
        return false;
    window_.setActions(program_.trayActions());
    const HWND mainWindow = window_.handle();
    program_.postServerAnswers(
        [mainWindow] { PostMessageW(mainWindow, message::ServerAnswered, 0, 0); });
    if (!program_.start(window_)) {
        DestroyWindow(window_.handle());
        return false;
    }
    windows_ = std::make_unique<DesktopWindows<Win32Windows>>(
        program_, Win32Windows{{}, instance_, window_.handle()});
    program_.setWindows(*windows_);
    program_.tick();
    program_.newSubscriptions();
    return true;
}

int Shell::run() {
    MSG message{};
    bool quitPosted = false;
    for (;;) {
        // A fast replay ticks whenever the messages posted so far are handled.
        if (program_.fast() && !PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            if (program_.replayStep())
                continue;
            message.wParam = static_cast<WPARAM>(program_.exitCode());
            break;
        }
        // --survey has recorded its scans (or failed): the program ends.
        if (program_.finished() && !quitPosted) {
            PostQuitMessage(program_.exitCode());
            quitPosted = true;
        }
        if (GetMessageW(&message, nullptr, 0, 0) <= 0)
            break;
        if (handleDialogKeys(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    const int code = static_cast<int>(message.wParam);
    // Nothing is left to save.
    if (!program_.stop(2000))
        std::_Exit(code);
    return code;
}

} // namespace nearbeam
