#include "ui/survey_model.h"

#include "base/text.h"
#include "records/data_file.h"
#include "records/record_lines.h"
#include "ui/set_location_wizard.h"

#include <algorithm>
#include <mutex>

namespace nearbeam {

SurveyModel::SurveyModel(LocationDatabase& database, TakeScan takeScan)
    : database_(database), takeScan_(std::move(takeScan)) {}

bool SurveyModel::record(const SurveyRequest& request) {
    if (view_.state == SurveyState::Recording)
        return false;
    auto refuse = [&](std::wstring text) {
        view_.message = std::move(text);
        return false;
    };
    for (const std::string* text : {&request.building, &request.floor, &request.location}) {
        if (std::wstring fault = surveyTextFault(*text); !fault.empty())
            return refuse(fault);
    }
    if (request.building.empty())
        return refuse(L"Choose the building to survey.");
    const std::optional<int32_t> count = surveyScanCount(request.count);
    if (!count)
        return refuse(surveyCountMessage());
    const std::vector<uint32_t> buildings = buildingsNamed(database_, request.building);
    if (buildings.empty())
        return refuse(L"The building \"" + widen(request.building) +
                      L"\" is not in the records: place an access point in it first.");
    uint32_t building = buildings.front();
    if (buildings.size() > 1) {
        if (std::find(buildings.begin(), buildings.end(), request.preferredBuilding) ==
            buildings.end())
            return refuse(L"Several buildings are called \"" + widen(request.building) +
                          L"\": survey from inside the one you mean.");
        building = request.preferredBuilding;
    }
    place_ = PlaceKey{building, request.floor, request.location};
    lastTick_.reset();
    view_ = SurveyView();
    view_.state = SurveyState::Recording;
    view_.total = *count;
    view_.canRecord = false;
    view_.canStop = true;
    setProgress();
    return true;
}

void SurveyModel::stop() {
    if (view_.state != SurveyState::Recording)
        return;
    view_.state = SurveyState::StoppedEarly;
    view_.message = L"Stopped: " + view_.progress + L" kept.";
    view_.canRecord = true;
    view_.canStop = false;
}

bool SurveyModel::tick(uint64_t tickNumber) {
    if (view_.state != SurveyState::Recording || lastTick_ == tickNumber)
        return false;
    lastTick_ = tickNumber;
    const TakenScan taken = takeScan_(place_);
    view_.lastScanned = taken.kept;
    view_.warning = taken.inRange < kFewAccessPoints
                        ? L"Fewer than three access points in range: these scans will tell "
                          L"this place from its neighbours poorly."
                        : L"";
    switch (taken.outcome) {
    case TakenScan::Outcome::Stored:
        ++view_.recorded;
        view_.message.clear();
        break;
    case TakenScan::Outcome::NothingHeard:
        view_.message = L"No access point to record at this moment; trying again.";
        break;
    case TakenScan::Outcome::NotWritten:
        view_.state = SurveyState::Failed;
        view_.message = L"The scans could not be written to scans.txt (is the disk full or the "
                        L"file read-only?). " +
                        std::to_wstring(view_.recorded) + L" of " + std::to_wstring(view_.total) +
                        L" scans were stored.";
        break;
    }
    setProgress();
    if (view_.state == SurveyState::Recording && view_.recorded == view_.total) {
        view_.state = SurveyState::Finished;
        view_.message = L"Done: " + view_.progress + L" recorded.";
    }
    if (view_.state != SurveyState::Recording) {
        view_.canRecord = true;
        view_.canStop = false;
    }
    return true;
}

void SurveyModel::setProgress() {
    view_.progress = std::to_wstring(view_.recorded) + L" of " + std::to_wstring(view_.total) +
                     (view_.total == 1 ? L" scan" : L" scans");
}

std::optional<int32_t> surveyScanCount(std::string_view text) {
    if (text.empty() || text.size() > 2 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const int32_t count = std::stoi(std::string(text));
    if (count < 1 || count > SurveyModel::kMaxScans)
        return std::nullopt;
    return count;
}

std::wstring surveyCountMessage() {
    return L"The number of scans is a whole number from 1 to " +
           std::to_wstring(SurveyModel::kMaxScans) + L".";
}

std::wstring surveyTextFault(std::string_view text) {
    const bool control = std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f;
    });
    return control ? L"A place name cannot hold a tab, a line break or another control character."
                   : L"";
}

std::optional<SurveyRequest> surveyPlaceOf(std::string_view text) {
    const size_t first = text.find('/');
    if (first == std::string_view::npos)
        return std::nullopt;
    const size_t second = text.find('/', first + 1);
    if (second == std::string_view::npos)
        return std::nullopt;
    SurveyRequest request;
    request.building = std::string(text.substr(0, first));
    request.floor = std::string(text.substr(first + 1, second - first - 1));
    request.location = std::string(text.substr(second + 1));
    return request;
}

SurveyChoices surveyChoices(LocationDatabase& database, const std::optional<PlaceKey>& current) {
    SurveyChoices choices;
    choices.floors = SetLocationWizard::floorChoices();
    std::lock_guard<std::recursive_mutex> guard(database.lock());
    datafile::forEachPartOfFile(database.buildings().path(), [&](std::string_view part) {
        const RecordFields fields = parseRecordFields(RecordKind::Building, part);
        auto& names = choices.buildings;
        if (fields.id != 0 && !fields.name.empty() &&
            std::find(names.begin(), names.end(), fields.name) == names.end())
            names.push_back(fields.name);
        return false;
    });
    if (current) {
        if (const NamedRecord* building = database.buildings().findById(current->buildingId)) {
            choices.start.building = building->name;
            choices.start.floor = current->floor;
            choices.start.location = current->location;
            choices.start.preferredBuilding = building->id;
        }
    }
    return choices;
}

std::vector<uint32_t> buildingsNamed(LocationDatabase& database, const std::string& name) {
    std::vector<uint32_t> found;
    std::lock_guard<std::recursive_mutex> guard(database.lock());
    datafile::forEachPartOfFile(database.buildings().path(), [&](std::string_view part) {
        const RecordFields fields = parseRecordFields(RecordKind::Building, part);
        if (fields.id != 0 && fields.name == name &&
            std::find(found.begin(), found.end(), fields.id) == found.end())
            found.push_back(fields.id);
        return false;
    });
    return found;
}

} // namespace nearbeam
