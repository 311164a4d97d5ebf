// Survey scans through the protocol: uploaded with the records, downloaded with
// an access point when asked for, on each storage.

#include "server/location_service.h"

#include "server/protocol/line_fit.h"

#include "net/md5.h"
#include "net/server_records.h"
#include "server/accounts/accounts.h"
#include "server/protocol/scan_lines.h"
#include "server/storage/backends.h"
#include "server/storage/folder_io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace nearbeam::test {
namespace {

class ScanProtocolTest : public StorageTest {
  protected:
    void SetUp() override {
        StorageTest::SetUp();
        writeServerRecords(dir);
        std::string error;
        ASSERT_TRUE(importFolder(storage(), dir.folder(), error)) << error;
        ASSERT_TRUE(addUser(storage(), "ann", "secret", error)) << error;
        service = std::make_unique<LocationService>(storage());
    }
    std::string upload(const std::string& records) {
        return service->upload("- login\nann\n" + loginToken("secret") + "\n" + records).text;
    }

    TempDir dir;
    std::unique_ptr<LocationService> service;
};
NEARBEAM_ON_EVERY_STORAGE(ScanProtocolTest);

// Scans of a building the upload makes and of one the server has are stored
// under the server's identifiers and sent back; a download asking for scans gets
// its building's, newest first and their times cut to the day, after today's
// reply, and one not asking gets today's reply byte for byte.
TEST_P(ScanProtocolTest, ScansGoUpWithTheRecordsAndComeDownWhenAskedFor) {
    const std::string today = service->downloadText("001122334455");
    const std::string reply =
        upload("- buildings\n4294967293\t0\t20\tHarbour\tQuay 2\t3\n"
               "- aps\naabbccddeeff\t4294967293\t0\t1\tHall\t3\n"
               "- scans\n"
               "4294967293\t1\tHall\t2026-12-08T09:15:00Z\taabbccddeeff:-40\t001122334455:-88\n"
               "31\t2\tReading room\t2026-12-08T09:00:00Z\t001122334455:-35\n"
               "31\t2\tStacks\t2026-12-08T10:00:00Z\t001122334455:-62\t0011223344AA:0\n"
               "- end\n");
    EXPECT_EQ(reply, "- nearbeam ok\n"
                     "- buildings\n32\t0\t20\tHarbour\tQuay 2\n"
                     "- aps\naabbccddeeff\t32\t0\t1\tHall\n"
                     "- scans\n"
                     "32\t1\tHall\t2026-12-08T09:15:00Z\taabbccddeeff:-40\t001122334455:-88\n"
                     "31\t2\tReading room\t2026-12-08T09:00:00Z\t001122334455:-35\n"
                     "31\t2\tStacks\t2026-12-08T10:00:00Z\t001122334455:-62\t0011223344aa:0\n"
                     "- msg Thank you, ann: 2 records and 3 scans stored.\n"
                     "- end\n");

    EXPECT_EQ(service->downloadText("001122334455"), today);
    EXPECT_EQ(service->downloadText("001122334455", true),
              today.substr(0, today.size() - 6) +
                  "- scans\n"
                  "31\t2\tStacks\t2026-12-08T00:00:00Z\t001122334455:-62\t0011223344aa:0\n"
                  "31\t2\tReading room\t2026-12-08T00:00:00Z\t001122334455:-35\n"
                  "- end\n");
    const std::string harbour = service->downloadText("aabbccddeeff");
    EXPECT_EQ(service->downloadText("aabbccddeeff", true),
              harbour.substr(0, harbour.size() - 6) +
                  "- scans\n"
                  "32\t1\tHall\t2026-12-08T00:00:00Z\taabbccddeeff:-40\t001122334455:-88\n"
                  "- end\n");
    EXPECT_EQ(service->downloadText("ffffffffffff", true), "- end\n");
    // An upload without scans is answered as before.
    EXPECT_EQ(upload("- end\n"), "- nearbeam ok\n- msg Thank you, ann: 0 records stored.\n- end\n");
}

// A scan line the server cannot take refuses the whole upload, naming the line.
TEST_P(ScanProtocolTest, ABadScanLineRefusesTheUpload) {
    std::string wide = "31\t2\tHall\t2026-12-08T09:00:00Z";
    for (int i = 0; i <= 60; ++i) {
        char field[24];
        std::snprintf(field, sizeof field, "\t0011223344%02x:-50", i);
        wide += field;
    }
    const std::string good = "31\t2\tHall\t2026-12-08T09:00:00Z\t001122334455:-50\n";
    std::string many;
    for (int i = 0; i <= 200; ++i)
        many += good;
    const std::string room(400, 'r');
    const std::string longLine =
        "31\t2\t" + std::string(1600, 'r') + "\t2026-12-08T09:00:00Z\t001122334455:-50";
    const struct {
        std::string lines;
        std::string error;
    } cases[] = {
        {wide + "\n", "A scan holds more than 60 access points: " + quotedLine(wide)},
        {"31\t2\tHall\t2026-12-08T09:00:00Z\t0011223344:-50\n",
         "An access point of a scan is not 12 hexadecimal digits: "
         "31\t2\tHall\t2026-12-08T09:00:00Z\t0011223344:-50"},
        {"31\t2\tHall\t2026-12-08T09:00:00Z\t001122334455:-121\n",
         "A signal of a scan is not a whole number of dBm from -120 to 0: "
         "31\t2\tHall\t2026-12-08T09:00:00Z\t001122334455:-121"},
        {"31\t2\tHall\t2026-12-08T09:00:00Z\t001122334455:5\n",
         "A signal of a scan is not a whole number of dBm from -120 to 0: "
         "31\t2\tHall\t2026-12-08T09:00:00Z\t001122334455:5"},
        {"31\t2\tHall\t9:00\t001122334455:-50\n",
         "A scan line could not be read: 31\t2\tHall\t9:00\t001122334455:-50"},
        {"4294967000\t2\tHall\t2026-12-08T09:00:00Z\t001122334455:-50\n",
         "A scan refers to a building the server does not know: "
         "4294967000\t2\tHall\t2026-12-08T09:00:00Z\t001122334455:-50"},
        {"999\t2\tHall\t2026-12-08T09:00:00Z\t001122334455:-50\n",
         "A scan refers to a building the server does not know: "
         "999\t2\tHall\t2026-12-08T09:00:00Z\t001122334455:-50"},
        {many, "An upload holds at most 200 scans."},
        {"31\t2\tHall\t1999-12-31T23:59:59Z\t001122334455:-50\n",
         "A scan's time is before 2000: 31\t2\tHall\t1999-12-31T23:59:59Z\t001122334455:-50"},
        {"31\t2\tHall\t2099-01-01T00:00:00Z\t001122334455:-50\n",
         "A scan's time is more than a day ahead of the server's clock: "
         "31\t2\tHall\t2099-01-01T00:00:00Z\t001122334455:-50"},
        {"31\t2\t" + room + "\t2026-12-08T09:00:00Z\t001122334455:-50\n",
         "A scan's location is longer than 304 bytes: " +
             quotedLine("31\t2\t" + room + "\t2026-12-08T09:00:00Z\t001122334455:-50")},
        {"31\t" + room + "\tHall\t2026-12-08T09:00:00Z\t001122334455:-50\n",
         "A scan's floor is longer than 305 bytes: " +
             quotedLine("31\t" + room + "\tHall\t2026-12-08T09:00:00Z\t001122334455:-50")},
        {longLine + "\n", "A scan line is longer than 1536 bytes: " + quotedLine(longLine)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(upload("- countries\n4294967295\tSweden\t3\n- scans\n" + good + c.lines),
                  "- error " + c.error + "\n- end\n");
        EXPECT_EQ(storedFile(storage(), "country.txt"), "7\tNorway\t0\r\n");
        EXPECT_EQ(storedFile(storage(), "scans.txt"), "");
    }
}

// A download hands out a building's newest scans: at most 2,000, together at most
// kMaxScanBytesPerDownload bytes (the newest that fit), and none too long for a
// line, as one stored before scans were bounded may be.
TEST_P(ScanProtocolTest, ADownloadCarriesTheNewestScansThatFit) {
    std::string readings60 = "001122334455:-50";
    for (int i = 1; i < 60; ++i) {
        char field[24];
        std::snprintf(field, sizeof field, "\t0011223344%02x:-100", i);
        readings60 += field;
    }
    const struct {
        int scans;
        std::string readings;
        bool newestTooLong; // the newest has a location of 2,000 bytes
        bool bytesBound;    // the bytes, not the count, decide
    } cases[] = {
        {2002, "001122334455:-50", true, false},
        {600, readings60, false, true},
    };
    for (const auto& c : cases) {
        std::string error;
        ASSERT_TRUE(storage().write(
            [&](Transaction& r) {
                for (int i = 0; i < c.scans; ++i) {
                    char time[40];
                    std::snprintf(time, sizeof time, "2026-12-%02dT%02d:%02d:37Z", 1 + i / 1440,
                                  i / 60 % 24, i % 60);
                    const bool tooLong = c.newestTooLong && i == c.scans - 1;
                    r.putScan({31, "2",
                               tooLong ? std::string(2000, 'x') : "Room " + std::to_string(i), time,
                               "filler", c.readings});
                }
                return true;
            },
            error))
            << error;
        const std::string reply = service->downloadText("001122334455", true);
        const size_t scans = reply.find("- scans\n");
        ASSERT_NE(scans, std::string::npos);
        std::vector<std::string> lines;
        for (size_t at = scans + 8; reply.compare(at, 6, "- end\n") != 0;
             at = reply.find('\n', at) + 1)
            lines.push_back(reply.substr(at, reply.find('\n', at) + 1 - at));
        // Newest first, each a day's time and no second of it.
        const int newest = c.scans - (c.newestTooLong ? 2 : 1);
        ASSERT_FALSE(lines.empty());
        const auto room = [](int i) { return "31\t2\tRoom " + std::to_string(i) + "\t"; };
        EXPECT_EQ(lines.front().rfind(room(newest), 0), 0u) << lines.front();
        EXPECT_EQ(reply.find(":37Z"), std::string::npos);
        const int oldest = newest + 1 - static_cast<int>(lines.size());
        EXPECT_EQ(lines.back().rfind(room(oldest), 0), 0u) << lines.back();
        size_t bytes = 0;
        for (const std::string& line : lines)
            bytes += line.size();
        EXPECT_LE(bytes, kMaxScanBytesPerDownload);
        if (c.bytesBound)
            EXPECT_GT(bytes + lines.back().size(),
                      kMaxScanBytesPerDownload); // the next did not fit
        else
            EXPECT_EQ(lines.size(), kMaxScansPerDownload);
        PurgeCounts purged;
        ASSERT_TRUE(storage().write(
            [&](Transaction& r) { return r.purgeUploads("filler", purged); }, error));
    }
}

// While others have scans in a building, an account's newest quarter of a
// download's scans are served and no more; the same scan is stored once.
TEST_P(ScanProtocolTest, NoAccountFillsABuildingsDownload) {
    std::string error;
    ASSERT_TRUE(storage().write(
        [](Transaction& r) {
            for (int i = 0; i < 1000; ++i) { // far ahead, to come first
                char readings[24];
                std::snprintf(readings, sizeof readings, "001122334455:-%d", i % 100);
                r.putScan({31, "2", "Hall", "2026-12-09T00:00:00Z", "eve", readings});
            }
            r.putScan({31, "2", "Hall", "2026-12-01T00:00:00Z", "", "001122334455:-50"});
            return true;
        },
        error))
        << error;
    const std::string survey = "31\t2\tDesk\t2026-12-08T09:00:00Z\t001122334455:-60\n";
    EXPECT_EQ(upload("- scans\n" + survey).rfind("- nearbeam ok\n", 0), 0u);
    // Again, later: the same scan.
    std::string again = survey;
    again.replace(again.find("09:00"), 5, "10:00");
    EXPECT_NE(upload("- scans\n" + again).find("ann: 0 records stored."), std::string::npos);

    const std::string reply = service->downloadText("001122334455", true);
    EXPECT_EQ(std::count(reply.begin() + reply.find("- scans\n"), reply.end(), '\n'),
              500 + 1 + 1 + 2); // eve's quarter, ann's, the imported one; heading and end
    // Served with its time cut to the day; the later copy was not stored (the count).
    EXPECT_NE(reply.find("31\t2\tDesk\t2026-12-08T00:00:00Z\t001122334455:-60\n"),
              std::string::npos);
}

} // namespace
} // namespace nearbeam::test
