// The Survey window's decisions, over real records and a scan taker the test
// scripts (the program's own taker is tested with the --survey run).

#include "ui/survey_model.h"

#include "records/database_fixture.h"

#include <deque>
#include <string>
#include <vector>

namespace nearbeam::test {
namespace {

using Outcome = TakenScan::Outcome;

class SurveyModelTest : public LocationDatabaseFixture {
  protected:
    SurveyModelTest() {
        dir.write("building.txt", "31\t0\t40\tLibrary\tMain St 1\t0\r\n"
                                  "32\t0\t40\tAnnex\t\t0\r\n"
                                  "33\t0\t41\tAnnex\t\t3\r\n");
    }
};

struct Step {
    enum Kind { Record, Tick, Stop } kind;
    SurveyRequest request{}; // Record
    uint64_t tick = 0;       // Tick
    TakenScan taken{};       // what the taker gives at that tick
};

Step record(SurveyRequest request) {
    return {Step::Record, std::move(request), 0, {}};
}
Step tickWith(uint64_t number, Outcome outcome, int32_t inRange = 5) {
    return {Step::Tick, {}, number, {outcome, inRange, inRange}};
}
Step stop() {
    return {Step::Stop, {}, 0, {}};
}

TEST_F(SurveyModelTest, StatesFollowRecordTicksAndStop) {
    const SurveyRequest library{"Library", "2", "Map room", "2"};
    struct Case {
        const char* what;
        std::vector<Step> steps;
        SurveyState state;
        int32_t recorded;
        std::wstring progress;
        size_t takes;         // scans asked of the taker
        bool warned;          // too few access points
        std::wstring message; // a part of it; empty: none
        PlaceKey place{};     // checked when the survey started
    };
    const Case cases[] = {
        {"idle", {}, SurveyState::Idle, 0, L"", 0, false, L""},
        {"recording: one scan a tick, never two of one tick",
         {record(library), tickWith(7, Outcome::Stored), tickWith(7, Outcome::Stored)},
         SurveyState::Recording,
         1,
         L"1 of 2 scans",
         1,
         false,
         L"",
         PlaceKey{31, "2", "Map room"}},
        {"finished",
         {record(library), tickWith(1, Outcome::Stored), tickWith(2, Outcome::Stored),
          tickWith(3, Outcome::Stored)},
         SurveyState::Finished,
         2,
         L"2 of 2 scans",
         2,
         false,
         L"Done: 2 of 2 scans recorded."},
        {"stopped early keeps what was recorded",
         {record(library), tickWith(1, Outcome::Stored), stop(), tickWith(2, Outcome::Stored)},
         SurveyState::StoppedEarly,
         1,
         L"1 of 2 scans",
         1,
         false,
         L"Stopped: 1 of 2 scans kept."},
        {"too few access points: recorded, with a warning",
         {record(library), tickWith(1, Outcome::Stored, 2)},
         SurveyState::Recording,
         1,
         L"1 of 2 scans",
         1,
         true,
         L""},
        {"nothing heard is not counted",
         {record(library), tickWith(1, Outcome::NothingHeard, 0)},
         SurveyState::Recording,
         0,
         L"0 of 2 scans",
         1,
         true,
         L"No access point"},
        {"scans.txt not writable ends the survey",
         {record(library), tickWith(1, Outcome::Stored), tickWith(2, Outcome::NotWritten)},
         SurveyState::Failed,
         1,
         L"1 of 2 scans",
         2,
         false,
         L"1 of 2 scans were stored"},
        {"the building is not in the records",
         {record({"Museum", "1", "Hall", "6"}), tickWith(1, Outcome::Stored)},
         SurveyState::Idle,
         0,
         L"",
         0,
         false,
         L"\"Museum\" is not in the records"},
        {"two buildings of the name",
         {record({"Annex", "1", "Hall", "6"})},
         SurveyState::Idle,
         0,
         L"",
         0,
         false,
         L"Several buildings are called \"Annex\""},
        {"a tab in a name",
         {record({"Library", "1", "Hall\tB", "6"})},
         SurveyState::Idle,
         0,
         L"",
         0,
         false,
         L"cannot hold a tab"},
        {"a control character in a name",
         {record({"Lib\x01rary", "1", "Hall", "6"})},
         SurveyState::Idle,
         0,
         L"",
         0,
         false,
         L"control character"},
        {"no building",
         {record({"", "1", "Hall", "6"})},
         SurveyState::Idle,
         0,
         L"",
         0,
         false,
         L"Choose the building"},
        {"a count of 0",
         {record({"Library", "1", "Hall", "0"})},
         SurveyState::Idle,
         0,
         L"",
         0,
         false,
         L"from 1 to 60"},
        {"a count of 1,000",
         {record({"Library", "1", "Hall", "1000"})},
         SurveyState::Idle,
         0,
         L"",
         0,
         false,
         L"from 1 to 60"},
        {"a count that is no number",
         {record({"Library", "1", "Hall", "six"})},
         SurveyState::Idle,
         0,
         L"",
         0,
         false,
         L"from 1 to 60"},
        {"a survey under way is not replaced",
         {record(library), record({"Library", "1", "Hall", "6"}), tickWith(1, Outcome::Stored)},
         SurveyState::Recording,
         1,
         L"1 of 2 scans",
         1,
         false,
         L"",
         PlaceKey{31, "2", "Map room"}},
        {"a new survey after the last",
         {record(library), tickWith(1, Outcome::Stored), stop(), record({"Library", "", "", "60"}),
          tickWith(1, Outcome::Stored)},
         SurveyState::Recording,
         1,
         L"1 of 60 scans",
         2,
         false,
         L"",
         PlaceKey{31, "", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::deque<TakenScan> script;
        std::vector<PlaceKey> takenAt;
        SurveyModel model(db, [&](const PlaceKey& place) {
            takenAt.push_back(place);
            TakenScan taken = script.front();
            script.pop_front();
            return taken;
        });
        for (const Step& step : c.steps) {
            if (step.kind == Step::Record) {
                model.record(step.request);
            } else if (step.kind == Step::Stop) {
                model.stop();
            } else {
                script.push_back(step.taken);
                model.tick(step.tick);
            }
        }
        const SurveyView& view = model.view();
        EXPECT_EQ(view.state, c.state);
        EXPECT_EQ(view.recorded, c.recorded);
        EXPECT_EQ(view.progress, c.progress);
        EXPECT_EQ(takenAt.size(), c.takes);
        EXPECT_EQ(!view.warning.empty(), c.warned);
        EXPECT_EQ(view.message.empty(), c.message.empty());
        EXPECT_NE(view.message.find(c.message), std::wstring::npos)
            << std::string(view.message.begin(), view.message.end());
        EXPECT_EQ(view.canStop, c.state == SurveyState::Recording);
        EXPECT_EQ(view.canRecord, c.state != SurveyState::Recording);
        if (c.place.buildingId != 0) {
            EXPECT_EQ(model.place(), c.place);
            ASSERT_FALSE(takenAt.empty());
            EXPECT_EQ(takenAt.back(), c.place);
        }
    }
}

// The pickers start at the current place; where two buildings bear its name,
// its own is meant.
TEST_F(SurveyModelTest, ThePickersStartAtTheCurrentPlaceWhoseBuildingSettlesAName) {
    const SurveyChoices choices = surveyChoices(db, PlaceKey{33, "1", "Hall"});
    EXPECT_EQ(choices.buildings, (std::vector<std::string>{"Library", "Annex"}));
    EXPECT_EQ(choices.start.building, "Annex");
    SurveyModel model(db, [](const PlaceKey&) { return TakenScan{}; });
    EXPECT_TRUE(model.record(choices.start));
    EXPECT_EQ(model.place(), (PlaceKey{33, "1", "Hall"}));
}

TEST(SurveyPlace, SplitsAtTheFirstTwoSlashes) {
    const auto place = surveyPlaceOf("Library/1/Reading room/desk 2");
    ASSERT_TRUE(place);
    EXPECT_EQ(place->building, "Library");
    EXPECT_EQ(place->floor, "1");
    EXPECT_EQ(place->location, "Reading room/desk 2");
    const auto noFloor = surveyPlaceOf("Science Building//Lecture hall");
    ASSERT_TRUE(noFloor);
    EXPECT_EQ(noFloor->floor, "");
    EXPECT_FALSE(surveyPlaceOf("Library/Reading room"));
}

} // namespace
} // namespace nearbeam::test
