#pragma once
// The Linux program's shell: the program core on the Linux seams (NetworkManager,
// the settings file, libcurl, the secret service), the tray, and the Qt forms of
// the windows the core opens.

#include "app/desktop_windows.h"
#include "app/linux/tray.h"
#include "app/program.h"
#include "app/window_forms.h"
#include "base/linux/autostart.h"
#include "ui/linux/coverage_window.h"
#include "ui/linux/location_window.h"
#include "ui/linux/options_dialog.h"
#include "ui/linux/scanner_window.h"
#include "ui/linux/set_location_window.h"
#include "ui/linux/sharing_window.h"
#include "ui/linux/subscribe_dialog.h"
#include "ui/linux/survey_window.h"
#include "ui/linux/upload_dialog.h"

#include <QDBusConnection>
#include <QDesktopServices>
#include <QUrl>

#include <memory>
#include <string>
#include <utility>

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

// The windows' Qt forms: each dialog stands on its own, and the Options dialog
// starts the program at log-in.
struct QtWindows : WindowForms {
    template <class T, class... Parts> std::unique_ptr<T> make(Parts&&... parts) const {
        return std::make_unique<T>(std::forward<Parts>(parts)...);
    }
    std::unique_ptr<Options> makeOptions(Program& program) const {
        return std::make_unique<Options>(Options{program.settings(), program.database(),
                                                 program.device(), program.subscriptions(),
                                                 *autostart});
    }
    void openUpload(Upload& upload) const { openUploadDialog(upload, nullptr); }
    void openOptions(Options& options, Scanner*) const { openOptionsDialog(options, nullptr); }
    bool offerSubscription(const SubscribeContext& context, const std::wstring& url) const {
        return nearbeam::offerSubscription(context, url, nullptr);
    }
    void openSurvey(Survey& survey) const { openSurveyWindow(survey, nullptr); }
    void showSurveyProgress(Survey& survey) const {
        if (survey.open)
            survey.open->refresh();
    }
    void openLink(const std::wstring& link) const {
        QDesktopServices::openUrl(QUrl(QString::fromStdWString(link)));
    }

    Autostart* autostart;
};

class Shell {
  public:
    explicit Shell(const DesktopSetup& setup);

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

    Program& program() { return program_; }
    Tray& tray() { return *tray_; }
    DesktopWindows<QtWindows>& windows() { return *windows_; }

  private:
    // Without a tray the location page is the main window: it shows the place,
    // or the status while there is none.
    void showMainPage();

    std::string settingsPath_;
    QDBusConnection sessionBus_;
    // Why no access point can be seen (NetworkManager's problem); empty: none.
    std::shared_ptr<std::wstring> blind_ = std::make_shared<std::wstring>();
    Program program_;
    bool hasTray_ = false;
    std::unique_ptr<Tray> tray_;
    std::unique_ptr<Autostart> autostart_;
    std::unique_ptr<DesktopWindows<QtWindows>> windows_;
};

} // namespace nearbeam
