// How often the place decision names the right building and floor on public
// Wi-Fi survey data, and what a decision costs. Each data set has a survey part
// (scans with their floor) and a part taken later; the survey places every
// access point (on the floor where it was heard strongest) and is the store of
// scans; the later part is decided by the strongest access point alone, by the
// votes of every known access point and by the votes with the closest survey
// scans, each as the program did before this round (only when the strongest
// access point is known, without the rules on scans) and as it does now. Every
// rule runs on the placements as recorded, and with unknown access points made
// on purpose: each scan's strongest one unplaced (still in the survey's scans)
// or new (in neither), and every fifth one unplaced.
//
//   bench_place_accuracy FOLDER [--explore [EVERY]]
//
// FOLDER holds the data sets' folders (tampere2017/, ujilib/), read with xz -dc.
// --explore sweeps the settings of the rules for unknown access points, for
// survey scans and for close floors (on every EVERY-th later scan of the
// larger set).

#include "locate/place_decision.h"
#include "survey/scan_store.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace nearbeam {
namespace {

constexpr uint32_t kBuilding = 1;
constexpr int kNotHeardColumn = 100;  // the data sets' "not heard"
constexpr size_t kTableCapacity = 24; // the program keeps the 24 strongest

struct Row {
    std::vector<std::pair<uint32_t, int>> readings; // column, dBm
    int floor = 0;
};

std::vector<std::string> readLines(const std::string& file) {
    std::vector<std::string> lines;
    const std::string command = "xz -dc '" + file + "'";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return lines;
    std::string line;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        for (size_t i = 0; i < got; ++i) {
            if (buffer[i] == '\n') {
                lines.push_back(line);
                line.clear();
            } else if (buffer[i] != '\r') {
                line += buffer[i];
            }
        }
    }
    pclose(pipe);
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

std::vector<double> numbers(const std::string& line) {
    std::vector<double> out;
    const char* at = line.c_str();
    while (*at) {
        char* end = nullptr;
        out.push_back(std::strtod(at, &end));
        at = *end == ',' ? end + 1 : end;
        if (end == at && *at != '\0')
            break;
    }
    return out;
}

// The rows of one part: signals and floors; floorOf maps a coordinates line.
bool readPart(const std::string& rssFile, const std::string& placeFile, int (*floorOf)(double),
              size_t floorColumn, std::vector<Row>& rows) {
    const std::vector<std::string> rss = readLines(rssFile);
    const std::vector<std::string> places = readLines(placeFile);
    if (rss.empty() || rss.size() != places.size()) {
        std::fprintf(stderr, "cannot read %s and %s\n", rssFile.c_str(), placeFile.c_str());
        return false;
    }
    for (size_t i = 0; i < rss.size(); ++i) {
        Row row;
        const std::vector<double> values = numbers(rss[i]);
        for (size_t column = 0; column < values.size(); ++column) {
            if (values[column] != kNotHeardColumn)
                row.readings.emplace_back(static_cast<uint32_t>(column),
                                          static_cast<int>(values[column]));
        }
        const std::vector<double> place = numbers(places[i]);
        if (place.size() <= floorColumn)
            return false;
        row.floor = floorOf(place[floorColumn]);
        rows.push_back(std::move(row));
    }
    return true;
}

int tampereFloor(double z) {
    return static_cast<int>(z / 3.7 + 0.5);
}
int libraryFloor(double floor) {
    return static_cast<int>(floor);
}

BssidKey keyOfColumn(uint32_t column) {
    char digits[13];
    std::snprintf(digits, sizeof digits, "02a0c0%06x", column);
    return *BssidKey::fromText(digits);
}

struct DataSet {
    std::string name;
    std::vector<Row> survey;
    std::vector<Row> later;
};

// Every access point heard in the survey, placed on the floor of its strongest
// reading (the earlier row on a tie).
std::map<uint32_t, PlaceKey> placeAccessPoints(const std::vector<Row>& survey) {
    std::map<uint32_t, std::pair<int, int>> strongest; // column: signal, floor
    for (const Row& row : survey) {
        for (const auto& [column, signal] : row.readings) {
            auto found = strongest.find(column);
            if (found == strongest.end() || signal > found->second.first)
                strongest[column] = {signal, row.floor};
        }
    }
    std::map<uint32_t, PlaceKey> places;
    for (const auto& [column, strongestReading] : strongest)
        places[column] = PlaceKey{kBuilding, std::to_string(strongestReading.second), ""};
    return places;
}

// Where the decision learns what is not placed: an access point whose
// placement is dropped is still in the survey's scans; a new one is in neither.
enum class Unknowns {
    AsRecorded,        // the survey's placements
    StrongestUnplaced, // each later scan's strongest access point not in ap.txt
    StrongestNew,      // nor in any survey scan: a router added since
    FifthUnplaced,     // every fifth access point (by column) not in ap.txt
};
const char* const kUnknownsNames[] = {"as recorded", "strongest unplaced", "strongest new",
                                      "a fifth unplaced"};

// The rule of the program before this round decided only when the strongest
// access point was known; the gate is now the decision's own margin.
enum class Rule { Strongest, VotesGated, Votes, ScansGated, Scans };
const char* const kRuleNames[] = {"strongest access point", "before: votes, strongest known",
                                  "votes", "before: votes+scans, str. known", "votes+scans"};

struct Score {
    size_t count = 0;
    size_t building = 0;
    size_t floor = 0;
    size_t curious = 0;
    size_t close = 0;      // decisions whose two best floors were close
    size_t closeRight = 0; // and of them, the floor right
    double micros = 0;
};

constexpr uint32_t kNewColumn = 0x100000; // columns of "new" access points

// A survey ready to decide against: its placements and scans.
struct Survey {
    std::map<uint32_t, PlaceKey> places;
    ScanStore store;
};

// lying: every lying-th survey scan is stored as made at a bus stop elsewhere
// (its placements stay), and the one after it a floor up: scans a user finished
// somewhere else.
void fillSurvey(const std::vector<Row>& rows, size_t lying, Survey& survey) {
    survey.places = placeAccessPoints(rows);
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        SurveyScan scan;
        scan.buildingId = kBuilding;
        scan.floor = std::to_string(row.floor);
        if (lying && i % lying == 0) {
            scan.buildingId = kBuilding + 1;
            scan.floor = "0";
        } else if (lying && i % lying == 1) {
            scan.floor = std::to_string(row.floor + 1);
        }
        for (const auto& [column, signal] : row.readings)
            scan.readings.push_back(ScanReading{keyOfColumn(column), signal});
        survey.store.add(scan);
    }
}

bool placed(uint32_t column, Unknowns unknowns) {
    return unknowns != Unknowns::FifthUnplaced || (column * 2654435761u >> 7) % 5 != 0;
}

Score decideAll(const Survey& survey, const std::vector<Row>& later, Unknowns unknowns, Rule rule,
                const DecisionSettings& settings, size_t every = 1) {
    Score score;
    std::vector<HeardAccessPoint> heard;
    std::chrono::nanoseconds spent{0};
    for (size_t r = 0; r < later.size(); r += every) {
        const Row& row = later[r];
        heard.clear();
        for (const auto& [column, signal] : row.readings) {
            const auto place = survey.places.find(column);
            heard.push_back(HeardAccessPoint{
                keyOfColumn(column), signal,
                place == survey.places.end() || !placed(column, unknowns) ? nullptr
                                                                          : &place->second});
        }
        std::stable_sort(heard.begin(), heard.end(),
                         [](const auto& a, const auto& b) { return a.signal > b.signal; });
        if (heard.size() > kTableCapacity)
            heard.resize(kTableCapacity);
        if (!heard.empty() && unknowns != Unknowns::AsRecorded &&
            unknowns != Unknowns::FifthUnplaced) {
            heard[0].place = nullptr;
            if (unknowns == Unknowns::StrongestNew)
                heard[0].bssid = keyOfColumn(kNewColumn + static_cast<uint32_t>(r % 1000));
        }
        const auto start = std::chrono::steady_clock::now();
        PlaceDecision decision;
        const bool gated = rule == Rule::VotesGated || rule == Rule::ScansGated;
        if (rule == Rule::Strongest) {
            // The strongest access point, known or not, names the place.
            if (!heard.empty() && heard[0].place) {
                decision.decided = true;
                decision.place = *heard[0].place;
            }
        } else if (!gated || (!heard.empty() && heard[0].place)) {
            const bool withScans = rule == Rule::ScansGated || rule == Rule::Scans;
            decision = decidePlace(heard, withScans ? &survey.store : nullptr, settings);
        }
        spent += std::chrono::steady_clock::now() - start;
        ++score.count;
        const bool floorRight = decision.decided && decision.place.buildingId == kBuilding &&
                                decision.place.floor == std::to_string(row.floor);
        if (!decision.decided)
            ++score.curious;
        else if (decision.place.buildingId == kBuilding)
            ++score.building;
        score.floor += floorRight;
        if (decision.floorsClose) {
            ++score.close;
            score.closeRight += floorRight;
        }
    }
    score.micros = score.count ? std::chrono::duration<double, std::micro>(spent).count() /
                                     static_cast<double>(score.count)
                               : 0;
    return score;
}

double percent(size_t part, size_t whole) {
    return whole ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0;
}

void printScore(const char* name, const Score& score) {
    std::printf("    %-30s building %6.2f %%  floor %6.2f %%  curious %5.2f %%  %7.2f us\n", name,
                percent(score.building, score.count), percent(score.floor, score.count),
                percent(score.curious, score.count), score.micros);
}

// The rules this round added, each off.
DecisionSettings withoutNewRules() {
    DecisionSettings settings;
    settings.unknownMargin = 1000;
    settings.scanReach = 10;
    settings.strongSignal = 1;
    settings.clearVotes = 2;
    return settings;
}

void report(const DataSet& set, const DecisionSettings& settings) {
    std::printf("%s: %zu survey scans, %zu later scans\n", set.name.c_str(), set.survey.size(),
                set.later.size());
    Survey survey;
    fillSurvey(set.survey, 0, survey);
    for (Unknowns unknowns : {Unknowns::AsRecorded, Unknowns::StrongestUnplaced,
                              Unknowns::StrongestNew, Unknowns::FifthUnplaced}) {
        std::printf("  %s\n", kUnknownsNames[static_cast<int>(unknowns)]);
        for (Rule rule :
             {Rule::Strongest, Rule::VotesGated, Rule::Votes, Rule::ScansGated, Rule::Scans}) {
            // The gated rules are the program before this round, its other rules too.
            const bool before = rule == Rule::VotesGated || rule == Rule::ScansGated;
            const Score score =
                decideAll(survey, set.later, unknowns, rule, before ? withoutNewRules() : settings);
            printScore(kRuleNames[static_cast<int>(rule)], score);
        }
    }
    // How sure: how often the floor is right where the two best floors are close.
    const Score score = decideAll(survey, set.later, Unknowns::AsRecorded, Rule::Scans, settings);
    std::printf("  close floors (runner-up >= %.2f): %.2f %% of decisions, floor right in %.2f %% "
                "of them, %.2f %% of the others\n",
                settings.closeFloors, percent(score.close, score.count),
                percent(score.closeRight, score.close),
                percent(score.floor - score.closeRight, score.count - score.close));
}

void printRow(const std::vector<DataSet>& sets, const std::vector<Survey>& surveys,
              Unknowns unknowns, Rule rule, const DecisionSettings& settings, size_t every,
              const char* label) {
    std::printf("  %-34s", label);
    for (size_t i = 0; i < sets.size(); ++i) {
        const Score score = decideAll(surveys[i], sets[i].later, unknowns, rule, settings,
                                      sets[i].later.size() > 10000 ? every : 1);
        std::printf("  %s: floor %6.2f bldg %6.2f curious %5.2f", sets[i].name.c_str(),
                    percent(score.floor, score.count), percent(score.building, score.count),
                    percent(score.curious, score.count));
    }
    std::printf("\n");
}

// Sweeps of each setting this round added, on every later scan (or every Nth).
void explore(const std::vector<DataSet>& sets, size_t every) {
    std::vector<Survey> surveys(sets.size()), lying(sets.size());
    for (size_t i = 0; i < sets.size(); ++i) {
        fillSurvey(sets[i].survey, 0, surveys[i]);
        fillSurvey(sets[i].survey, 50, lying[i]);
    }
    char label[128];
    std::printf("the margin over an unknown strongest access point\n");
    for (Unknowns unknowns : {Unknowns::StrongestNew, Unknowns::StrongestUnplaced}) {
        for (int margin : {0, 5, 10, 15, 20, 23, 30, 1000}) {
            DecisionSettings settings;
            settings.unknownMargin = margin;
            std::snprintf(label, sizeof label, "%s, votes, %d dB",
                          kUnknownsNames[static_cast<int>(unknowns)], margin);
            printRow(sets, surveys, unknowns, Rule::Votes, settings, every, label);
            std::snprintf(label, sizeof label, "%s, scans, %d dB",
                          kUnknownsNames[static_cast<int>(unknowns)], margin);
            printRow(sets, surveys, unknowns, Rule::Scans, settings, every, label);
        }
    }
    std::printf("the rules on scans, alone and together (votes+scans)\n");
    struct Variant {
        const char* name;
        void (*apply)(DecisionSettings&);
    };
    const Variant variants[] = {
        {"none", [](DecisionSettings&) {}},
        {"reach 0.4", [](DecisionSettings& s) { s.scanReach = 0.4; }},
        {"reach 0.5", [](DecisionSettings& s) { s.scanReach = 0.5; }},
        {"reach 0.6", [](DecisionSettings& s) { s.scanReach = 0.6; }},
        {"reach 0.7", [](DecisionSettings& s) { s.scanReach = 0.7; }},
        {"strong -60", [](DecisionSettings& s) { s.strongSignal = -60; }},
        {"strong -70", [](DecisionSettings& s) { s.strongSignal = -70; }},
        {"clear 0.6", [](DecisionSettings& s) { s.clearVotes = 0.6; }},
        {"clear 0.7", [](DecisionSettings& s) { s.clearVotes = 0.7; }},
        {"clear 0.8", [](DecisionSettings& s) { s.clearVotes = 0.8; }},
        {"clear 0.9", [](DecisionSettings& s) { s.clearVotes = 0.9; }},
        {"clear 0.95", [](DecisionSettings& s) { s.clearVotes = 0.95; }},
        {"clear 0.99", [](DecisionSettings& s) { s.clearVotes = 0.99; }},
        {"defaults", [](DecisionSettings& s) { s = DecisionSettings(); }},
    };
    for (const Variant& variant : variants) {
        DecisionSettings settings = withoutNewRules();
        variant.apply(settings);
        std::snprintf(label, sizeof label, "%s", variant.name);
        printRow(sets, surveys, Unknowns::AsRecorded, Rule::Scans, settings, every, label);
        std::snprintf(label, sizeof label, "%s, 2 in 50 scans lie", variant.name);
        printRow(sets, lying, Unknowns::AsRecorded, Rule::Scans, settings, every, label);
    }
    std::printf("close floors\n");
    for (double close : {0.3, 0.5, 0.7}) {
        DecisionSettings settings;
        settings.closeFloors = close;
        for (size_t i = 0; i < sets.size(); ++i) {
            const Score score =
                decideAll(surveys[i], sets[i].later, Unknowns::AsRecorded, Rule::Scans, settings,
                          sets[i].later.size() > 10000 ? every : 1);
            std::printf("  %.1f %s: close %5.2f %%, right there %6.2f %%, elsewhere %6.2f %%\n",
                        close, sets[i].name.c_str(), percent(score.close, score.count),
                        percent(score.closeRight, score.close),
                        percent(score.floor - score.closeRight, score.count - score.close));
        }
    }
}

// The leads for the last floors, each measured on votes+scans as recorded.
enum class Lead { None, MeanDistance, SecondLook, Separation, SignalGaps };
const char* const kLeadNames[] = {"none", "floor by mean distance to its 3 closest scans",
                                  "second look (mean distance) when floors close",
                                  "votes weighted by floor separation (votes only)",
                                  "signals as gaps below the strongest"};

// The floor whose closest `m` scans are nearest on average, among floors (of
// the candidates) that have any.
std::string floorByMeanDistance(const Survey& survey, const std::vector<HeardAccessPoint>& heard,
                                const DecisionSettings& settings, const std::string& a,
                                const std::string& b) {
    DecisionSettings all = settings;
    all.neighbours = 1 << 20;
    const auto near = survey.store.nearest(heard, all);
    std::map<std::string, std::pair<double, int>> floors;
    constexpr int m = 3;
    for (const auto& neighbour : near) {
        if (!a.empty() && neighbour.place->floor != a && neighbour.place->floor != b)
            continue;
        auto& [sum, count] = floors[neighbour.place->floor];
        if (count < m) {
            sum += neighbour.distance;
            ++count;
        }
    }
    std::string best;
    double bestMean = 2;
    for (const auto& [floor, sumCount] : floors) {
        const double mean = (sumCount.first + (m - sumCount.second) * 1.0) / m;
        if (mean < bestMean) {
            bestMean = mean;
            best = floor;
        }
    }
    return best;
}

// How well each access point tells floors apart in the survey: 1 minus its
// strongest reading on its second floor over that on its first (scaled).
std::map<uint32_t, double> separations(const std::vector<Row>& survey,
                                       const DecisionSettings& settings) {
    std::map<uint32_t, std::map<int, double>> strongest;
    for (const Row& row : survey) {
        for (const auto& [column, signal] : row.readings) {
            double& level = strongest[column][row.floor];
            level = std::max(level, scaledSignal(signal, settings));
        }
    }
    std::map<uint32_t, double> out;
    for (const auto& [column, floors] : strongest) {
        double first = 0, second = 0;
        for (const auto& [floor, level] : floors) {
            if (level > first) {
                second = first;
                first = level;
            } else {
                second = std::max(second, level);
            }
        }
        out[column] = first > 0 ? 1.0 - second / first : 0;
    }
    return out;
}

std::vector<Row> asGaps(std::vector<Row> rows) {
    for (Row& row : rows) {
        int top = -100;
        for (const auto& reading : row.readings)
            top = std::max(top, reading.second);
        std::vector<std::pair<uint32_t, int>> kept;
        for (auto reading : row.readings) {
            reading.second += -35 - top;
            if (reading.second > -100)
                kept.emplace_back(reading.first, std::min(reading.second, 0));
        }
        row.readings = std::move(kept);
    }
    return rows;
}

double leadFloorShare(const DataSet& set, Lead lead, size_t every) {
    const DecisionSettings settings;
    const std::vector<Row> survey = lead == Lead::SignalGaps ? asGaps(set.survey) : set.survey;
    const std::vector<Row> later = lead == Lead::SignalGaps ? asGaps(set.later) : set.later;
    Survey store;
    fillSurvey(survey, 0, store);
    const std::map<uint32_t, double> separation = separations(survey, settings);
    size_t right = 0, count = 0;
    std::vector<HeardAccessPoint> heard;
    for (size_t r = 0; r < later.size(); r += every) {
        const Row& row = later[r];
        heard.clear();
        for (const auto& [column, signal] : row.readings) {
            const auto place = store.places.find(column);
            // A vote counts its separation times: as many dB less.
            const int shift = lead == Lead::Separation && place != store.places.end()
                                  ? static_cast<int>(std::lround(
                                        10 * std::log10(std::max(separation.at(column), 0.001))))
                                  : 0;
            heard.push_back(
                HeardAccessPoint{keyOfColumn(column), signal + shift,
                                 place == store.places.end() ? nullptr : &place->second});
        }
        std::stable_sort(heard.begin(), heard.end(),
                         [](const auto& a, const auto& b) { return a.signal > b.signal; });
        if (heard.size() > kTableCapacity)
            heard.resize(kTableCapacity);
        const PlaceDecision decision =
            decidePlace(heard, lead == Lead::Separation ? nullptr : &store.store, settings);
        std::string floor = decision.decided ? decision.place.floor : std::string();
        if (lead == Lead::MeanDistance)
            floor = floorByMeanDistance(store, heard, settings, "", "");
        else if (lead == Lead::SecondLook && decision.floorsClose)
            floor = floorByMeanDistance(store, heard, settings, floor, decision.runnerUpFloor);
        right += floor == std::to_string(row.floor);
        ++count;
    }
    return percent(right, count);
}

void leads(const std::vector<DataSet>& sets, size_t every) {
    for (Lead lead :
         {Lead::None, Lead::MeanDistance, Lead::SecondLook, Lead::Separation, Lead::SignalGaps}) {
        std::printf("  %-50s", kLeadNames[static_cast<int>(lead)]);
        for (const DataSet& set : sets) {
            std::printf("  %s floor %6.2f %%", set.name.c_str(),
                        leadFloorShare(set, lead, set.later.size() > 10000 ? every : 1));
        }
        std::printf("\n");
    }
}

} // namespace
} // namespace nearbeam

int main(int argc, char** argv) {
    using namespace nearbeam;
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FINGERPRINTS-FOLDER [--explore [EVERY]]\n", argv[0]);
        return 1;
    }
    const std::string folder = argv[1];
    std::vector<DataSet> sets(2);
    sets[0].name = "tampere2017";
    const std::string tampere = folder + "/tampere2017/";
    if (!readPart(tampere + "Training_rss_21Aug17.csv.xz",
                  tampere + "Training_coordinates_21Aug17.csv.xz", tampereFloor, 2,
                  sets[0].survey) ||
        !readPart(tampere + "Test_rss_21Aug17.csv.xz", tampere + "Test_coordinates_21Aug17.csv.xz",
                  tampereFloor, 2, sets[0].later))
        return 1;
    // The library: month 1's survey (without trn14, whose places are wrong in part)
    // against the test scans of months 2 to 25.
    sets[1].name = "ujilib";
    const std::string library = folder + "/ujilib/db/";
    for (int set = 1; set <= 15; ++set) {
        if (set == 14)
            continue;
        char name[64];
        std::snprintf(name, sizeof name, "01/trn%02d", set);
        if (!readPart(library + name + "rss.csv.xz", library + name + "crd.csv.xz", libraryFloor, 2,
                      sets[1].survey))
            return 1;
    }
    for (int month = 2; month <= 25; ++month) {
        for (int set = 1; set <= (month == 25 ? 10 : 5); ++set) {
            char name[64];
            std::snprintf(name, sizeof name, "%02d/tst%02d", month, set);
            if (!readPart(library + name + "rss.csv.xz", library + name + "crd.csv.xz",
                          libraryFloor, 2, sets[1].later))
                return 1;
        }
    }
    if (argc > 2 && std::strcmp(argv[2], "--leads") == 0) {
        leads(sets, argc > 3 ? static_cast<size_t>(std::atoi(argv[3])) : 1);
        return 0;
    }
    if (argc > 2 && std::strcmp(argv[2], "--explore") == 0) {
        explore(sets, argc > 3 ? static_cast<size_t>(std::atoi(argv[3])) : 1);
        return 0;
    }
    for (const DataSet& set : sets)
        report(set, DecisionSettings());
    return 0;
}
