#pragma once
// The program core both desktop programs run on: it makes the one object of each
// kind from what the platform hands it (settings store, drivers, transport,
// password store, notifier, windows) and owns the program's own rules once: what
// a second start does, private mode, "nothing to upload", where a click on an
// alert leads, and the bounded stop of the web agent.

#include "app/application.h"
#include "app/command_line.h"
#include "app/notifier.h"
#include "app/tick.h"
#include "app/trace.h"
#include "app/tray_actions.h"
#include "base/clock.h"
#include "base/password_store.h"
#include "base/settings_store.h"
#include "locate/location_database.h"
#include "net/http_transport.h"
#include "net/location_download.h"
#include "net/uploader.h"
#include "net/web_agent.h"
#include "services/subscription_list.h"
#include "ui/survey_model.h"
#include "wireless/wireless_device.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace nearbeam {

// What the platform hands the core.
struct ProgramSeams {
    CommandLine options;
    Clock* clock = nullptr;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<HttpTransport> transport;
    // The password store over the settings store.
    std::function<std::unique_ptr<PasswordStore>(SettingsStore&)> passwords;
    // The system's adapter drivers, used unless a scenario is replayed.
    std::function<std::vector<std::unique_ptr<WirelessDriver>>()> systemDrivers;
    // The program file's full path: manufacturers.dat is read beside it.
    std::wstring programPath;
    // The data files' folder, with its separator; empty: "data" beside the program.
    std::string dataFolder;
    // Tells the user why the program cannot start (no window exists yet).
    std::function<void(const std::wstring& text)> showError;
    // An upload's result that no dialog shows.
    Uploader::MessageFunction showUploadResult;
    // A line on standard error, for what a command-line run (--survey) says.
    std::function<void(const std::wstring& text)> tellError;
};

// The windows the core opens (DesktopWindows, on each platform's window types).
class ProgramWindows {
  public:
    virtual ~ProgramWindows() = default;
    // "You Are Here" for a BSSID key (12 hexadecimal digits).
    virtual void openLocationPage(const std::wstring& bssid) = 0;
    virtual void openScanner() = 0;
    virtual void openUpload() = 0;
    virtual void openOptions() = 0;
    virtual void openSurvey() = 0;
    // The survey moved on: an open Survey window shows it.
    virtual void surveyChanged() = 0;
    // One subscription offer; false when it was cut short and is to be kept.
    virtual bool offerSubscription(const std::wstring& url) = 0;
    // A web or mail link, in the user's browser.
    virtual void openLink(const std::wstring& link) = 0;
};

class Program {
  public:
    explicit Program(ProgramSeams seams);
    ~Program(); // stops the web agent unless stop() did
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Another copy runs for this user. A user who started the program again is
    // answered by that copy (askRunningCopy: "Where am I?"); a script that asked
    // for a scenario or a trace is told on standard error (tell) that it did not
    // get them. The exit code.
    static int answerSecondStart(const CommandLine& options,
                                 const std::function<void()>& askRunningCopy,
                                 const std::function<void(const std::string& line)>& tell);

    // The objects that hold no window, then (start) those that show through the
    // platform's notifier. False, after telling the user, when the program
    // cannot run; exitCode() says with which code it ends.
    bool makeCore();
    bool start(Notifier& notifier);
    // The windows the program opens from now on; before the first tick.
    void setWindows(ProgramWindows& windows) { windows_ = &windows; }
    int exitCode() const { return exitCode_; }

    // The tray's timer ticks, except in a fast replay.
    TrayActions trayActions();

    // One tick, and the survey's scan of that tick.
    void tick();

    // A fast replay (--simulate FILE --fast) runs on a clock of its own, which
    // moves only by its ticks; the platform's run loop calls replayStep whenever
    // it has handled its events, instead of ticking by its timer.
    bool fast() const { return seams_.options.fast; }
    // Waits for the web agent's answers to the last tick, then moves the clock on
    // by a tick and runs it. False, without a tick, once the clock is past the
    // scenario's last block by the scan table's maximum age: the replay is over.
    bool replayStep();

    void whereAmI() { app_->showWhereAmI(); }
    // "Upload...": the dialog, or a word that there is nothing to upload.
    void upload();
    void togglePrivateMode();
    bool privateMode() const;
    // The page of the strongest access point for an unrecognised place, else the
    // alert's link (web and mail links only).
    void alertClicked(const std::wstring& link);
    // The offers other programs left in new-subscriptions.txt.
    void newSubscriptions();
    // The wizard saved the place of an access point (and its survey scan): the
    // status shows it at once.
    void placeSaved(const BssidKey&) { app_->placeEdited(); }
    // How the web agent's worker tells the user-interface thread that the map
    // server has answered: post queues a call of showServerAnswer there and
    // returns at once (the worker never waits on that thread). After makeCore,
    // before the first tick.
    void postServerAnswers(std::function<void()> post) {
        download_->setAttemptEnded(std::move(post));
    }
    // The status shows the map server's answer now, not at the next tick.
    void showServerAnswer() {
        if (app_)
            app_->showStatusNow();
    }
    // Whether a click on an alert with this link does something: the page of an
    // unrecognised place, or a web or mail link (alertClicked).
    bool alertLeadsSomewhere(const std::wstring& link) const;

    // The survey of the Survey window and of --survey: one at a time.
    SurveyModel& survey() { return *survey_; }
    // The survey --survey asked for is over (all its scans, or a failure): the
    // run loop ends, with exitCode().
    bool finished() const { return finished_; }

    // Lets an exchange under way finish, for at most waitMs; false when the web
    // agent did not stop in time (the process must then end without destroying
    // this object). Once only.
    bool stop(int waitMs);

    SettingsStore& settings() { return *seams_.settings; }
    PasswordStore& passwords() { return *passwords_; }
    WirelessDevice& device() { return *device_; }
    LocationDatabase& database() { return *database_; }
    WebAgent& agent() { return *agent_; }
    Uploader& uploader() { return *uploader_; }
    ScanSettings& scanSettings() { return scanSettings_; }
    SubscriptionList& subscriptions() { return *subscriptions_; }
    Application& application() { return *app_; }

  private:
    bool makeDevice();
    // --survey: starts recording, or says why not (exit code 1, nothing written).
    bool startCommandLineSurvey();
    void surveyMoved();
    void fail(const std::wstring& text, int code);

    ProgramSeams seams_;
    ManualClock replayClock_;
    Clock* clock_; // the platform's, or in a fast replay the replay's
    uint32_t started_;
    int64_t lastBlockSeconds_ = 0; // of the scenario replayed
    int exitCode_ = 0;
    bool stopCalled_ = false;
    ProgramWindows* windows_ = nullptr;
    Notifier* notifier_ = nullptr; // the platform's, traced when asked
    std::unique_ptr<TraceWriter> trace_;
    std::unique_ptr<WirelessDevice> device_;
    std::unique_ptr<LocationDatabase> database_;
    std::unique_ptr<WebAgent> agent_;
    std::unique_ptr<LocationDownload> download_;
    std::unique_ptr<PasswordStore> passwords_;
    std::unique_ptr<Uploader> uploader_;
    ScanSettings scanSettings_;
    std::unique_ptr<TracingNotifier> tracing_;
    std::unique_ptr<SubscriptionList> subscriptions_;
    std::unique_ptr<Application> app_;
    std::unique_ptr<SurveyModel> survey_;
    bool finished_ = false;
};

} // namespace nearbeam
