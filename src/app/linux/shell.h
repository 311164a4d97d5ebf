#pragma once
// The Linux program's shell: the program core on the Linux seams (NetworkManager,
// the settings file, libcurl, the secret service), the tray, and the Qt windows
// the core opens.

#include "app/linux/tray.h"
#include "app/program.h"
#include "base/lazy.h"
#include "base/linux/autostart.h"
#include "ui/linux/location_window.h"
#include "ui/linux/options_dialog.h"
#include "ui/linux/scanner_window.h"
#include "ui/linux/set_location_window.h"
#include "ui/linux/sharing_window.h"
#include "ui/linux/subscribe_dialog.h"
#include "ui/linux/upload_dialog.h"

#include <QDBusConnection>

#include <memory>
#include <string>

namespace nearbeam {

struct DesktopSetup {
    CommandLine options;
    std::string settingsPath; // the settings file
    std::string dataFolder;   // the data files, with its separator
    std::string shareFolder;  // manufacturers.dat, with its separator
    Clock* clock = nullptr;   // the program's time
    QDBusConnection systemBus = QDBusConnection::systemBus(); // NetworkManager's
    // The desktop's notification service's; none: alerts only as balloons.
    QDBusConnection sessionBus = QDBusConnection(QString());
};

// The user's program: the settings file and the data files in the XDG folders,
// manufacturers.dat beside the program or in the install's share folder, the
// session bus for the alerts. False (the user was told) when there is no home
// folder.
bool userSetup(DesktopSetup& setup, const CommandLine& options, Clock& clock);

class Shell : public ProgramWindows {
  public:
    explicit Shell(const DesktopSetup& setup);
    ~Shell() override;

    // Makes the program and its windows, shows the tray (or, without a
    // notification area, the location page as the main window), runs the first
    // tick and offers new subscriptions. False, after telling the user, when the
    // program cannot run; program().exitCode() then says with which code it ends.
    bool start();
    // One tick, as the tray's timer runs it.
    void tick();
    // Until Exit or a quit signal; the exit code. The web agent may finish an
    // exchange under way, but the user is not kept waiting on a silent server.
    int run();

    void openLocationPage(const std::wstring& bssid) override {
        locationPage_->openLocationPage(bssid);
    }
    void openScanner() override { scanner_->open(); }
    void openUpload() override { openUploadDialog(*upload_, nullptr); }
    void openOptions() override { openOptionsDialog(*options_, nullptr); }
    bool offerSubscription(const std::wstring& url) override;
    void openLink(const std::wstring& link) override;

    Program& program() { return program_; }
    Tray& tray() { return *tray_; }
    LocationPageWindow& locationPage() { return *locationPage_; }
    ScannerWindow& scanner() { return *scanner_; }
    SetLocationContext& wizardContext() { return *wizard_; }
    OptionsContext& optionsContext() { return *options_; }
    UploadDialogContext& uploadContext() { return *upload_; }
    SharingHistoryWindow& sharingHistory() { return *sharing_; }

  private:
    void makeDialogs();
    // The windows, each on its first opening: the program at rest has none.
    std::unique_ptr<LocationPageWindow> makeLocationPage();
    std::unique_ptr<ScannerWindow> makeScanner();
    // Without a tray the location page is the main window: it shows the place,
    // or the status while there is none.
    void showMainPage();

    std::string settingsPath_;
    QDBusConnection sessionBus_;
    Program program_;
    bool hasTray_ = false;
    std::unique_ptr<Tray> tray_;
    Lazy<LocationPageWindow> locationPage_{[this] { return makeLocationPage(); }};
    Lazy<ScannerWindow> scanner_{[this] { return makeScanner(); }};
    std::unique_ptr<Autostart> autostart_;
    std::unique_ptr<SetLocationContext> wizard_;
    std::unique_ptr<OptionsContext> options_;
    Lazy<SharingHistoryWindow> sharing_{[] { return std::make_unique<SharingHistoryWindow>(); }};
    std::unique_ptr<UploadDialogContext> upload_;
    std::unique_ptr<SubscribeContext> subscribe_;
};

} // namespace nearbeam
