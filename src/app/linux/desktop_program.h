#pragma once
// The Linux program's composition root: it makes the one object of each kind the
// program runs on and hands them to each other, as the Windows entry does, with
// the Linux parts in place of the Windows ones (NetworkManager, the settings
// file, the secret service, the tray, the Qt windows).

#include "app/application.h"
#include "app/command_line.h"
#include "app/linux/tray.h"
#include "app/trace.h"
#include "base/lazy.h"
#include "base/linux/autostart.h"
#include "base/linux/secret_password_store.h"
#include "base/settings_store.h"
#include "database/location_database.h"
#include "net/http_transport.h"
#include "net/location_download.h"
#include "net/uploader.h"
#include "net/web_agent.h"
#include "services/subscription_list.h"
#include "ui/linux/location_window.h"
#include "ui/linux/options_dialog.h"
#include "ui/linux/scanner_window.h"
#include "ui/linux/set_location_window.h"
#include "ui/linux/sharing_window.h"
#include "ui/linux/subscribe_dialog.h"
#include "ui/linux/upload_dialog.h"
#include "wireless/wireless_device.h"

#include <QDBusConnection>

#include <functional>
#include <memory>
#include <string>

namespace nearbeam {

struct DesktopSetup {
    CommandLine options;
    std::string settingsPath; // the settings file
    std::string dataFolder;   // the data files, with its separator
    std::string shareFolder;  // manufacturers.dat, images and icons, with its separator
    Clock* clock = nullptr;   // the program's time
    QDBusConnection systemBus = QDBusConnection::systemBus(); // NetworkManager's
    // The desktop's notification service's; none: alerts only as balloons.
    QDBusConnection sessionBus = QDBusConnection(QString());
};

// The dialogs the windows and the tray lead to; each may be left empty (nothing
// opens). Set before start().
struct DesktopDialogs {
    std::function<void()> upload;                     // when there is something to upload
    std::function<void()> options;                    // the Options dialog
    std::function<void(const BssidKey&)> setLocation; // the set-location wizard
    SubscriptionList::OfferHook offerSubscription;    // one subscription offer
};

class DesktopProgram {
  public:
    explicit DesktopProgram(DesktopSetup setup);
    ~DesktopProgram();
    DesktopProgram(const DesktopProgram&) = delete;
    DesktopProgram& operator=(const DesktopProgram&) = delete;

    // Makes every part, shows the tray (or, without a notification area, the
    // location page as the main window), runs the first tick and offers new
    // subscriptions. False, after telling the user, when the program cannot run;
    // exitCode() then says with which code it ends.
    bool start();
    int exitCode() const { return exitCode_; }

    // One tick, as the tray's timer runs it.
    void tick();
    // Offers the subscriptions other programs left in new-subscriptions.txt, each
    // through the subscription dialog; none is taken without it.
    void newSubscriptions();
    // The real dialogs behind the hooks (the tests that do not want them leave
    // the hooks empty). Call before start().
    void useDialogs();

    DesktopDialogs dialogs;
    // Lets an exchange under way finish, for at most waitMs; false when the web
    // agent did not stop in time (the process must then end without destroying
    // this object). Once only.
    bool stop(int waitMs);

    bool hasTray() const { return hasTray_; }
    Tray& tray() { return *tray_; }
    Application& application() { return *app_; }
    LocationPageWindow& locationPage() { return *locationPage_; }
    ScannerWindow& scanner() { return *scanner_; }
    SettingsStore& settings() { return *settings_; }
    LocationDatabase& database() { return *database_; }
    SubscriptionList& subscriptions() { return *subscriptions_; }
    SecretPasswordStore& passwords() { return *passwords_; }
    Uploader& uploader() { return *uploader_; }
    WebAgent& agent() { return *agent_; }
    WirelessDevice& device() { return *device_; }
    SetLocationContext& wizardContext() { return *wizard_; }
    OptionsContext& optionsContext() { return *options_; }
    UploadDialogContext& uploadContext() { return *upload_; }
    SharingHistoryWindow& sharingHistory() { return *sharing_; }

  private:
    bool makeDevice();
    // The windows, each on its first opening: the program at rest has none.
    std::unique_ptr<LocationPageWindow> makeLocationPage();
    std::unique_ptr<ScannerWindow> makeScanner();
    void makeDialogs();
    // Without a tray the location page is the main window: it shows the place,
    // or the status while there is none.
    void showMainPage();
    void error(const std::wstring& text, int code);
    // "Upload...": the dialog, or a word that there is nothing to upload.
    void upload();
    // "&Private mode": turns it on or off.
    void togglePrivateMode();
    static void run(const std::function<void()>& action) {
        if (action)
            action();
    }

    DesktopSetup setup_;
    int exitCode_ = 0;
    bool hasTray_ = false;
    bool stopCalled_ = false;
    std::unique_ptr<TraceWriter> trace_;
    std::unique_ptr<SettingsStore> settings_;
    std::unique_ptr<WirelessDevice> device_;
    std::unique_ptr<LocationDatabase> database_;
    std::unique_ptr<HttpTransport> transport_;
    std::unique_ptr<WebAgent> agent_;
    std::unique_ptr<LocationDownload> download_;
    std::unique_ptr<SecretPasswordStore> passwords_;
    std::unique_ptr<Uploader> uploader_;
    std::unique_ptr<ScanSettings> scanSettings_;
    std::unique_ptr<Tray> tray_;
    std::unique_ptr<TracingNotifier> tracing_;
    std::unique_ptr<SubscriptionList> subscriptions_;
    Lazy<LocationPageWindow> locationPage_{[this] { return makeLocationPage(); }};
    std::unique_ptr<Application> app_;
    Lazy<ScannerWindow> scanner_{[this] { return makeScanner(); }};
    std::unique_ptr<Autostart> autostart_;
    std::unique_ptr<SetLocationContext> wizard_;
    std::unique_ptr<OptionsContext> options_;
    Lazy<SharingHistoryWindow> sharing_{[] { return std::make_unique<SharingHistoryWindow>(); }};
    std::unique_ptr<UploadDialogContext> upload_;
    std::unique_ptr<SubscribeContext> subscribe_;
};

} // namespace nearbeam
