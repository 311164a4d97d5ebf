// How often the place decision names the right building and floor on public
// Wi-Fi survey data, and what a decision costs. Each data set has a survey part
// (scans with their floor) and a part taken later; the survey places every
// access point (on the floor where it was heard strongest) and is the store of
// scans; the later part is decided with three rules: the strongest known access
// point alone, the votes of every known access point, and the votes with the
// closest survey scans.
//
//   bench_place_accuracy FOLDER [--tune]
//
// FOLDER holds the data sets' folders (tampere2017/, ujilib/), read with xz -dc.
// --tune searches the decision's settings on the survey parts alone (each half
// of a survey decided against the other) and prints the best.

#include "locate/place_decision.h"
#include "survey/scan_store.h"

#include <algorithm>
#include <chrono>
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

enum class Rule { Strongest, Votes, VotesAndScans };

struct Score {
    size_t count = 0;
    size_t building = 0;
    size_t floor = 0;
    double micros = 0;
};

Score decideAll(const std::vector<Row>& survey, const std::vector<Row>& later, Rule rule,
                const DecisionSettings& settings) {
    const std::map<uint32_t, PlaceKey> places = placeAccessPoints(survey);
    ScanStore store;
    for (const Row& row : survey) {
        SurveyScan scan;
        scan.buildingId = kBuilding;
        scan.floor = std::to_string(row.floor);
        for (const auto& [column, signal] : row.readings)
            scan.readings.push_back(ScanReading{keyOfColumn(column), signal});
        store.add(scan);
    }
    Score score;
    std::vector<HeardAccessPoint> heard;
    std::chrono::nanoseconds spent{0};
    for (const Row& row : later) {
        heard.clear();
        for (const auto& [column, signal] : row.readings) {
            const auto place = places.find(column);
            heard.push_back(HeardAccessPoint{keyOfColumn(column), signal,
                                             place == places.end() ? nullptr : &place->second});
        }
        std::stable_sort(heard.begin(), heard.end(),
                         [](const auto& a, const auto& b) { return a.signal > b.signal; });
        if (heard.size() > kTableCapacity)
            heard.resize(kTableCapacity);
        const auto start = std::chrono::steady_clock::now();
        PlaceDecision decision;
        if (rule == Rule::Strongest) {
            // The strongest access point, known or not, names the place.
            if (!heard.empty() && heard[0].place) {
                decision.decided = true;
                decision.place = *heard[0].place;
            }
        } else {
            decision = decidePlace(heard, rule == Rule::VotesAndScans ? &store : nullptr, settings);
        }
        spent += std::chrono::steady_clock::now() - start;
        ++score.count;
        if (decision.decided && decision.place.buildingId == kBuilding) {
            ++score.building;
            if (decision.place.floor == std::to_string(row.floor))
                ++score.floor;
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

void report(const DataSet& set, const DecisionSettings& settings) {
    std::printf("%s: %zu survey scans, %zu later scans\n", set.name.c_str(), set.survey.size(),
                set.later.size());
    const char* names[] = {"strongest access point", "votes", "votes and scans"};
    for (Rule rule : {Rule::Strongest, Rule::Votes, Rule::VotesAndScans}) {
        const Score score = decideAll(set.survey, set.later, rule, settings);
        std::printf("  %-24s building %6.2f %%  building+floor %6.2f %%  %8.2f us/decision\n",
                    names[static_cast<int>(rule)], percent(score.building, score.count),
                    percent(score.floor, score.count), score.micros);
    }
}

// The floor share of both halves of the survey decided against the other half.
double surveyFloorShare(const DataSet& set, Rule rule, const DecisionSettings& settings) {
    std::vector<Row> halves[2];
    for (size_t i = 0; i < set.survey.size(); ++i)
        halves[(i / 6) % 2].push_back(set.survey[i]);
    size_t right = 0, count = 0;
    for (int half = 0; half < 2; ++half) {
        const Score score = decideAll(halves[half], halves[1 - half], rule, settings);
        right += score.floor;
        count += score.count;
    }
    return percent(right, count);
}

void tune(const std::vector<DataSet>& sets) {
    DecisionSettings best;
    double bestShare = -1;
    for (int compared : {16, 24, 255})
        for (double strength : {1.0, 1.5, 2.0, 2.7})
            for (int neighbours : {1, 3, 5})
                for (double share : {0.5, 0.8, 0.95}) {
                    DecisionSettings settings;
                    settings.comparedReadings = compared;
                    settings.strength = strength;
                    settings.neighbours = neighbours;
                    settings.scanShare = share;
                    double sum = 0;
                    std::printf("compared %3d strength %.1f k %d share %.2f:", compared, strength,
                                neighbours, share);
                    for (const DataSet& set : sets) {
                        const double one = surveyFloorShare(set, Rule::VotesAndScans, settings);
                        std::printf("  %s %.2f %%", set.name.c_str(), one);
                        sum += one;
                    }
                    const double mean = sum / static_cast<double>(sets.size());
                    std::printf("  mean %.2f %%\n", mean);
                    if (mean > bestShare) {
                        bestShare = mean;
                        best = settings;
                    }
                }
    std::printf("best: compared %d strength %.1f k %d share %.2f: %.2f %%\n", best.comparedReadings,
                best.strength, best.neighbours, best.scanShare, bestShare);
}

} // namespace
} // namespace nearbeam

int main(int argc, char** argv) {
    using namespace nearbeam;
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FINGERPRINTS-FOLDER [--tune]\n", argv[0]);
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
    if (argc > 2 && std::strcmp(argv[2], "--tune") == 0) {
        tune(sets);
        return 0;
    }
    for (const DataSet& set : sets)
        report(set, DecisionSettings());
    return 0;
}
