#pragma once
// What the Survey window does, without the window: it records a number of survey
// scans at one place, one a tick, each stored in scans.txt (status 3) the moment
// it is taken, so that Stop or a crash keeps what was recorded. The window (and
// the command line's --survey) only hand it texts and ticks and show its view.

#include "locate/location_database.h"
#include "records/place_key.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nearbeam {

// The place and the number of scans as the user gives them.
struct SurveyRequest {
    std::string building; // a building's name as building.txt has it
    std::string floor;    // floor and location as ap.txt writes them
    std::string location;
    std::string count = "6";
    // The building of the current place (0: none), chosen when several buildings
    // bear the name asked for.
    uint32_t preferredBuilding = 0;
};

// What the Survey window's pickers start with.
struct SurveyChoices {
    SurveyRequest start;                // the current place, when there is one
    std::vector<std::string> buildings; // every building's name, once, in file order
    std::vector<std::string> floors;    // the wizard's floors
};

// What taking one scan at a place gave.
struct TakenScan {
    enum class Outcome { Stored, NothingHeard, NotWritten };
    Outcome outcome = Outcome::NothingHeard;
    int32_t inRange = 0; // infrastructure access points in the scan table
    int32_t kept = 0;    // of them in the scan (those that asked not to be mapped left out)
};

enum class SurveyState { Idle, Recording, Finished, StoppedEarly, Failed };

struct SurveyView {
    SurveyState state = SurveyState::Idle;
    int32_t recorded = 0;
    int32_t total = 0;
    std::wstring progress;    // "3 of 6 scans"; empty before the first Record
    int32_t lastScanned = -1; // access points in the last scan; -1: none yet
    std::wstring warning;     // too few access points for a good scan
    std::wstring message;     // why Record was refused, or how the survey ended
    bool canRecord = true;
    bool canStop = false;
};

class SurveyModel {
  public:
    static constexpr int32_t kDefaultScans = 6;
    static constexpr int32_t kMaxScans = 60;
    // Fewer infrastructure access points than this place a spot poorly.
    static constexpr int32_t kFewAccessPoints = 3;

    // Takes one scan of what is in range now at the place and stores it.
    using TakeScan = std::function<TakenScan(const PlaceKey& place)>;

    SurveyModel(LocationDatabase& database, TakeScan takeScan);

    // "Record": checks the request and starts recording at the next tick. False,
    // with the reason in the view's message, when it cannot start; a survey under
    // way is never replaced.
    bool record(const SurveyRequest& request);
    // "Stop": what was recorded stays.
    void stop();
    // The program's tick, numbered: one scan while recording, never two for the
    // same tick number. True when the view changed.
    bool tick(uint64_t tickNumber);

    const SurveyView& view() const { return view_; }
    // The place being (or last) surveyed.
    const PlaceKey& place() const { return place_; }

  private:
    void setProgress();

    LocationDatabase& database_;
    TakeScan takeScan_;
    PlaceKey place_;
    std::optional<uint64_t> lastTick_;
    SurveyView view_;
};

// The number of scans asked for: a whole number from 1 to kMaxScans; none for
// anything else (the message is surveyCountMessage()).
std::optional<int32_t> surveyScanCount(std::string_view text);
std::wstring surveyCountMessage();

// A name that cannot stand in a scans.txt field: a tab, a line break or another
// control character shifts or splits the line. Empty when the text is fine.
std::wstring surveyTextFault(std::string_view text);

// "BUILDING/FLOOR/LOCATION" split at its first two slashes (the location may hold
// more); none when it has fewer than two.
std::optional<SurveyRequest> surveyPlaceOf(std::string_view text);

// The pickers' lists, starting from the current place (none: empty fields).
SurveyChoices surveyChoices(LocationDatabase& database, const std::optional<PlaceKey>& current);

// The identifiers of the buildings called name in building.txt, in file order.
std::vector<uint32_t> buildingsNamed(LocationDatabase& database, const std::string& name);

} // namespace nearbeam
