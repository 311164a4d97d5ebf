#include "records/records.h"

#include "records/record_lines.h"

#include <cstring>

namespace nearbeam {

namespace {
uint32_t idOf(const NamedRecord* record) {
    return record ? record->id : 0;
}
} // namespace

std::string NamedRecord::formatLine() const {
    if (kind == RecordKind::Country)
        return formatCountryLine(id, name, status);
    return formatChildLine(id, idOf(parent), name, status);
}

int NamedRecord::formatLine(char* buffer, size_t capacity) const {
    if (!buffer || capacity == 0)
        return 0;
    std::string line = formatLine();
    size_t n = line.size() < capacity - 1 ? line.size() : capacity - 1;
    std::memcpy(buffer, line.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

std::string BuildingRecord::formatLine() const {
    return formatBuildingLine(id, idOf(area), idOf(parent), name, streetAddress, status);
}

std::string LocationRecord::formatLine() const {
    return formatLocationLine(bssid.view(), idOf(building), idOf(network), floor, location, status);
}

void LocationRecord::markEdited() {
    status = status == record_status::Local ? record_status::LocalChanged : record_status::Changed;
}

} // namespace nearbeam
