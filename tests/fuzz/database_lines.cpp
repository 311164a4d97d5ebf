// Record lines of every kind (survey scans too), as read from a data file or a
// server reply: parsing never fails, and formatting gives lines that read back.

#include "records/record_lines.h"
#include "survey/survey_scan.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace nearbeam;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view line(reinterpret_cast<const char*>(data), size);
    const RecordKind kinds[] = {RecordKind::Network, RecordKind::Country, RecordKind::Province,
                                RecordKind::City,    RecordKind::Area,    RecordKind::Building,
                                RecordKind::Service};
    for (RecordKind kind : kinds) {
        RecordFields f = parseRecordFields(kind, line);
        if (f.name.find('\0') != std::string::npos)
            std::abort();
    }
    LocationFields l = parseLocationFields(line);
    withoutStatus(line);
    readSigned(line);
    leadingIdentifierIs(line, readIdentifier(line));

    // A written line is never longer than a file line and always keeps its fields,
    // status and line break, whatever the texts hold (tabs and line breaks too).
    const std::string text(line);
    std::string written = formatLocationLine("001122334455", 1, 2, text, text, 3);
    if (written.size() > kMaxLineLength || written.back() != '\n')
        std::abort();
    LocationFields back = parseLocationFields(written);
    if (back.status != 3 || back.buildingId != 1 || back.networkId != 2 ||
        written.find('\n') != written.size() - 1)
        std::abort();
    written = formatBuildingLine(4294967295u, 0, 7, text, text, 6);
    RecordFields b = parseRecordFields(RecordKind::Building, written);
    if (written.size() > kMaxLineLength || b.status != 6 || b.parentId != 7)
        std::abort();
    // A scan line that reads has an access point and writes back to a line that
    // reads the same readings.
    if (const std::optional<SurveyScan> scan = parseScanLine(line)) {
        const std::optional<SurveyScan> again = parseScanLine(formatScanLine(*scan));
        if (scan->readings.empty() || scan->buildingId == 0 || !again ||
            again->readings != scan->readings || again->buildingId != scan->buildingId)
            std::abort();
    }
    (void)l;
    return 0;
}
