#include "locate/place_decision.h"
#include "survey/scan_store.h"

#include <gtest/gtest.h>

namespace nearbeam {
namespace {

BssidKey keyOf(int n) {
    char digits[13];
    std::snprintf(digits, sizeof digits, "02a0c0%06x", n);
    return *BssidKey::fromText(digits);
}

const PlaceKey kReadingRoom{10, "1", "Reading room"};
const PlaceKey kStacks{10, "1", "Stacks"};
const PlaceKey kMaps{10, "2", "Maps"};
const PlaceKey kHall{11, "", ""};

struct Heard {
    int signal;
    const PlaceKey* place; // none: not known
};

std::vector<HeardAccessPoint> heardList(const std::vector<Heard>& heard) {
    std::vector<HeardAccessPoint> out;
    for (size_t i = 0; i < heard.size(); ++i)
        out.push_back(
            HeardAccessPoint{keyOf(static_cast<int>(i)), heard[i].signal, heard[i].place});
    return out;
}

TEST(PlaceDecision, TheVotesOfTheKnownAccessPoints) {
    struct Case {
        const char* name;
        std::vector<Heard> heard;
        const PlaceKey* expected; // none: nothing decided
        int representative;
        bool floorsClose = false;
    };
    const Case cases[] = {
        {"one known access point", {{-80, &kMaps}}, &kMaps, 0},
        {"unknown ones do not vote; the strongest just 15 dB above the known",
         {{-66, nullptr}, {-80, &kMaps}, {-65, nullptr}},
         &kMaps,
         1},
        {"strongest unknown with known ones near it: they decide",
         {{-60, nullptr}, {-70, &kMaps}, {-75, &kReadingRoom}},
         &kMaps,
         1},
        {"strongest unknown far above every known one: nothing (a bus stop's hotspot)",
         {{-55, nullptr}, {-79, &kMaps}, {-84, &kMaps}},
         nullptr,
         -1},
        {"two floors close: the decision says so",
         {{-60, &kMaps}, {-62, &kReadingRoom}},
         &kMaps,
         0,
         true},
        {"nothing known", {{-40, nullptr}}, nullptr, -1},
        {"nothing heard", {}, nullptr, -1},
        {"all agree", {{-60, &kMaps}, {-50, &kMaps}, {-90, &kMaps}}, &kMaps, 1},
        {"the stronger of two", {{-60, &kMaps}, {-59, &kReadingRoom}}, &kReadingRoom, 1, true},
        {"three weaker ones outvote a strong one",
         {{-50, &kMaps}, {-54, &kReadingRoom}, {-54, &kStacks}, {-54, &kReadingRoom}},
         &kReadingRoom,
         1,
         true},
        {"but not three much weaker ones",
         {{-50, &kMaps}, {-60, &kReadingRoom}, {-60, &kReadingRoom}, {-60, &kReadingRoom}},
         &kMaps,
         0},
        {"the building first: its floors together outvote another building",
         {{-50, &kHall}, {-53, &kMaps}, {-53, &kReadingRoom}},
         &kMaps,
         1,
         true},
        {"a tie keeps the strongest access point's place",
         {{-70, &kStacks}, {-60, &kMaps}, {-60, &kHall}},
         &kMaps,
         1},
        {"a tie within a floor too", {{-60, &kStacks}, {-60, &kReadingRoom}}, &kStacks, 0},
        {"equal signals everywhere: the first strongest known one's place",
         {{-60, &kMaps}, {-60, &kHall}, {-60, &kReadingRoom}, {-60, nullptr}},
         &kMaps,
         0,
         true},
        {"a reading at the not-heard level weighs nothing",
         {{-100, &kHall}, {-100, &kHall}, {-99, &kMaps}},
         &kMaps,
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PlaceDecision decision = decidePlace(heardList(c.heard), nullptr);
        EXPECT_EQ(decision.decided, c.expected != nullptr);
        if (c.expected) {
            EXPECT_EQ(decision.place, *c.expected);
        }
        EXPECT_EQ(decision.representative, c.representative);
        EXPECT_EQ(decision.floorsClose, c.floorsClose);
    }
}

SurveyScan scanAt(const PlaceKey& place, const std::vector<std::pair<int, int>>& readings) {
    SurveyScan scan;
    scan.buildingId = place.buildingId;
    scan.floor = place.floor;
    scan.location = place.location;
    for (const auto& [ap, signal] : readings)
        scan.readings.push_back(ScanReading{keyOf(ap), signal});
    return scan;
}

TEST(PlaceDecision, TheClosestScansSettleTheFloorButNeverTurnTheBuildingAlone) {
    ScanStore scans;
    // The reading room and the map room upstairs hear the same access points; on
    // the stairs only the strength tells them apart.
    for (int i = 0; i < 3; ++i) {
        scans.add(scanAt(kReadingRoom, {{0, -50 - i}, {1, -52}, {2, -80}}));
        scans.add(scanAt(kMaps, {{0, -75}, {1, -48 - i}, {2, -60}}));
    }
    // The closest scan of all is of another building.
    scans.add(scanAt(kHall, {{0, -50}, {1, -52}, {2, -79}}));
    const std::vector<Heard> heard = {{-50, &kMaps}, {-52, &kReadingRoom}, {-79, nullptr}};
    // The votes alone follow the stronger access point; the scans settle it.
    EXPECT_EQ(decidePlace(heardList(heard), nullptr).place, kMaps);
    const PlaceDecision decision = decidePlace(heardList(heard), &scans);
    EXPECT_EQ(decision.place, kReadingRoom);
    EXPECT_EQ(decision.representative, 1);
    // Without votes the scans decide alone; the odd one is outnumbered.
    EXPECT_EQ(
        decidePlace(heardList({{-50, nullptr}, {-52, nullptr}, {-79, nullptr}}), &scans).place,
        kReadingRoom);
    // A floor only the scans name stands for its building's strongest access point.
    const PlaceKey library{10, "", ""};
    const PlaceDecision named =
        decidePlace(heardList({{-60, &library}, {-52, nullptr}, {-80, nullptr}}), &scans);
    EXPECT_EQ(named.place.buildingId, 10u);
    EXPECT_EQ(named.representative, 0);
    // Scans that share no access point with what is heard take no part.
    EXPECT_FALSE(decidePlace({HeardAccessPoint{keyOf(9), -40, nullptr}}, &scans).decided);
}

TEST(PlaceDecision, TheClosestScanCountsMostWithinTheKnownAccessPointsBuilding) {
    ScanStore scans;
    // One scan of the reading room matches what is heard; two of the map room
    // upstairs come near; a hall in another building comes nearer still when its
    // fourth access point is heard.
    scans.add(scanAt(kReadingRoom, {{0, -50}, {1, -60}, {2, -70}}));
    for (int i = 0; i < 2; ++i)
        scans.add(scanAt(kMaps, {{0, -58}, {1, -52}, {2, -70}}));
    for (int i = 0; i < 3; ++i)
        scans.add(scanAt(kHall, {{0, -50}, {1, -60}, {2, -70}, {3, -40}}));
    struct Case {
        const char* name;
        std::vector<Heard> heard;
        const PlaceKey* expected;
    };
    const Case cases[] = {
        {"one known access point: one close scan of another floor does not take over",
         {{-50, &kMaps}, {-60, nullptr}, {-70, nullptr}},
         &kMaps},
        {"known ones that differ clearly: nor here",
         {{-50, &kMaps}, {-60, &kReadingRoom}, {-70, nullptr}},
         &kMaps},
        {"none known: the scans alone",
         {{-50, nullptr}, {-60, nullptr}, {-70, nullptr}},
         &kReadingRoom},
        {"none known: the scans name another building",
         {{-50, nullptr}, {-60, nullptr}, {-70, nullptr}, {-40, nullptr}},
         &kHall},
        {"known ones that agree keep their building",
         {{-50, &kMaps}, {-60, &kMaps}, {-70, nullptr}, {-40, nullptr}},
         &kMaps},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decidePlace(heardList(c.heard), &scans).place, *c.expected);
    }
}

// Scans taken elsewhere than they say are held in check. Each case hears its
// own access points.
TEST(PlaceDecision, AFewScansDoNotTakeOverWhatStrongAccessPointsSay) {
    const PlaceKey study{10, "3", "Study"};
    ScanStore scans;
    scans.add(scanAt(study, {{0, -35}, {1, -60}, {2, -70}}));
    for (int i = 0; i < 3; ++i) {
        scans.add(scanAt(kHall, {{10, -50}, {11, -55}, {12, -80}}));
        scans.add(scanAt(study, {{30, -35}, {31, -60}, {32, -70}}));
    }
    scans.add(scanAt(kHall, {{20, -40}, {21, -40}, {22, -40}, {23, -40}}));
    struct At {
        int ap;
        int signal;
        const PlaceKey* place;
    };
    struct Case {
        const char* name;
        std::vector<At> heard;
        const PlaceKey* expected; // none: nothing decided
    };
    const Case cases[] = {
        {"one scan of floor 3 does not beat a floor-2 access point at -35 dBm",
         {{0, -35, &kMaps}, {1, -60, nullptr}, {2, -70, nullptr}},
         &kMaps},
        {"three scans of floor 3 do",
         {{30, -35, &kMaps}, {31, -60, nullptr}, {32, -70, nullptr}},
         &study},
        {"scans of another building never outvote strong known access points",
         {{10, -50, &kMaps}, {11, -55, &kReadingRoom}, {12, -80, nullptr}},
         &kMaps},
        {"a scan that shares little with what is heard has no say", {{20, -85, nullptr}}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<HeardAccessPoint> heard;
        for (const At& at : c.heard)
            heard.push_back(HeardAccessPoint{keyOf(at.ap), at.signal, at.place});
        const PlaceDecision decision = decidePlace(heard, &scans);
        EXPECT_EQ(decision.decided, c.expected != nullptr);
        if (c.expected) {
            EXPECT_EQ(decision.place, *c.expected);
        }
    }
}

TEST(PlaceDecision, TheNearestScansAreFoundThroughTheIndex) {
    ScanStore scans;
    scans.add(scanAt(kReadingRoom, {{0, -50}, {1, -60}}));
    scans.add(scanAt(kStacks, {{0, -52}, {1, -61}, {7, -40}})); // 7 unheard now: farther
    scans.add(scanAt(kMaps, {{5, -50}}));                       // shares nothing
    const auto near = scans.nearest(heardList({{-50, nullptr}, {-60, nullptr}}), {});
    ASSERT_EQ(near.size(), 2u);
    EXPECT_EQ(*near[0].place, kReadingRoom);
    EXPECT_NEAR(near[0].distance, 0.0, 1e-3);
    EXPECT_EQ(*near[1].place, kStacks);
    EXPECT_GT(near[1].distance, 0.0);
    // A reading at the not-heard level shares nothing: the scan is found once,
    // through its other reading.
    scans.add(scanAt(kHall, {{0, -100}, {1, -60}}));
    DecisionSettings many;
    many.neighbours = 10;
    EXPECT_EQ(scans.nearest(heardList({{-50, nullptr}, {-60, nullptr}}), many).size(), 3u);
}

TEST(PlaceDecision, StoredScansAreComparedByTheirStrongestReadingsOnly) {
    ScanStore scans;
    // The reading room's scan heard two more, weaker access points that are out
    // of the table now; the stacks' scan heard the same two, a little differently.
    scans.add(scanAt(kReadingRoom, {{7, -70}, {0, -50}, {8, -70}, {1, -60}}));
    scans.add(scanAt(kStacks, {{0, -52}, {1, -58}}));
    const auto heard = heardList({{-50, nullptr}, {-60, nullptr}});
    struct Case {
        int compared;
        const PlaceKey* nearest;
    };
    for (const Case& c : {Case{2, &kReadingRoom}, Case{3, &kStacks}, Case{24, &kStacks}}) {
        SCOPED_TRACE(c.compared);
        DecisionSettings settings;
        settings.comparedReadings = c.compared;
        const auto near = scans.nearest(heard, settings);
        ASSERT_EQ(near.size(), 2u);
        EXPECT_EQ(*near[0].place, *c.nearest);
    }
}

} // namespace
} // namespace nearbeam
