#pragma once
// The decisions of the set-location wizard, which attaches one access point to a
// country, province, city, optional area, building, floor and location. The three
// pages (Place, Area, Building) only move texts between their controls and this
// object: which page comes first, what each change and button does to the
// choices, and what Finish saves, in which order.

#include "locate/location_database.h"
#include "locate/place_decision.h"
#include "records/bssid_key.h"
#include "records/records.h"
#include "survey/survey_scan.h"

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace nearbeam {

enum class WizardPage { Place, Area, Building };

// A message box the wizard shows instead of going on.
struct WizardMessage {
    std::wstring text;
    std::wstring caption;
    friend bool operator==(const WizardMessage& a, const WizardMessage& b) {
        return a.text == b.text && a.caption == b.caption;
    }
};

// What a combo box shows after a change: its list, and the text of its field.
struct ComboContent {
    std::vector<std::string> items;
    std::string text;
};

// What the fields of the Building page hold when Finish is pressed.
struct BuildingFields {
    std::string building;
    std::string streetAddress;
    std::string floor;
    std::string location;
};

class SetLocationWizard {
  public:
    // The longest text a field of the wizard takes from the user.
    static constexpr size_t kFieldChars = 31;
    // The floors offered in the Building page's list.
    static const std::vector<std::string>& floorChoices();

    // Starts placing the access point `key`; record: its location record to
    // correct, or none. Choices start from the record's city and area, else from
    // the city most recently looked up. heard: what the latest scan heard as the
    // wizard opened (latestScanReadings), kept as the place's survey scan.
    SetLocationWizard(LocationDatabase& database, const BssidKey& key, LocationRecord* record,
                      std::vector<ScanReading> heard = {});

    const BssidKey& key() const { return key_; }
    LocationRecord* record() const { return record_; }
    // Building when the starting place has an area, Area when it has a city
    // only, otherwise Place.
    WizardPage firstPage() const { return firstPage_; }

    // Place page. The texts its fields start with: the starting city's chain, or
    // all empty when one of them is missing.
    std::vector<std::string> placeTexts() const;
    std::vector<std::string> countries() const;
    // The country field changed: the province and city combos as they follow.
    struct CountryChange {
        ComboContent provinces;
        ComboContent cities;
    };
    CountryChange countryChanged(const std::string& country);
    // The province field changed: the city combo as it follows.
    ComboContent provinceChanged(const std::string& province);
    // "Next >>": finds or makes the three records. A message when a field is empty.
    std::optional<WizardMessage> placeNext(const std::string& country, const std::string& province,
                                           const std::string& city);

    // Area page: "City, Province, Country" for its label, and the area combo
    // (an empty first item, then the city's areas; the field holds the area to
    // start from when it lies in the chosen city).
    std::wstring areaLabel() const;
    ComboContent areaView();
    // "Next >>": an empty text means no area.
    void areaNext(const std::string& area);

    // Building page: the fields it starts with, its building list and floors.
    struct BuildingView {
        std::optional<std::string> building; // with its street address, when known
        std::optional<std::string> streetAddress;
        std::optional<std::string> floor; // of the record being corrected
        std::optional<std::string> location;
        std::vector<std::string> buildings;
    };
    BuildingView buildingView();
    // The buildings of the chosen city and area, in file order.
    std::vector<std::string> buildingNames() const;
    // The building field changed: the street address of the building found.
    std::optional<std::string> buildingChanged(const std::string& building);
    // What the last page says of an access point that asked not to be mapped (its
    // place is never uploaded); empty for any other.
    std::wstring keptHereNote() const;

    // What the last page says of the survey scan: that none is kept when the
    // latest scan heard nothing as the wizard opened; empty otherwise.
    std::wstring scanNote() const;

    // Asked before Finish saves: when what is heard now (latestScanReadings) is
    // far from what was heard as the wizard opened (readingsDistance beyond
    // kMovedDistance), whether the user is still at the place the fields name.
    // The answer no saves nothing (finishRefused says so). None when nothing
    // was heard at the opening: no scan is kept then.
    std::optional<WizardMessage> stillHereQuestion(const BuildingFields& fields,
                                                   const std::vector<ScanReading>& now) const;
    static WizardMessage finishRefused();

    // "Finish": saves the place, and what was heard as the wizard opened as a
    // survey scan of it (status 3, at time now). A message when it cannot (then
    // nothing or not all was saved and the wizard stays open); none when it is
    // saved. Nothing is saved for a key that is no access point's address. The
    // survey scans of the place the record had follow it when no other access
    // point names that place (LocationDatabase::scansFollowPlace).
    std::optional<WizardMessage> finish(const BuildingFields& fields,
                                        std::time_t now = std::time(nullptr));

    NamedRecord* country() const { return country_; }
    NamedRecord* province() const { return province_; }
    NamedRecord* city() const { return city_; }
    NamedRecord* area() const { return area_; }
    BuildingRecord* building() const { return building_; }

  private:
    bool buildingFits(const BuildingRecord* building) const;
    bool keepScan(std::time_t now);

    LocationDatabase& database_;
    BssidKey key_;
    LocationRecord* record_;
    std::vector<ScanReading> heard_;
    bool scanKept_ = false;              // a second Finish after a failed save keeps one scan
    std::optional<PlaceKey> startPlace_; // the place of the record being corrected
    NamedRecord* country_ = nullptr;
    NamedRecord* province_ = nullptr;
    NamedRecord* city_ = nullptr;
    NamedRecord* area_ = nullptr;
    BuildingRecord* building_ = nullptr;
    std::string countryText_;
    std::string provinceText_;
    std::string cityText_;
    WizardPage firstPage_ = WizardPage::Place;
};

// A field's text as the wizard stores it: a tab or line break cannot be part of
// a record line, so each becomes a space.
std::string wizardText(std::string text);

} // namespace nearbeam
