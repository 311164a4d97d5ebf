#include "ui/set_location_wizard.h"

#include "base/text.h"
#include "base/utc_time.h"
#include "ui/heard_now.h"

#include <mutex>

namespace nearbeam {

namespace {

const wchar_t* const kCaption = L"Where am I?";

std::string nameOf(const NamedRecord* record) {
    return record ? record->name : std::string();
}

std::vector<std::string> children(const RecordTable& table, uint32_t parentId) {
    std::vector<std::string> names;
    table.forEachChild([&](const std::string& name) { names.push_back(name); }, parentId);
    return names;
}

BuildingRecord* asBuilding(NamedRecord* record) {
    return record && record->kind == RecordKind::Building ? static_cast<BuildingRecord*>(record)
                                                          : nullptr;
}

bool needsSave(int32_t status) {
    return status == record_status::New || status == record_status::LocalChanged ||
           status == record_status::Changed;
}

} // namespace

std::string wizardText(std::string text) {
    for (char& c : text) {
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    }
    return text;
}

const std::vector<std::string>& SetLocationWizard::floorChoices() {
    static const std::vector<std::string> floors{"Bsmt", "1", "2", "3", "4", "5"};
    return floors;
}

SetLocationWizard::SetLocationWizard(LocationDatabase& database, const BssidKey& key,
                                     LocationRecord* record, std::vector<ScanReading> heard)
    : database_(database), key_(key), record_(record), heard_(std::move(heard)) {
    NamedRecord* startCity = nullptr;
    NamedRecord* startArea = nullptr;
    if (record_) {
        record_->resolveParents();
        startCity = record_->city;
        startArea = record_->area;
        if (record_->building)
            startPlace_ = PlaceKey{record_->building->id, record_->floor, record_->location};
    } else {
        startCity = database_.cities().currentRecord();
    }
    if (!startCity)
        return;
    city_ = startCity;
    province_ = city_->parent;
    country_ = province_ ? province_->parent : nullptr;
    countryText_ = nameOf(country_);
    provinceText_ = nameOf(province_);
    cityText_ = nameOf(city_);
    area_ = startArea;
    firstPage_ = startArea ? WizardPage::Building : WizardPage::Area;
}

std::vector<std::string> SetLocationWizard::placeTexts() const {
    if (countryText_.empty() || provinceText_.empty() || cityText_.empty())
        return {"", "", ""};
    return {countryText_, provinceText_, cityText_};
}

std::vector<std::string> SetLocationWizard::countries() const {
    return children(database_.countries(), 0);
}

SetLocationWizard::CountryChange SetLocationWizard::countryChanged(const std::string& country) {
    CountryChange change;
    country_ = database_.countries().findByName(wizardText(country), nullptr, nullptr, false);
    std::string province;
    if (country_) {
        change.provinces.items = children(database_.provinces(), country_->id);
        if (province_ && province_->parent == country_)
            province = province_->name;
    }
    if (province.empty()) {
        province_ = nullptr;
        provinceText_.clear();
    }
    change.provinces.text = province;
    change.cities = provinceChanged(province);
    return change;
}

ComboContent SetLocationWizard::provinceChanged(const std::string& province) {
    ComboContent cities;
    // Without a country no province can be its child: a province of the same
    // name elsewhere must not fill the city list.
    province_ =
        country_ && !province.empty()
            ? database_.provinces().findByName(wizardText(province), country_, nullptr, false)
            : nullptr;
    if (province_) {
        cities.items = children(database_.cities(), province_->id);
        if (city_ && city_->parent == province_) {
            cities.text = city_->name;
            return cities;
        }
    }
    city_ = nullptr;
    cityText_.clear();
    return cities;
}

std::optional<WizardMessage> SetLocationWizard::placeNext(const std::string& country,
                                                          const std::string& province,
                                                          const std::string& city) {
    if (country.empty() || province.empty() || city.empty())
        return WizardMessage{L"All fields must be filled", kCaption};
    country_ = database_.countries().findOrCreate(wizardText(country), nullptr, nullptr, false);
    countryText_ = country_->name;
    province_ = database_.provinces().findOrCreate(wizardText(province), country_, nullptr, false);
    provinceText_ = province_->name;
    city_ = database_.cities().findOrCreate(wizardText(city), province_, nullptr, false);
    cityText_ = city_->name;
    return std::nullopt;
}

std::wstring SetLocationWizard::areaLabel() const {
    return widen(cityText_) + L", " + widen(provinceText_) + L", " + widen(countryText_);
}

ComboContent SetLocationWizard::areaView() {
    ComboContent areas;
    areas.items.push_back("");
    if (city_) {
        for (std::string& name : children(database_.areas(), city_->id))
            areas.items.push_back(std::move(name));
    }
    NamedRecord* candidate = nullptr;
    if (record_) {
        record_->resolveParents();
        candidate = record_->area;
    } else {
        candidate = database_.areas().currentRecord();
    }
    if (candidate && city_ && candidate->parent == city_) {
        area_ = candidate;
        areas.text = candidate->name;
    } else {
        area_ = nullptr;
    }
    return areas;
}

void SetLocationWizard::areaNext(const std::string& area) {
    area_ = area.empty() || !city_
                ? nullptr
                : database_.areas().findOrCreate(wizardText(area), city_, nullptr, false);
}

bool SetLocationWizard::buildingFits(const BuildingRecord* building) const {
    return building && city_ && building->parent == city_ && (!area_ || building->area == area_);
}

SetLocationWizard::BuildingView SetLocationWizard::buildingView() {
    BuildingView view;
    BuildingRecord* candidate =
        record_ ? record_->building : asBuilding(database_.buildings().currentRecord());
    if (candidate && candidate->area == area_ && buildingFits(candidate)) {
        view.building = candidate->name;
        view.streetAddress = buildingChanged(candidate->name);
    }
    if (record_) {
        view.floor = record_->floor;
        view.location = record_->location;
    }
    view.buildings = buildingNames();
    return view;
}

std::vector<std::string> SetLocationWizard::buildingNames() const {
    std::vector<std::string> names;
    if (city_) {
        database_.buildings().forEachBuilding(
            [&](const std::string& name) { names.push_back(name); }, city_->id,
            area_ ? area_->id : 0);
    }
    return names;
}

std::optional<std::string> SetLocationWizard::buildingChanged(const std::string& building) {
    building_ =
        city_ && !building.empty()
            ? asBuilding(database_.buildings().findByName(wizardText(building), city_, area_, true))
            : nullptr;
    if (!building_)
        return std::nullopt;
    return building_->streetAddress;
}

std::wstring SetLocationWizard::keptHereNote() const {
    return database_.optedOut().contains(key_)
               ? L"This network asked not to be mapped: it stays on this computer."
               : std::wstring();
}

std::wstring SetLocationWizard::scanNote() const {
    return heard_.empty() ? L"Nothing was heard when this wizard opened: no survey scan of the "
                            L"place is kept."
                          : std::wstring();
}

std::optional<WizardMessage>
SetLocationWizard::stillHereQuestion(const BuildingFields& fields,
                                     const std::vector<ScanReading>& now) const {
    if (heard_.empty() || readingsDistance(heard_, now) <= kMovedDistance)
        return std::nullopt;
    std::wstring place = widen(wizardText(fields.building));
    if (!fields.location.empty())
        place += L", " + widen(wizardText(fields.location));
    return WizardMessage{L"The access points heard now are not those heard when this wizard "
                         L"opened. Are you still at " +
                             place + L"?",
                         kCaption};
}

WizardMessage SetLocationWizard::finishRefused() {
    return WizardMessage{L"Nothing was saved. Press Finish again at the place, or close the "
                         L"wizard.",
                         kCaption};
}

bool SetLocationWizard::keepScan(std::time_t now) {
    if (scanKept_ || heard_.empty() || !building_ || !record_)
        return true;
    SurveyScan scan;
    scan.buildingId = building_->id;
    scan.floor = record_->floor;
    scan.location = record_->location;
    scan.status = record_status::Local;
    scan.time = utcTimeText(now);
    scan.readings = heard_;
    // The upload rewrites the file under the database lock.
    std::lock_guard<std::recursive_mutex> guard(database_.lock());
    scanKept_ = database_.scans().append(scan);
    return scanKept_;
}

std::optional<WizardMessage> SetLocationWizard::finish(const BuildingFields& fields,
                                                       std::time_t now) {
    // A line without an address could never be read back nor uploaded, and the
    // place it names would be lost.
    if (!BssidKey::fromText(key_.view()))
        return WizardMessage{L"There is no access point here to place.", kCaption};
    if (!country_ || !province_ || !city_)
        return WizardMessage{L"Can't find info about previous pages. Probably out of memory.",
                             L"Internal Error"};
    // A building found before the user went back to another city or area is not
    // the one the pages now describe.
    if (!buildingFits(building_))
        building_ = nullptr;
    if (!building_) {
        if (fields.building.empty())
            return WizardMessage{L"You must specify a building name", kCaption};
        building_ = asBuilding(
            database_.buildings().findOrCreate(wizardText(fields.building), city_, area_, true));
        // Only a building made here takes the typed address; a stored one keeps its own.
        if (building_->status == record_status::New)
            building_->streetAddress = wizardText(fields.streetAddress);
    }

    LocationRecord* record = record_;
    if (!record) {
        record = database_.locations().findOrCreate(key_);
    } else if (!needsSave(record->status)) {
        // Marked once: a retry after a failed save keeps the first mark.
        record->markEdited();
    }
    record->building = building_;
    record->floor = wizardText(fields.floor);
    record->location = wizardText(fields.location);
    // The area, city, province and country follow the corrected building, so the
    // next page and the tray show the place as it is now.
    record->resolved = false;
    record->resolveParents();
    record_ = record;

    bool written = false;
    bool failed = false;
    struct Step {
        RecordTable& table;
        NamedRecord* record;
    };
    const Step steps[] = {{database_.countries(), country_},
                          {database_.provinces(), province_},
                          {database_.cities(), city_},
                          {database_.areas(), area_},
                          {database_.buildings(), building_}};
    for (const Step& step : steps) {
        if (!step.record || !needsSave(step.record->status))
            continue;
        if (step.table.saveRecord(*step.record))
            written = true;
        else
            failed = true;
    }
    if (needsSave(record->status)) {
        if (database_.locations().saveLocation(*record))
            written = true;
        else
            failed = true;
    }
    if (!failed && startPlace_ &&
        !database_.scansFollowPlace(*startPlace_,
                                    PlaceKey{building_->id, record->floor, record->location}))
        failed = true;
    const bool scanBefore = scanKept_;
    if (!failed && !keepScan(now))
        failed = true;
    // A scan made here waits for the upload as the records do.
    written = written || (scanKept_ && !scanBefore);
    if (written) {
        database_.changed = true;
        database_.setUploadNeeded(true);
    }
    if (failed)
        return WizardMessage{L"The place could not be saved: the data folder cannot be written.",
                             kCaption};
    return std::nullopt;
}

} // namespace nearbeam
