#pragma once
// The "Survey coverage" page: per building of scans.txt, each floor with its
// number of scans and a bar, and each location with its scans and newest time. A
// location with too few scans, or whose newest is old, is marked: that is where
// a map keeper should survey next.

#include "locate/location_database.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace nearbeam {

struct LocationCoverage {
    std::string location;
    int32_t scans = 0;
    std::string newest; // UTC, as scans.txt writes it
};

struct FloorCoverage {
    std::string floor;
    int32_t scans = 0;
    std::vector<LocationCoverage> locations; // by name
};

struct BuildingCoverage {
    uint32_t id = 0;
    std::string name;
    int32_t scans = 0;
    std::vector<FloorCoverage> floors; // numbered floors first, lowest first
};

// A location with fewer scans than this is marked.
inline constexpr int32_t kFewScans = 3;

// The scans of scans.txt (made here and fetched alike) by building, floor and
// location, buildings by name. Damaged lines, and scans of a building the records
// do not know, are passed over. only: one building's identifier; 0: every building.
std::vector<BuildingCoverage> surveyCoverage(LocationDatabase& database, uint32_t only = 0);

// The page; now decides which newest scans are over a year old.
std::string buildCoveragePage(const std::vector<BuildingCoverage>& buildings, std::time_t now);

} // namespace nearbeam
