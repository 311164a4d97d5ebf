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
// its building's, newest first, after today's reply, and one not asking gets
// today's reply byte for byte.
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
                  "31\t2\tStacks\t2026-12-08T10:00:00Z\t001122334455:-62\t0011223344aa:0\n"
                  "31\t2\tReading room\t2026-12-08T09:00:00Z\t001122334455:-35\n"
                  "- end\n");
    const std::string harbour = service->downloadText("aabbccddeeff");
    EXPECT_EQ(service->downloadText("aabbccddeeff", true),
              harbour.substr(0, harbour.size() - 6) +
                  "- scans\n"
                  "32\t1\tHall\t2026-12-08T09:15:00Z\taabbccddeeff:-40\t001122334455:-88\n"
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
    };
    for (const auto& c : cases) {
        EXPECT_EQ(upload("- countries\n4294967295\tSweden\t3\n- scans\n" + good + c.lines),
                  "- error " + c.error + "\n- end\n");
        EXPECT_EQ(storedFile(storage(), "country.txt"), "7\tNorway\t0\r\n");
        EXPECT_EQ(storedFile(storage(), "scans.txt"), "");
    }
}

// A download hands out a building's newest 2,000 scans.
TEST_P(ScanProtocolTest, ADownloadCarriesTheNewest2000Scans) {
    std::string error;
    ASSERT_TRUE(storage().write(
        [](Transaction& r) {
            for (int i = 0; i < 2001; ++i) {
                char time[24];
                std::snprintf(time, sizeof time, "2026-12-%02dT%02d:%02d:00Z", 1 + i / 1440,
                              i / 60 % 24, i % 60);
                r.putScan({31, "2", "Hall", time, "ann", "001122334455:-50"});
            }
            return true;
        },
        error))
        << error;
    const std::string reply = service->downloadText("001122334455", true);
    const size_t scans = reply.find("- scans\n");
    ASSERT_NE(scans, std::string::npos);
    EXPECT_EQ(std::count(reply.begin() + scans, reply.end(), '\n'), 2002); // heading, end
    const std::string newest = "31\t2\tHall\t2026-12-02T09:20:00Z\t";
    EXPECT_EQ(reply.compare(scans + 8, newest.size(), newest), 0);
    EXPECT_EQ(reply.find("2026-12-01T00:00:00Z"), std::string::npos); // the oldest
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
    EXPECT_NE(reply.find(survey), std::string::npos);
    EXPECT_EQ(reply.find(again), std::string::npos);
}

} // namespace
} // namespace nearbeam::test
