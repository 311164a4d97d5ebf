#include "ui/scanner_model.h"

#include "base/settings_keys.h"
#include "records/database_fixture.h"
#include "wireless/simulated_driver.h"

#include <memory>
#include <string>
#include <vector>

namespace nearbeam::test {
namespace {

// A download that stays at whatever state it is given.
class StaticDownload : public DownloadService {
  public:
    bool requestDownload(const BssidKey&) override { return false; }
    int32_t state() const override { return state_; }
    int32_t state_ = lookup_status::Queued;
};

// The Scanner's model on the simulated adapter, over a small database. The
// calibration spans -100 to 0 dBm, so a signal of -40 dBm is 60 percent.
class ScannerModelTest : public LocationDatabaseFixture {
  protected:
    ScannerModelTest() {
        dir.write("building.txt", "4\t0\t0\tLibrary\t\t0\r\n");
        dir.write("ap.txt", "001122334455\t4\t0\t2\tRoom 5\t0\r\n");
        dir.write("manufacturers.dat", "0a0b0c Acme\n");
        settings::write(settings, settings::RssiMin, -100);
        settings::write(settings, settings::RssiMax, 0);
        db.setDownloadService(&download);
    }

    void load(const char* scenario) {
        ScenarioLoad loaded = parseScenario(scenario);
        ASSERT_TRUE(loaded) << loaded.describe();
        std::vector<std::unique_ptr<WirelessDriver>> drivers;
        drivers.push_back(std::make_unique<SimulatedDriver>(clock, std::move(*loaded.scenario)));
        device = std::make_unique<WirelessDevice>(settings, std::move(drivers));
        model = std::make_unique<ScannerModel>(
            ScannerParts(*device, db, manufacturers, scanSettings), view.compact);
    }

    std::string rows() {
        const std::string page = model->page("C:\\Apps\\", view);
        const size_t start = page.find("<body>") + 6;
        return page.substr(start, page.rfind("</body>") - start);
    }

    ManualClock clock;
    StaticDownload download;
    ManufacturerTable manufacturers{dir.file("manufacturers.dat"), clock};
    ScanSettings scanSettings;
    ScannerView view;
    std::unique_ptr<WirelessDevice> device;
    std::unique_ptr<ScannerModel> model;
};

TEST_F(ScannerModelTest, RowsOfAKnownAnUnplacedAndAnAdHocAccessPoint) {
    load("at 0\n"
         "ap 00:11:22:33:44:55 -40 2437000 infra wep \"Campus\"\n"
         "ap 0a:0b:0c:0d:0e:0f -40 2412000 infra open \"<b>Cafe</b>\"\n"
         "ap 02:aa:bb:cc:dd:ee -40 5180000 adhoc open \"Phone\"\n"
         "associated 00:11:22:33:44:55\n"
         "at 10\n"
         "ap 00:11:22:33:44:55 -40 2437000 infra open \"Guest\"\n"
         "ap 0a:0b:0c:0d:0e:0f -40 2412000 infra open \"<b>Cafe</b>\"\n");
    view.channel = true;
    model->refresh(5000, true, view);

    const std::string bar = "<img width='60' height='8' src='bar-%s.png' /><img width='1' "
                            "height='8' src='bar-black.png' /><img width='40' height='8' "
                            "src='bar-grey.png' />";
    auto barOf = [&](const char* colour) {
        std::string b = bar;
        return b.replace(b.find("%s"), 2, colour);
    };
    EXPECT_EQ(rows(), "<p><a href='wifi://001122334455'>Room 5, 2nd floor, Library</a></p><table "
                      "cellspacing='0' cellpadding='0'><tr><td>" +
                          barOf("red") +
                          "</td><td><cite><img width='7' height='8' src='wep.png'> Campus, ch "
                          "6</cite></td></tr></table>"
                          "<p><a href='wifi://0a0b0c0d0e0f'>0a 0b 0c 0d 0e 0f "
                          "[finding]</a></p><table cellspacing='0' cellpadding='0'><tr><td>" +
                          barOf("blue") +
                          "</td><td><cite>&lt;b&gt;Cafe&lt;/b&gt;, ch 1</cite></td></tr></table>"
                          "<p><a href='wifi://'>02 aa bb cc dd ee</a></p><table cellspacing='0' "
                          "cellpadding='0'><tr><td>" +
                          barOf("blue") +
                          "</td><td><cite><img width='11' height='8'  src='adhoc.png'> Phone, ch 36"
                          "</cite></td></tr></table>");

    // The server has answered that it does not know the cafe's access point; the
    // library's is seen under a second, open name and is no longer associated.
    download.state_ = lookup_status::NotPlaced;
    clock.advance(10000);
    model->refresh(10000, true, view);
    const std::string after = rows();
    EXPECT_NE(after.find("<p><a href='wifi://001122334455'>Room 5, 2nd floor, "
                         "Library</a></p><table cellspacing='0' cellpadding='0'><tr><td>"
                         "<img width='60' height='8' src='bar-blue.png' />"),
              std::string::npos)
        << after;
    EXPECT_NE(after.find("<cite><img width='7' height='8' src='wepvaries.png'> Campus, Guest, "
                         "ch 6</cite>"),
              std::string::npos)
        << after;
    EXPECT_NE(after.find("<a href='wifi://0a0b0c0d0e0f'>0a 0b 0c 0d 0e 0f - Acme</a>"),
              std::string::npos)
        << after;
}

// A network that asked not to be mapped is marked, and not looked for on the server.
TEST_F(ScannerModelTest, ANetworkThatAskedNotToBeMappedIsMarkedPrivate) {
    load("at 0\n"
         "ap 0a:0b:0c:0d:0e:0f -40 2412000 infra open \"Home_NoMap\"\n");
    model->refresh(5000, true, view);
    EXPECT_EQ(rows().find("[finding]"), std::string::npos) << rows();
    EXPECT_NE(rows().find("<cite>Home_NoMap (private)</cite>"), std::string::npos) << rows();
}

TEST_F(ScannerModelTest, TheTableAgesByTheIntervalAndHoldsSevenOrTwenty) {
    std::string scenario = "at 0\n";
    for (int i = 0; i < 25; ++i) {
        char line[80];
        std::snprintf(line, sizeof line, "ap 00:00:00:00:00:%02x -%d 2412000 infra open \"n\"\n", i,
                      40 + i);
        scenario += line;
    }
    load(scenario.c_str());
    model->refresh(1000, false, view);
    EXPECT_EQ(model->table().count(), ScannerModel::kFullCapacity);
    EXPECT_EQ(model->table().clock(), ScanTable::kInitialClock + 1);
    model->refresh(30000, false, view);
    EXPECT_EQ(model->table().clock(), ScanTable::kInitialClock + 31);

    model->resetTable(true);
    EXPECT_EQ(model->table().count(), 0);
    model->refresh(5000, false, view);
    EXPECT_EQ(model->table().count(), ScannerModel::kCompactCapacity);
    EXPECT_EQ(model->table().maximumAge(), ScannerModel::kMaximumAgeSeconds);
    model->clear();
    EXPECT_EQ(rows(), "<p> &nbsp; No access points detected yet.</p>");
}

} // namespace
} // namespace nearbeam::test
