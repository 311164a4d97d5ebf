#include "app/program.h"

#include "base/settings_keys.h"
#include "base/text.h"
#include "ui/link_rule.h"
#include "wireless/simulated_driver.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

namespace nearbeam {

Program::Program(ProgramSeams seams)
    : seams_(std::move(seams)), replayClock_(seams_.clock->tickCount()),
      clock_(seams_.options.fast ? &replayClock_ : seams_.clock), started_(clock_->tickCount()) {}

Program::~Program() {
    if (agent_ && !stopCalled_)
        agent_->stop();
}

int Program::answerSecondStart(const CommandLine& options,
                               const std::function<void()>& askRunningCopy,
                               const std::function<void(const std::string& line)>& tell) {
    if (!options.simulate.empty() || !options.trace.empty() || !options.survey.empty()) {
        tell("Nearbeam is already running.\n");
        return 1;
    }
    askRunningCopy();
    return 0;
}

void Program::fail(const std::wstring& text, int code) {
    seams_.showError(text);
    exitCode_ = code;
}

bool Program::makeCore() {
    Clock& clock = *clock_;
    const CommandLine& options = seams_.options;
    if (!options.trace.empty()) {
        trace_ =
            std::make_unique<TraceWriter>(std::filesystem::path(options.trace), clock, started_);
        if (!trace_->isOpen()) {
            fail(L"The trace file \"" + options.trace + L"\" cannot be written.", 2);
            return false;
        }
    }
    SettingsStore& settings = *seams_.settings;
    if (!makeDevice())
        return false;
    database_ = std::make_unique<LocationDatabase>(settings);
    // Access points the database does not place are asked of the location server
    // (the Server setting) on the web agent's thread.
    agent_ = std::make_unique<WebAgent>(*seams_.transport, clock);
    // Private mode: nothing leaves the computer until it ends.
    agent_->setHold([&settings] { return settings::privateMode(settings); });
    download_ = std::make_unique<LocationDownload>(*agent_, *database_, settings, clock);
    database_->setDownloadService(download_.get());
    // Records made here go to the same server.
    passwords_ = seams_.passwords(settings);
    uploader_ = std::make_unique<Uploader>(*agent_, *database_, settings, *passwords_,
                                           seams_.showUploadResult);
    return true;
}

bool Program::makeDevice() {
    std::vector<std::unique_ptr<WirelessDriver>> drivers;
    const std::wstring& scenario = seams_.options.simulate;
    if (scenario.empty()) {
        drivers = seams_.systemDrivers();
    } else {
        ScenarioLoad load = loadScenario(narrow(scenario));
        if (!load) {
            fail(scenarioRefusalText(scenario, load.describe()), 1);
            return false;
        }
        if (!load.scenario->blocks.empty())
            lastBlockSeconds_ = load.scenario->blocks.back().atSeconds;
        drivers.push_back(std::make_unique<SimulatedDriver>(*clock_, std::move(*load.scenario)));
    }
    device_ = std::make_unique<WirelessDevice>(*seams_.settings, std::move(drivers));
    return true;
}

bool Program::start(Notifier& shown) {
    notifier_ = &shown;
    if (trace_) {
        tracing_ = std::make_unique<TracingNotifier>(shown, *trace_);
        notifier_ = tracing_.get();
    }
    Notifier* notifier = notifier_;
    // Services the user subscribed to hear of every change of place; their
    // messages show as alerts. The database hands the list its file when opened.
    subscriptions_ = std::make_unique<SubscriptionList>(
        *agent_, [notifier](const std::wstring& text, const std::wstring& title,
                            const std::wstring& link) { notifier->showAlert(text, title, link); });
    database_->setSubscriptionFileListener(
        [this](const std::string& path) { subscriptions_->setFile(path); });

    ApplicationParts parts(*seams_.settings, *database_, *device_, scanSettings_, *clock_,
                           *notifier);
    parts.trace = trace_.get();
    parts.locationChanged = [this](LocationRecord& place) {
        subscriptions_->locationChanged(place);
    };
    parts.openLocationPage = [this](const std::wstring& bssid) {
        if (windows_)
            windows_->openLocationPage(bssid);
    };
    parts.dataFolder = seams_.dataFolder;
    app_ = std::make_unique<Application>(parts, seams_.programPath);
    if (!app_->usable()) {
        exitCode_ = 1;
        return false;
    }
    survey_ = std::make_unique<SurveyModel>(
        *database_, [this](const PlaceKey& place) { return app_->keepScan(place); });
    return seams_.options.survey.empty() || startCommandLineSurvey();
}

bool Program::startCommandLineSurvey() {
    const CommandLine& options = seams_.options;
    // The command line was checked for its form; the records are open now.
    std::optional<SurveyRequest> request = surveyPlaceOf(narrow(options.survey));
    if (request) {
        request->count = std::to_string(options.scans);
        if (survey_->record(*request))
            return true;
    }
    if (seams_.tellError)
        seams_.tellError(L"--survey " + options.survey + L": " + survey_->view().message);
    exitCode_ = 1;
    return false;
}

void Program::tick() {
    app_->tick();
    if (survey_->tick(app_->ticks()))
        surveyMoved();
}

void Program::surveyMoved() {
    if (windows_)
        windows_->surveyChanged();
    const SurveyView& view = survey_->view();
    if (seams_.options.survey.empty() || view.state == SurveyState::Recording)
        return;
    finished_ = true;
    if (view.state != SurveyState::Finished) {
        exitCode_ = 1;
        if (seams_.tellError)
            seams_.tellError(view.message);
    }
}

TrayActions Program::trayActions() {
    TrayActions actions;
    if (!fast())
        actions.tick = [this] { tick(); };
    actions.whereAmI = [this] { whereAmI(); };
    actions.serverAnswered = [this] { showServerAnswer(); };
    actions.scanner = [this] { windows_->openScanner(); };
    actions.upload = [this] { upload(); };
    actions.options = [this] { windows_->openOptions(); };
    actions.survey = [this] { windows_->openSurvey(); };
    actions.togglePrivateMode = [this] { togglePrivateMode(); };
    actions.privateMode = [this] { return privateMode(); };
    actions.newSubscriptions = [this] { newSubscriptions(); };
    actions.alertClicked = [this](const std::wstring& link) { alertClicked(link); };
    actions.alertLeadsSomewhere = [this](const std::wstring& link) {
        return alertLeadsSomewhere(link);
    };
    return actions;
}

bool Program::replayStep() {
    // An answer that has not come within a minute comes later, as it would at the
    // normal pace on a slow network.
    agent_->settle(60000);
    const int64_t elapsedMs = static_cast<uint32_t>(clock_->tickCount() - started_);
    if (finished_)
        return false;
    if (elapsedMs > (lastBlockSeconds_ + app_->scanTable().maximumAge()) * 1000) {
        if (!seams_.options.survey.empty()) {
            // The walk is over before the survey: what was recorded stays.
            exitCode_ = 1;
            if (seams_.tellError)
                seams_.tellError(L"The walk ended after " + survey_->view().progress + L".");
        }
        return false;
    }
    replayClock_.advance(kTickMs);
    tick();
    return true;
}

void Program::upload() {
    if (settings::read(*seams_.settings, settings::UploadNeeded) == 0) {
        notifier_->showMessage(L"There is nothing to upload.", L"Nearbeam");
        return;
    }
    windows_->openUpload();
}

bool Program::privateMode() const {
    return settings::privateMode(*seams_.settings);
}

void Program::togglePrivateMode() {
    settings::write(*seams_.settings, settings::PrivateMode, privateMode() ? 0 : 1);
    // The tooltip shows it at once (at the next tick while nothing is in range);
    // what waited goes out when it ends.
    app_->placeEdited();
    agent_->wake();
}

bool Program::alertLeadsSomewhere(const std::wstring& link) const {
    return (app_->lastStatus() & status::kUnrecognisedBit) != 0 || mayOpenInShell(link);
}

void Program::alertClicked(const std::wstring& link) {
    if ((app_->lastStatus() & status::kUnrecognisedBit) != 0) {
        whereAmI();
        return;
    }
    if (mayOpenInShell(link))
        windows_->openLink(link);
}

void Program::newSubscriptions() {
    subscriptions_->processNewSubscriptions(
        [this](const std::wstring& url) { return windows_->offerSubscription(url); });
}

bool Program::stop(int waitMs) {
    if (!agent_ || stopCalled_)
        return true;
    stopCalled_ = true;
    auto stopped = std::make_shared<std::atomic<bool>>(false);
    std::thread([agent = agent_.get(), stopped] {
        agent->stop();
        *stopped = true;
    }).detach();
    for (int waited = 0; waited < waitMs && !*stopped; waited += 50)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return *stopped;
}

} // namespace nearbeam
