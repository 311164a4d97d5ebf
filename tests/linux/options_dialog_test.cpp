// The Options dialog over real files: subscriptions deleted, alerts and the start
// at log-in switched, the adapter chosen.

#include "base/memory_settings_store.h"
#include "base/settings_keys.h"
#include "linux/qt_support.h"
#include "locate/location_database.h"
#include "net/fake_transport.h"
#include "support/temp_dir.h"
#include "ui/linux/options_dialog.h"
#include "wireless/simulated_driver.h"

#include <QCheckBox>
#include <QTreeWidget>

namespace nearbeam::test {
namespace {

std::unique_ptr<WirelessDevice> twoAdapters(SettingsStore& settings, const Clock& clock) {
    ScenarioLoad load = parseScenario("adapter wlan0 Built-in\nadapter wlx00c0ca Stick\nat 0\n");
    std::vector<std::unique_ptr<WirelessDriver>> drivers;
    drivers.push_back(std::make_unique<SimulatedDriver>(clock, std::move(*load.scenario)));
    return std::make_unique<WirelessDevice>(settings, std::move(drivers));
}

class OptionsDialogTest : public ::testing::Test {
  protected:
    OptionsDialogTest() {
        data.write("area.txt", "31\t21\tUniversity Quarter\t0\r\n");
        data.write("subscriptions.txt", "0\t0\thttp://a/everywhere\t-\r\n"
                                        "31\t5\thttp://b/?area={area}\t-\r\n"
                                        "17\t6\thttp://c/\t-\r\n");
        db.setSubscriptionFileListener([this](const std::string& path) { list.setFile(path); });
        db.openDatabase(data.folder());
    }

    // Opens the dialog, lets script drive it, and closes it with OK (or Escape).
    void run(const std::function<void(OptionsDialog&)>& script, bool ok = true) {
        OptionsDialog dialog(context);
        dialog.show();
        script(dialog);
        if (ok)
            click(dialog.findChild<QPushButton*>("ok"));
        else
            QTest::keyClick(&dialog, Qt::Key_Escape);
        EXPECT_TRUE(dialog.isHidden());
    }
    static QStringList rows(OptionsDialog& dialog) {
        QStringList shown;
        auto* tree = dialog.findChild<QTreeWidget*>("subscriptions");
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            shown << tree->topLevelItem(i)->text(1) + " " + tree->topLevelItem(i)->text(2);
        return shown;
    }

    TempDir data;
    TempDir config;
    MemorySettingsStore settings;
    ManualClock clock;
    LocationDatabase db{settings};
    FakeTransport transport;
    WebAgent agent{transport, clock, WebAgent::Options{WebAgent::kWaitMs, false}};
    SubscriptionList list{agent, nullptr};
    std::unique_ptr<WirelessDevice> device = twoAdapters(settings, clock);
    Autostart autostart{config.path().string(), "/opt/Near Beam/nearbeam"};
    OptionsContext context{settings, db, *device, list, autostart};
};

TEST_F(OptionsDialogTest, DeletesSubscriptionsAndAppliesItsChoicesOnOkOnly) {
    run([&](OptionsDialog& dialog) {
        EXPECT_EQ(rows(dialog), QStringList({"Everywhere http://a/everywhere",
                                             "Area: University Quarter http://b/?area={area}",
                                             "Building: Unknown (17) http://c/"}));
        EXPECT_EQ(dialog.findChild<QComboBox*>("adapter")->currentText(), "<Auto-select>");
        EXPECT_TRUE(dialog.findChild<QCheckBox*>("alerts")->isChecked());
        EXPECT_FALSE(dialog.findChild<QCheckBox*>("logIn")->isChecked());

        auto* tree = dialog.findChild<QTreeWidget*>("subscriptions");
        tree->setCurrentItem(tree->topLevelItem(1));
        click(dialog.findChild<QPushButton*>("delete"));
        EXPECT_EQ(rows(dialog), QStringList({"Everywhere http://a/everywhere",
                                             "Building: Unknown (17) http://c/"}));

        choose(dialog.findChild<QComboBox*>("adapter"), "wlx00c0ca");
        click(dialog.findChild<QCheckBox*>("alerts"));
        click(dialog.findChild<QCheckBox*>("logIn"));
    });
    EXPECT_EQ(data.read("subscriptions.txt"),
              "0\t0\thttp://a/everywhere\t-\r\n17\t6\thttp://c/\t-\r\n");
    EXPECT_EQ(settings::read(settings, settings::Device), L"wlx00c0ca");
    EXPECT_EQ(settings::read(settings, settings::LocationAlerts), 0);
    EXPECT_EQ(config.read("autostart/nearbeam.desktop"), "[Desktop Entry]\n"
                                                         "Type=Application\n"
                                                         "Name=Nearbeam\n"
                                                         "Comment=Tells you where you are\n"
                                                         "TryExec=/opt/Near Beam/nearbeam\n"
                                                         "Exec=\"/opt/Near Beam/nearbeam\"\n"
                                                         "Icon=net.nearbeam.Nearbeam\n"
                                                         "Terminal=false\n");

    // Escape leaves the choices as they were; OK applies them.
    auto untickLogIn = [](OptionsDialog& dialog) {
        EXPECT_TRUE(dialog.findChild<QCheckBox*>("logIn")->isChecked());
        EXPECT_EQ(dialog.findChild<QComboBox*>("adapter")->currentText(), "wlx00c0ca");
        click(dialog.findChild<QCheckBox*>("logIn"));
        choose(dialog.findChild<QComboBox*>("adapter"), "<Auto-select>");
    };
    run(untickLogIn, false);
    EXPECT_TRUE(autostart.enabled());
    EXPECT_EQ(settings::read(settings, settings::Device), L"wlx00c0ca");
    run(untickLogIn);
    EXPECT_FALSE(config.exists("autostart/nearbeam.desktop"));
    EXPECT_TRUE(device->automatic());
}

} // namespace
} // namespace nearbeam::test
