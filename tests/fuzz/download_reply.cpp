// Download replies of any bytes, arriving in any pieces: every line lands in the
// file of its section exactly as merging the reply line by line would put it, a
// record line outside a section makes the reply bad, only a good reply adds
// the access point to the asked list, and only a good one adds survey scans: whole
// scans.txt lines with status 0, of the building of the reply's first access point.

#include "base/clock.h"
#include "base/file_ops.h"
#include "base/memory_settings_store.h"
#include "fuzz_files.h"
#include "locate/location_database.h"
#include "net/line_splitter.h"
#include "net/location_download.h"
#include "net/web_agent.h"
#include "records/record_lines.h"
#include "survey/survey_scan.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace nearbeam;
using fuzz::check;

namespace {

const char* const kFiles[] = {"network.txt", "country.txt",  "province.txt", "city.txt",
                              "area.txt",    "building.txt", "ap.txt",       "services.txt"};

// Answers every attempt with the body, cut in two where the first byte says.
class ReplyTransport : public HttpTransport {
  public:
    ReplyTransport(std::string_view body, size_t cut) : body_(body), cut_(cut) {}
    bool perform(const HttpAttempt&, HttpSink& sink) override {
        sink.progress(WebProgress::Connecting);
        sink.progress(WebProgress::Connected);
        if (!sink.status(200, -1))
            return false;
        sink.progress(WebProgress::Receiving);
        return sink.received(body_.data(), cut_) &&
               sink.received(body_.data() + cut_, body_.size() - cut_);
    }

  private:
    std::string_view body_;
    size_t cut_;
};

std::string fresh(const std::string& name) {
    const std::string dir = fuzz::folder() + name + "/";
    makeFolder(dir);
    for (const char* f : kFiles)
        removeFile(dir + f);
    removeFile(dir + "apchecked.txt");
    removeFile(dir + "scans.txt");
    removeFile(dir + "scanschecked.txt");
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const std::string_view body(reinterpret_cast<const char*>(data) + 1, size - 1);
    const size_t cut = body.empty() ? 0 : data[0] * 7919u % (body.size() + 1);
    const BssidKey key = *BssidKey::fromText("00112233aabb");

    MemorySettingsStore settings;
    LocationDatabase db(settings);
    db.openDatabase(fresh("download"));
    ReplyTransport transport(body, cut);
    ManualClock clock(1000);
    WebAgent agent(transport, clock, WebAgent::Options{WebAgent::kWaitMs, false});
    LocationDownload download(agent, db, settings, clock);
    check(download.requestDownload(key));
    agent.runPending();

    // The same reply merged one line at a time into a second folder.
    LocationDatabase model(settings);
    model.openDatabase(fresh("model"));
    constexpr int kScans = 9;
    int section = 0;
    bool bad = false;
    uint32_t building = 0;
    LineSplitter lines;
    lines.feed(body.data(), body.size(), [&](std::string_view line) {
        if (!line.empty() && line[0] == '-') {
            section = line == "- scans" ? kScans : LocationDatabase::sectionOfHeading(line);
        } else if (section == 0) {
            bad = true;
        } else if (section != kScans) {
            if (section == 8 && building == 0 && line.find('\t') != std::string_view::npos)
                building = readIdentifier(line.substr(line.find('\t') + 1));
            model.tableForSection(section)->appendServerLine(line);
        }
    });

    check(download.state() == (bad ? lookup_status::Malformed : lookup_status::Idle));
    for (const char* f : kFiles)
        check(fuzz::readFile(db.folder() + f) == fuzz::readFile(model.folder() + f));
    check(fuzz::readFile(db.folder() + "apchecked.txt") == (bad ? "" : "00112233aabb\r\n"));
    const std::string scans = fuzz::readFile(db.folder() + "scans.txt");
    check(scans.empty() || (!bad && building != 0));
    for (size_t at = 0, end; (end = scans.find("\r\n", at)) != std::string::npos; at = end + 2) {
        const std::optional<SurveyScan> scan = parseScanLine(scans.substr(at, end - at));
        check(scan && scan->status == 0 && scan->buildingId == building);
    }
    check(fuzz::readFile(db.folder() + "scanschecked.txt") ==
          (bad || building == 0 ? "" : std::to_string(building) + "\r\n"));
    // After a bad reply no new download for a while; after a good one at once.
    clock.advance(1000);
    check(download.requestDownload(*BssidKey::fromText("00112233aabc")) == !bad);
    return 0;
}
