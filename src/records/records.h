#pragma once
// The records of the location database: named records (networks, countries,
// provinces, cities, areas, buildings, services) and location records (one per
// access point). Records are owned by the table that read or made them; every
// pointer between records is non-owning and stays valid until the cache is cleared.

#include "records/bssid_key.h"
#include "records/record_codes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace nearbeam {

class TextTable;

struct NamedRecord {
    explicit NamedRecord(RecordKind k) : kind(k) {}
    virtual ~NamedRecord() = default;
    NamedRecord(const NamedRecord&) = default;
    NamedRecord& operator=(const NamedRecord&) = default;

    RecordKind kind;
    uint32_t id = 0;
    std::string name;
    // Province: its country; city: its province; area: its city; building: its
    // city (also when the building lies in an area). None for the other kinds.
    NamedRecord* parent = nullptr;
    int32_t status = record_status::New;

    // The record's file line with its line break ("\n"; written to the file as
    // CR LF). Never longer than kMaxLineLength: over-long texts are shortened so
    // that the line still ends in its status and line break.
    virtual std::string formatLine() const;
    // The same into a caller's buffer, cut to capacity - 1 characters and always
    // terminated. Returns the number of characters written.
    int formatLine(char* buffer, size_t capacity) const;
};

struct BuildingRecord : NamedRecord {
    BuildingRecord() : NamedRecord(RecordKind::Building) {}
    NamedRecord* area = nullptr; // none for a building outside any area
    std::string streetAddress;
    std::string formatLine() const override;
};

struct ServiceRecord : NamedRecord {
    ServiceRecord() : NamedRecord(RecordKind::Service) {}
    uint32_t scopeId = 0; // the place the service is attached to; 0 for everywhere
    int32_t level = service_level::Everywhere;
    std::string url; // possibly a URL template
};

// Called once per service: its label and its url (possibly a template).
using ServiceCallback = std::function<void(const std::string& label, const std::string& url)>;

struct LocationRecord {
    int32_t status = record_status::New;
    NamedRecord* network = nullptr;
    BuildingRecord* building = nullptr;
    std::string floor;
    std::string location;
    BssidKey bssid;

    // Derived from building by resolveParents.
    bool resolved = false;
    NamedRecord* area = nullptr;
    NamedRecord* city = nullptr;
    NamedRecord* province = nullptr;
    NamedRecord* country = nullptr;

    // The file line ("%s\t%lu\t%lu\t%s\t%s\t%i\n"), shortened like NamedRecord's.
    std::string formatLine() const;

    // The user changed the record: 3 becomes 4, anything else 5.
    void markEdited();

    // Fills area, city, province and country from the building, once.
    void resolveParents();
    // Names at each level; empty where there is no record.
    std::string networkName();
    std::string countryName();
    std::string provinceName();
    std::string cityName();
    std::string areaName();
    std::string buildingName();
    std::string buildingAddress();
    // The floor as shown: "3" gives "3rd floor"; words come back unchanged.
    std::string floorText() const;
    // The template with {bssid}, {location}, {area}, {building}, {buildingid},
    // {streetaddr}, {city}, {country} and {province} filled in.
    std::string expandTemplate(const std::string& templ);
    // Calls back, in file order, for each service of the services table attached
    // to this place at the level (service_level). Nothing for a level outside 0-6
    // or a place without a record at that level.
    void forEachService(const TextTable& services, int32_t level, const ServiceCallback& callback);
};

// The floor text rule on its own.
std::string floorText(const std::string& floor);
// Query-value encoding: space as "+", and " # & ' + = ? as %XX; every other byte as is.
std::string urlEncode(const std::string& text);

} // namespace nearbeam
