// The NetworkManager driver against python3-dbusmock's NetworkManager on a
// private bus.

#include "base/memory_settings_store.h"
#include "private_bus.h"
#include "wireless/linux/network_manager_driver.h"
#include "wireless/wireless_device.h"

#include <QDBusVariant>

#include <gtest/gtest.h>

namespace nearbeam::test {
namespace {

constexpr uint32_t kActivated = 100;
constexpr uint32_t kInfrastructure = 2;
constexpr uint32_t kAdhoc = 1;
constexpr uint32_t kWpa2Psk = 0x100;

TEST(NetworkManagerStrength, TurnsBackIntoDbm) {
    const struct {
        uint8_t strength;
        int32_t dbm;
    } cases[] = {{0, -100}, {1, -100}, {2, -99}, {50, -75}, {99, -51}, {100, -50}, {255, -50}};
    for (const auto& c : cases)
        EXPECT_EQ(dbmFromStrength(c.strength), c.dbm) << int(c.strength);
}

TEST(NetworkManagerHwAddress, ReadsSixHexadecimalPairsOnly) {
    EXPECT_EQ(bssidFromHwAddress(QStringLiteral("00:1a:1E:4c:10:ff")),
              (Bssid{0x00, 0x1a, 0x1e, 0x4c, 0x10, 0xff}));
    for (const char* bad : {"", "00:1a:1e:4c:10", "00:1a:1e:4c:10:01:02", "00:1a:1e:4c:10:1",
                            "00:1a:1e:4c:10:0g", "001a:1e:4c:10:01:"})
        EXPECT_FALSE(bssidFromHwAddress(QString::fromLatin1(bad))) << bad;
}

TEST(NetworkManagerProblem, NamesWhatIsMissing) {
    EXPECT_EQ(networkManagerProblem(QDBusConnection(QString())),
              "there is no system bus to reach NetworkManager on");
    PrivateBus bus;
    EXPECT_EQ(networkManagerProblem(bus.connection()), "NetworkManager is not running");
    ASSERT_TRUE(bus.startNetworkManager());
    EXPECT_EQ(networkManagerProblem(bus.connection()), "NetworkManager has no Wi-Fi device");
    bus.mock(QStringLiteral("AddWiFiDevice"),
             {QStringLiteral("wifi0"), QStringLiteral("wlan0"), kActivated});
    EXPECT_EQ(networkManagerProblem(bus.connection()), "");
}

class NetworkManagerDriverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(bus.startNetworkManager());
        device = bus.mock(QStringLiteral("AddWiFiDevice"),
                          {QStringLiteral("wifi0"), QStringLiteral("wlan0"), kActivated})
                     .arguments()
                     .value(0)
                     .toString();
        ASSERT_FALSE(device.isEmpty());
    }
    QString addAccessPoint(const QString& name, const QByteArray& ssid, const QString& hw,
                           uint32_t mode, uint32_t mhz, uint8_t strength, uint32_t security) {
        return bus
            .mock(QStringLiteral("AddAccessPoint"),
                  {device, name, QString::fromUtf8(ssid), hw, mode, mhz, 54000u,
                   QVariant::fromValue(strength), security})
            .arguments()
            .value(0)
            .toString();
    }
    void setAccessPoint(const QString& path, const QString& name, const QVariant& value) {
        bus.mock(QStringLiteral("SetProperty"),
                 {path, QStringLiteral("org.freedesktop.NetworkManager.AccessPoint"), name,
                  QVariant::fromValue(QDBusVariant(value))});
    }
    std::vector<AccessPointRecord> scan(NetworkManagerDriver& driver) {
        std::vector<AccessPointRecord> records;
        EXPECT_EQ(driver.listQuery(records), QueryStatus::Ok);
        return records;
    }

    PrivateBus bus;
    QString device;
    ManualClock clock;
};

TEST_F(NetworkManagerDriverTest, AccessPointsAppearChangeAndVanish) {
    NetworkManagerDriver driver(bus.connection(), clock);
    ASSERT_EQ(driver.listAdapters().size(), 1u);
    EXPECT_EQ(driver.listAdapters()[0].name, L"wlan0");
    EXPECT_EQ(driver.findWirelessAdapter(), std::wstring(L"wlan0"));
    ASSERT_TRUE(driver.open(L"WLAN0"));
    EXPECT_TRUE(scan(driver).empty());

    const QString library =
        addAccessPoint(QStringLiteral("library"), "eduroam", QStringLiteral("00:1A:1E:4C:10:01"),
                       kInfrastructure, 2437, 100, kWpa2Psk);
    // A hidden network: NetworkManager lists it with an empty SSID.
    addAccessPoint(QStringLiteral("hidden"), "", QStringLiteral("00:1a:1e:4c:10:02"),
                   kInfrastructure, 5180, 50, 0);
    addAccessPoint(QStringLiteral("printer"), "Printer setup", QStringLiteral("02:5e:11:aa:00:07"),
                   kAdhoc, 2412, 0, 0);
    std::vector<AccessPointRecord> records = scan(driver);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].bssid, (Bssid{0x00, 0x1a, 0x1e, 0x4c, 0x10, 0x01}));
    EXPECT_EQ(records[0].ssid, "eduroam");
    EXPECT_EQ(records[0].rssi, -50);
    EXPECT_EQ(records[0].frequencyKhz, 2437000u);
    EXPECT_TRUE(records[0].privacy);
    EXPECT_TRUE(records[0].isInfrastructure());
    EXPECT_EQ(records[1].ssid, "");
    EXPECT_EQ(records[1].rssi, -75);
    EXPECT_FALSE(records[1].privacy);
    EXPECT_EQ(records[2].rssi, -100);
    EXPECT_EQ(records[2].mode, InfrastructureMode::Independent);

    setAccessPoint(library, QStringLiteral("Strength"), QVariant::fromValue(uint8_t(20)));
    bus.mock(QStringLiteral("RemoveAccessPoint"),
             {device, QStringLiteral("/org/freedesktop/NetworkManager/AccessPoint/printer")});
    records = scan(driver);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].rssi, -90);

    // Listed but not in a scan for long (the hidden one, beside the library seen
    // 199 seconds later), or never: left out.
    setAccessPoint(library, QStringLiteral("LastSeen"), 200);
    records = scan(driver);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].ssid, "eduroam");
    setAccessPoint(library, QStringLiteral("LastSeen"), -1);
    records = scan(driver);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].ssid, "");

    EXPECT_EQ(scan(driver).size(), 1u);
}

TEST_F(NetworkManagerDriverTest, AsksForAScanAtMostOnceAMinute) {
    NetworkManagerDriver driver(bus.connection(), clock);
    ASSERT_TRUE(driver.open(L"wlan0"));
    const auto scansAsked = [&] {
        QDBusMessage message = QDBusMessage::createMethodCall(
            PrivateBus::kService, device, QStringLiteral("org.freedesktop.DBus.Mock"),
            QStringLiteral("GetMethodCalls"));
        message.setArguments({QStringLiteral("RequestScan")});
        const QDBusMessage reply = bus.connection().call(message);
        // a(tav): the time and the arguments of each call.
        const QDBusArgument calls = reply.arguments().value(0).value<QDBusArgument>();
        int count = 0;
        calls.beginArray();
        while (!calls.atEnd()) {
            qulonglong time = 0;
            QVariantList arguments;
            calls.beginStructure();
            calls >> time >> arguments;
            calls.endStructure();
            ++count;
        }
        calls.endArray();
        return count;
    };
    driver.requestScan();
    driver.requestScan();
    clock.advance(NetworkManagerDriver::kActiveScanMs - 1);
    driver.requestScan();
    scan(driver); // the asynchronous requests are on the bus before this answer
    EXPECT_EQ(scansAsked(), 1);
    clock.advance(1);
    driver.requestScan();
    scan(driver);
    EXPECT_EQ(scansAsked(), 2);
}

TEST_F(NetworkManagerDriverTest, AnUnknownDeviceDoesNotOpen) {
    NetworkManagerDriver driver(bus.connection(), clock);
    EXPECT_FALSE(driver.open(L"wlan9"));
    std::vector<AccessPointRecord> records;
    EXPECT_EQ(driver.listQuery(records), QueryStatus::Failed);
}

TEST(NetworkManagerAbsent, GivesNoAdapter) {
    PrivateBus bus; // nobody owns NetworkManager's name here
    ManualClock clock;
    MemorySettingsStore settings;
    std::vector<std::unique_ptr<WirelessDriver>> drivers;
    drivers.push_back(std::make_unique<NetworkManagerDriver>(bus.connection(), clock));
    WirelessDevice device(settings, std::move(drivers));
    EXPECT_EQ(device.state(), DeviceState::NoAdapter);
    EXPECT_TRUE(device.listAdapters().empty());
    EXPECT_FALSE(device.listQuery([](const AccessPointRecord&) {}));
}

} // namespace
} // namespace nearbeam::test
