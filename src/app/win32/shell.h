#pragma once
// The Windows program's shell: the program core on the Windows seams (the
// registry, the system's adapter drivers, WinInet, the protected password), the
// hidden main window with the tray icon, and the windows the core opens.

#include "app/program.h"
#include "app/win32/main_window.h"
#include "ui/win32/location_window.h"
#include "ui/win32/options_dialog.h"
#include "ui/win32/scanner_window.h"
#include "ui/win32/set_location_window.h"
#include "ui/win32/sharing_window.h"
#include "ui/win32/subscribe_dialog.h"
#include "ui/win32/upload_dialog.h"

#include <windows.h>

#include <memory>

namespace nearbeam {

class Shell : public ProgramWindows {
  public:
    Shell(HINSTANCE instance, const CommandLine& options, Clock& clock);

    // Makes the program, the main window and the windows, runs the first tick
    // and offers new subscriptions. False, after telling the user, when the
    // program cannot run; program().exitCode() then says with which code it ends.
    bool start();
    // Until Exit; the exit code. The web agent may finish an exchange under way,
    // but the user is not kept waiting on a server that does not answer.
    int run();

    void openLocationPage(const std::wstring& bssid) override {
        locationPage_->openLocationPage(bssid);
    }
    void openScanner() override { scanner_->open(); }
    void openUpload() override { openUploadDialog(instance_, window_.handle(), *upload_); }
    void openOptions() override { openOptionsDialog(instance_, window_.handle(), *options_); }
    bool offerSubscription(const std::wstring& url) override;
    void openLink(const std::wstring& link) override;

    Program& program() { return program_; }

  private:
    void makeWindows();

    HINSTANCE instance_;
    Program program_;
    MainWindow window_;
    std::unique_ptr<LocationPageWindow> locationPage_;
    std::unique_ptr<ScannerWindow> scanner_;
    std::unique_ptr<SetLocationContext> wizard_;
    std::unique_ptr<UploadDialogContext> upload_;
    std::unique_ptr<OptionsContext> options_;
    std::unique_ptr<SharingHistoryWindow> sharing_;
    std::unique_ptr<SubscribeContext> subscribe_;
};

} // namespace nearbeam
