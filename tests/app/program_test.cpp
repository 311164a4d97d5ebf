// The program core as both desktop programs run it, on the simulated adapter with
// a clock the test moves: its trace, and the rules it owns once (a second start,
// "nothing to upload", private mode, where a click on an alert leads).

#include "app/program.h"
#include "app/status.h"
#include "base/memory_settings_store.h"
#include "base/settings_keys.h"
#include "base/text.h"
#include "net/fake_transport.h"
#include "support/recording_notifier.h"
#include "support/temp_dir.h"
#include "support/trace_lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>

namespace nearbeam {
namespace {

using test::TraceLine;
using test::traceLines;

// The windows the core opens, recorded.
class RecordedWindows : public ProgramWindows {
  public:
    void openLocationPage(const std::wstring& bssid) override { pages.push_back(bssid); }
    void openScanner() override { opened.push_back("scanner"); }
    void openUpload() override { opened.push_back("upload"); }
    void openOptions() override { opened.push_back("options"); }
    void openSurvey() override { opened.push_back("survey"); }
    void surveyChanged() override { ++surveyChanges; }
    bool offerSubscription(const std::wstring& url) override {
        offers.push_back(url);
        return true;
    }
    void openLink(const std::wstring& link) override { links.push_back(link); }

    std::vector<std::wstring> pages, offers, links;
    std::vector<std::string> opened;
    int surveyChanges = 0;
};

class ProgramTest : public ::testing::Test {
  protected:
    ProgramTest() {
        std::filesystem::create_directories(home.path() / "data");
        data("country.txt", "1\tNorway\t0\n");
        data("province.txt", "2\t1\tVestland\t0\n");
        data("city.txt", "3\t2\tBergen\t0\n");
        data("building.txt", "10\t0\t3\tLibrary\tMain St 1\t0\n"
                             "11\t0\t3\tNorthern Faculty Building of Mathematics and Natural "
                             "Sciences\t\t0\n");
        data("ap.txt", "0011223344a1\t10\t0\t2\tDesk\t0\n"
                       "0011223344a2\t11\t0\t\tGreat Auditorium\t0\n");
        data("apchecked.txt", "0011223344c1\n");
    }
    void data(const std::string& name, const std::string& bytes) {
        home.write("data/" + name, bytes);
    }

    // The program on a scenario, with a fixed calibration (quality = (signal + 90)
    // * 100 / 60) and a location server nobody answers at; started, or none.
    std::unique_ptr<Program> start(const std::string& scenario, bool traced = true,
                                   bool fast = false) {
        home.write("walk.txt", scenario);
        ProgramSeams seams;
        seams.options.simulate = widen(home.file("walk.txt"));
        seams.options.fast = fast;
        if (traced)
            seams.options.trace = widen(home.file("trace.txt"));
        seams.clock = &clock;
        auto settings = std::make_unique<MemorySettingsStore>();
        settings::write(*settings, settings::RssiMin, -90);
        settings::write(*settings, settings::RssiMax, -30);
        settings::write(*settings, settings::Server, std::wstring(L"127.0.0.1:9"));
        seams.settings = std::move(settings);
        auto fake = std::make_unique<test::FakeTransport>();
        transport = fake.get();
        seams.transport = std::move(fake);
        seams.passwords = [](SettingsStore& store) {
            return std::make_unique<PlainPasswordStore>(store);
        };
        seams.systemDrivers = [] { return std::vector<std::unique_ptr<WirelessDriver>>(); };
        seams.programPath = widen(home.file("nearbeam"));
        seams.dataFolder = home.folder() + "data" + home.folder().back();
        seams.showError = [this](const std::wstring& text) { errors.push_back(text); };
        seams.showUploadResult = [](const std::wstring&) {};
        auto program = std::make_unique<Program>(std::move(seams));
        if (!program->makeCore() || !program->start(notifier))
            return nullptr;
        program->setWindows(windows);
        return program;
    }
    // The next tick, ten seconds on.
    void tick(Program& program) {
        clock.advance(10000);
        program.tick();
    }
    // The trace's lines of one kind, without their time.
    std::vector<TraceLine> trace(const std::string& kind) {
        return traceLines(home.read("trace.txt"), kind);
    }

    test::TempDir home;
    test::FakeTransport* transport = nullptr; // the started program's
    ManualClock clock{1000};
    RecordingNotifier notifier;
    RecordedWindows windows;
    std::vector<std::wstring> errors;
};

// The small town of the Windows program's own end-to-end test, and its lines.
TEST_F(ProgramTest, TheTraceOfEachScenario) {
    const std::string library = "You are at Library, Desk (2nd floor)";
    const std::string faculty =
        "Northern Faculty Building of Mathematics and Natural Sciences, Great Auditorium";
    const struct {
        const char* scenario;
        TraceLine firstTick;
        std::vector<TraceLine> tooltips;
        std::optional<std::vector<TraceLine>> alerts; // none: not looked at
    } cases[] = {
        {"at 0\n",
         {"tick", "384", "I am lost (no wireless signal available)"},
         {{"tooltip", "124", "I am lost (no wireless signal available)"}},
         std::vector<TraceLine>{}},
        {"at 0\nap 00:11:22:33:44:a1 -40 2437000 infra wep \"Campus\"\n",
         {"tick", "8192", library},
         {{"tooltip", "122", library}},
         std::vector<TraceLine>{{"alert", "Your location...", library, ""}}},
        {"at 0\nap 00:11:22:33:44:a1 -60 2437000 infra open \"Campus\"\n",
         {"tick", "8192", "You are near Library, Desk (2nd floor)"},
         {{"tooltip", "122", "You are near Library, Desk (2nd floor)"}},
         std::vector<TraceLine>{}},
        // A router nobody placed yet, a little stronger than the library's own.
        {"at 0\nap 00:11:22:33:44:e1 -35 2437000 infra open \"New\"\n"
         "ap 00:11:22:33:44:a1 -40 2437000 infra wep \"Campus\"\n",
         {"tick", "8192", library},
         {{"tooltip", "122", library}},
         std::vector<TraceLine>{{"alert", "Your location...", library, ""}}},
        {"at 0\nap 00:11:22:33:44:c1 -40 2437000 infra open \"Cafe\"\n",
         {"tick", "16384", "I'm curious, where are we?"},
         {{"tooltip", "123", "I'm curious, where are we?"}},
         std::nullopt},
        {"at 0\nap 00:11:22:33:44:a2 -40 2437000 infra open \"\"\n",
         {"tick", "8192", faculty},
         {{"tooltip", "122", faculty.substr(0, 63)}},
         std::nullopt},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(home.path() / "trace.txt");
        auto program = start(c.scenario);
        ASSERT_TRUE(program) << c.scenario;
        tick(*program);
        tick(*program);
        ASSERT_FALSE(trace("tick").empty()) << c.scenario;
        EXPECT_EQ(trace("tick")[0], c.firstTick) << c.scenario;
        EXPECT_EQ(trace("tooltip"), c.tooltips) << c.scenario;
        if (c.alerts) {
            EXPECT_EQ(trace("alert"), *c.alerts) << c.scenario;
        }
        program->stop(2000);
    }
}

// The demo walk replayed at full speed tells what it tells at the normal pace, on
// the scenario's clock, and ends once the walk's last access points have aged out.
TEST_F(ProgramTest, AFastReplayOfTheDemoWalkTracesWhatTheNormalPaceDoes) {
    std::ifstream walkFile(NEARBEAM_SOURCE_DIR "/data/demo/walk.txt");
    const std::string walk((std::istreambuf_iterator<char>(walkFile)), {});
    auto run = [&](bool fast) {
        std::filesystem::remove_all(home.path() / "data");
        std::filesystem::copy(NEARBEAM_SOURCE_DIR "/data/demo/data", home.path() / "data");
        std::filesystem::remove(home.path() / "trace.txt");
        auto program = start(walk, true, fast);
        EXPECT_TRUE(program);
        if (!program)
            return std::vector<std::pair<uint32_t, std::string>>();
        program->tick(); // the shell's first tick
        if (fast) {
            const uint32_t before = clock.tickCount();
            int steps = 0;
            while (program->replayStep())
                ++steps;
            // The last block is at 530 s and the scan table keeps an access point for
            // 120 s: the replay ends after the first tick past 650 s.
            EXPECT_EQ(steps, 66);
            EXPECT_EQ(clock.tickCount(), before) << "the fast replay keeps a clock of its own";
        } else {
            for (int second = 10; second <= 660; second += 10) {
                program->agent().settle(60000);
                tick(*program);
            }
        }
        program->agent().settle(60000);
        // Nothing on the walk moves.
        std::istringstream blocks(walk);
        for (std::string line; std::getline(blocks, line);) {
            if (line.rfind("ap ", 0) != 0)
                continue;
            std::string digits = line.substr(3, 17);
            digits.erase(std::remove(digits.begin(), digits.end(), ':'), digits.end());
            EXPECT_FALSE(program->database().moving().isMoving(*BssidKey::fromText(digits)))
                << line;
        }
        program->stop(2000);
        // Each line as its time and the rest. Which stage a download the tick asked
        // for has reached when the tick ends is the web agent's race at either pace:
        // a tick during a download is kept as such, the tooltip that shows its stage
        // is left out.
        std::vector<std::pair<uint32_t, std::string>> lines;
        std::istringstream text(home.read("trace.txt"));
        bool downloading = false;
        for (std::string line; std::getline(text, line);) {
            const size_t tab = line.find('\t');
            std::string rest = line.substr(tab + 1);
            if (rest.rfind("tooltip\t", 0) == 0 && downloading)
                continue;
            downloading = false;
            if (rest.rfind("tick\t", 0) == 0) {
                const auto value = static_cast<LookupStatus>(std::stoul(rest.substr(5)));
                downloading = (value & status::kRequestBit) != 0 || value == lookup_status::Idle;
                if (downloading)
                    rest = "tick\tdownload";
            }
            lines.emplace_back(static_cast<uint32_t>(std::stoul(line.substr(0, tab))), rest);
        }
        return lines;
    };
    const auto normal = run(false);
    const auto fast = run(true);
    ASSERT_EQ(fast.size(), normal.size());
    uint32_t ticks = 0;
    for (size_t i = 0; i < fast.size(); ++i) {
        EXPECT_EQ(fast[i].second, normal[i].second) << "line " << i;
        if (fast[i].second.rfind("tick\t", 0) == 0) {
            EXPECT_EQ(fast[i].first, ticks * kTickMs) << fast[i].second;
            ++ticks;
        }
    }
    EXPECT_EQ(ticks, 67u);
    // Where the walk's story turns: the bus stop's hotspot, far stronger than
    // the library's access points, is asked of the server, then unknown; entering
    // the science building while the hotspot fades, the known ones name it.
    const std::pair<uint32_t, const char*> turns[] = {
        {70000, "tick\t8192\tLibrary, Map collection (2nd floor)"},
        {80000, "tick\tdownload"},
        {90000, "tick\t16384\tI don't recognize this place."},
        {120000, "tick\t8192\tScience Building, Lecture hall\tfloors close: 3rd floor at 50 %"},
        {130000, "tick\t8192\tScience Building, Physics lab (3rd floor)"},
        {230000, "tick\t16384\tI'm curious, where are we?"},
    };
    for (const auto& [time, expected] : turns) {
        const auto found = std::find_if(normal.begin(), normal.end(), [&](const auto& line) {
            return line.first == time && line.second.rfind("tick\t", 0) == 0;
        });
        ASSERT_NE(found, normal.end()) << time;
        EXPECT_EQ(found->second, expected) << time;
    }
}

TEST_F(ProgramTest, ASecondStartIsAnsweredByTheRunningCopyUnlessAScriptAskedForMore) {
    const struct {
        const wchar_t* simulate;
        const wchar_t* trace;
        const wchar_t* survey;
        int code;
        bool asked;
    } cases[] = {{L"", L"", L"", 0, true},
                 {L"walk.txt", L"", L"", 1, false},
                 {L"", L"trace.txt", L"", 1, false},
                 {L"", L"", L"Library/2/Desk", 1, false}};
    for (const auto& c : cases) {
        CommandLine options;
        options.simulate = c.simulate;
        options.trace = c.trace;
        options.survey = c.survey;
        bool asked = false;
        std::string told;
        EXPECT_EQ(
            Program::answerSecondStart(
                options, [&] { asked = true; }, [&](const std::string& line) { told = line; }),
            c.code);
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(told, c.asked ? "" : "Nearbeam is already running.\n");
    }
}

TEST_F(ProgramTest, AScenarioOrTraceThatCannotBeUsedEndsTheProgramWithItsCode) {
    ProgramSeams seams;
    seams.clock = &clock;
    seams.options.simulate = widen(home.file("missing.txt"));
    seams.settings = std::make_unique<MemorySettingsStore>();
    seams.showError = [this](const std::wstring& text) { errors.push_back(text); };
    Program program(std::move(seams));
    EXPECT_FALSE(program.makeCore());
    EXPECT_EQ(program.exitCode(), 1);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind(L"The scenario file \"", 0), 0u);

    ProgramSeams traced;
    traced.clock = &clock;
    traced.options.trace = widen(home.file("no such folder/trace.txt"));
    traced.showError = [this](const std::wstring& text) { errors.push_back(text); };
    Program unwritable(std::move(traced));
    EXPECT_FALSE(unwritable.makeCore());
    EXPECT_EQ(unwritable.exitCode(), 2);
    EXPECT_EQ(errors.size(), 2u);
}

TEST_F(ProgramTest, UploadSaysWhenThereIsNothingToUpload) {
    auto program = start("at 0\n");
    ASSERT_TRUE(program);
    program->trayActions().upload();
    ASSERT_EQ(notifier.messages().size(), 1u);
    EXPECT_EQ(notifier.messages()[0].text, L"There is nothing to upload.");
    EXPECT_EQ(notifier.messages()[0].caption, L"Nearbeam");
    EXPECT_TRUE(windows.opened.empty());
    program->database().setUploadNeeded(true);
    program->trayActions().upload();
    EXPECT_EQ(windows.opened, std::vector<std::string>{"upload"});
    program->stop(2000);
}

// "Survey..." opens the window; the survey takes one scan a tick, stored at
// once, and the window hears of each.
TEST_F(ProgramTest, TheSurveyRecordsOneScanATickAndTellsTheWindow) {
    auto program = start("at 0\nap 00:11:22:33:44:a1 -60 2437000 infra open \"Campus\"\n");
    ASSERT_TRUE(program);
    program->trayActions().survey();
    EXPECT_EQ(windows.opened, std::vector<std::string>{"survey"});
    tick(*program);
    EXPECT_EQ(program->application().currentPlace(), (PlaceKey{10, "2", "Desk"}));
    ASSERT_TRUE(program->survey().record({"Library", "2", "Desk", "2"}));
    tick(*program);
    const std::string line = home.read("data/scans.txt");
    EXPECT_EQ(line.substr(0, 12), "10\t2\tDesk\t3\t");
    EXPECT_EQ(line.substr(12 + 20), "\t0011223344a1:-60\r\n"); // after the time
    tick(*program);
    tick(*program);
    EXPECT_EQ(program->survey().view().state, SurveyState::Finished);
    EXPECT_EQ(windows.surveyChanges, 2);
    EXPECT_FALSE(program->finished()); // the window's survey does not end the program
    program->stop(2000);
}

TEST_F(ProgramTest, PrivateModeIsSwitchedAndShownAtOnce) {
    auto program = start("at 0\nap 00:11:22:33:44:a1 -60 2437000 infra open \"Campus\"\n");
    ASSERT_TRUE(program);
    tick(*program);
    const TrayActions actions = program->trayActions();
    actions.togglePrivateMode();
    EXPECT_TRUE(actions.privateMode());
    EXPECT_EQ(settings::read(program->settings(), settings::PrivateMode), 1);
    const std::wstring shown = notifier.statuses().back().tooltip;
    EXPECT_EQ(shown, L"You are near Library, Desk (2nd floor) (private)");
    actions.togglePrivateMode();
    EXPECT_FALSE(actions.privateMode());
    EXPECT_EQ(notifier.statuses().back().tooltip, L"You are near Library, Desk (2nd floor)");
    program->stop(2000);
}

TEST_F(ProgramTest, TheServersAnswerIsShownWhenItArrivesNotAtTheNextTick) {
    auto program = start("at 0\nap 00:11:22:33:44:b1 -50 2437000 infra open \"Campus\"\n");
    ASSERT_TRUE(program);
    std::mutex mutex;
    std::condition_variable changed;
    bool released = false;
    int posted = 0;
    // The answer waits until the tick has shown the search, so the two never race.
    transport->duringAttempt = [&] {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return released; });
    };
    transport->queue([] {
        test::FakeReply answer;
        answer.chunks = {"- aps\n0011223344b1\t10\t0\t1\tReading room\n- end\n"};
        return answer;
    }());
    program->postServerAnswers([&] {
        std::lock_guard<std::mutex> lock(mutex);
        ++posted;
        changed.notify_all();
    });
    tick(*program);
    const std::wstring searching = notifier.statuses().back().tooltip;
    EXPECT_EQ(searching.find(L"Library"), std::wstring::npos) << searching; // still asking
    {
        std::unique_lock<std::mutex> lock(mutex);
        released = true;
        changed.notify_all();
        // Bounded only so that a missing post fails rather than hangs.
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(30), [&] { return posted > 0; }));
    }
    // Posted, not shown from the worker's thread: the tooltip waits for the call.
    EXPECT_EQ(notifier.statuses().back().tooltip, searching);
    program->showServerAnswer();
    EXPECT_EQ(notifier.statuses().back().tooltip, L"Library, Reading room (1st floor)");
    EXPECT_EQ(posted, 1);
    program->stop(2000);
}

TEST_F(ProgramTest, AClickOnAnAlertOpensItsWebLinkOrTheUnrecognisedPlacesPage) {
    const struct {
        const char* ap; // the strongest access point
        const wchar_t* link;
        std::vector<std::wstring> links;
        std::vector<std::wstring> pages;
    } cases[] = {
        {"a1", L"http://s.example/a", {L"http://s.example/a"}, {}},
        {"a1", L"mailto:x@example.org", {L"mailto:x@example.org"}, {}},
        {"a1", L"file:///etc/passwd", {}, {}},
        {"a1", L"", {}, {}},
        // An unrecognised place: the page of the strongest access point, not the link.
        {"c1", L"https://s.example/c", {}, {L"0011223344c1"}},
    };
    for (const auto& c : cases) {
        auto program = start(std::string("at 0\nap 00:11:22:33:44:") + c.ap +
                                 " -40 2437000 infra open \"Campus\"\n",
                             false);
        ASSERT_TRUE(program);
        tick(*program);
        windows = RecordedWindows();
        program->trayActions().alertClicked(c.link);
        EXPECT_EQ(windows.links, c.links) << c.ap;
        EXPECT_EQ(windows.pages, c.pages) << c.ap;
        program->stop(2000);
    }
}

} // namespace
} // namespace nearbeam
