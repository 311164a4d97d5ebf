// The upload's reply, whatever the server sends: the upload always ends, and the
// local records and the upload-needed flag go only when the server said
// "- nearbeam ok" and the reply came in whole. Every line the files are left
// with ends in CR LF.

#include "base/clock.h"
#include "base/memory_settings_store.h"
#include "base/password_store.h"
#include "base/settings_keys.h"
#include "fuzz_files.h"
#include "locate/location_database.h"
#include "net/uploader.h"
#include "net/web_agent.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace nearbeam;
using fuzz::check;
using fuzz::readFile;
using fuzz::writeFile;

namespace {

// Answers with the input: its first byte says whether the attempt completes and
// how the body is cut into pieces.
class ReplyTransport : public HttpTransport {
  public:
    std::string_view reply;
    bool completes = true;
    size_t piece = 1;

    bool perform(const HttpAttempt&, HttpSink& sink) override {
        sink.progress(WebProgress::Connecting);
        sink.progress(WebProgress::RequestSent);
        if (!sink.status(200, -1))
            return false;
        for (size_t at = 0; at < reply.size(); at += piece) {
            const std::string_view part = reply.substr(at, piece);
            if (!sink.received(part.data(), part.size()))
                return false;
        }
        return completes;
    }
};

bool linesEndInCrLf(const std::string& bytes) {
    if (!bytes.empty() && bytes.back() != '\n')
        return false;
    for (size_t at = bytes.find('\n'); at != std::string::npos; at = bytes.find('\n', at + 1)) {
        if (at == 0 || bytes[at - 1] != '\r')
            return false;
    }
    return true;
}

const std::string kBuildings = "7\t0\t21\tOld hall\tHigh Street\t0\r\n"
                               "4294967295\t0\t21\tBus shelter\tHarbour Road\t3\r\n";
const std::string kAps = "0c8112aa0002\t7\t1\t\tDesk\t0\r\n"
                         "0c8112aa0001\t4294967295\t0\t\tBus stop\t3\r\n";
const std::string kScans = "4294967295\t\tBus stop\t3\t2026-12-08T09:15:00Z\t0c8112aa0001:-40\r\n";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const std::string& dir = fuzz::folder();
    writeFile(dir + "building.txt", kBuildings);
    writeFile(dir + "ap.txt", kAps);
    writeFile(dir + "scans.txt", kScans);

    MemorySettingsStore settings;
    settings::write(settings, settings::Username, L"fuzz");
    PlainPasswordStore passwords(settings);
    LocationDatabase database(settings);
    database.openDatabase(dir);
    database.setUploadNeeded(true);

    ReplyTransport transport;
    transport.completes = (data[0] & 1) == 0;
    transport.piece = 1 + (data[0] >> 1);
    transport.reply = std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1);
    ManualClock clock(1000000);
    WebAgent agent(transport, clock, WebAgent::Options{WebAgent::kWaitMs, false});
    Uploader uploader(agent, database, settings, passwords, [](const std::wstring&) {});
    check(uploader.startUpload(nullptr));
    agent.runPending();
    check(!uploader.busy() && !agent.isPending(Uploader::kRequestKey));

    const bool accepted = transport.reply.find("- nearbeam ok") != std::string_view::npos;
    if (!accepted || !transport.completes) {
        check(readFile(dir + "building.txt") == kBuildings);
        check(readFile(dir + "ap.txt") == kAps);
        check(readFile(dir + "scans.txt") == kScans);
        check(settings::read(settings, settings::UploadNeeded) == 1);
    }
    for (const char* file : {"building.txt", "ap.txt", "country.txt", "province.txt", "city.txt",
                             "area.txt", "scans.txt"}) {
        check(linesEndInCrLf(readFile(dir + file)));
    }
    return 0;
}
