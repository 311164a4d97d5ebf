// The set-location wizard's window, driven through its widgets over a copy of the
// demo database: the same lines reach the files as from the Windows program.

#include "base/memory_settings_store.h"
#include "base/settings_keys.h"
#include "linux/qt_support.h"
#include "locate/location_database.h"
#include "support/temp_dir.h"
#include "ui/linux/set_location_window.h"

#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QStackedWidget>

namespace nearbeam::test {
namespace {

class SetLocationWindowTest : public ::testing::Test {
  protected:
    SetLocationWindowTest() {
        for (const auto& file : std::filesystem::directory_iterator(demoDataFolder()))
            std::filesystem::copy_file(file.path(), dir.path() / file.path().filename());
        db.openDatabase(dir.folder());
        context.scanner = [this] { ++scanner; };
        context.saved = [this](const BssidKey&) { ++saved; };
        context.heard = [this] { return heard; };
    }
    ~SetLocationWindowTest() override { delete context.open; }

    template <typename T> T* find(const char* name) {
        T* found = context.open ? context.open->findChild<T*>(name) : nullptr;
        EXPECT_TRUE(found) << name;
        return found;
    }
    QComboBox* combo(const char* name) { return find<QComboBox>(name); }
    QPushButton* button(const char* name) { return find<QPushButton>(name); }
    QWidget* shownPage() { return find<QStackedWidget>(nullptr)->currentWidget(); }

    std::string lastLine(const std::string& file) {
        std::string bytes = dir.read(file);
        bytes.resize(bytes.size() - 2);
        return bytes.substr(bytes.rfind('\n') + 1);
    }

    TempDir dir;
    MemorySettingsStore settings;
    LocationDatabase db{settings};
    SetLocationContext context{db};
    int scanner = 0;
    int saved = 0;
    const BssidKey busStop = *BssidKey::fromText("0c8112aa0001");
    const BssidKey lectureHall = *BssidKey::fromText("001a1e4c2002");
    // What the latest scan heard: at the bus stop, with the library far off.
    std::vector<ScanReading> heard{{busStop, -55}, {*BssidKey::fromText("001a1e4c1001"), -84}};
};

TEST_F(SetLocationWindowTest, PlacesTheBusStopThroughItsPagesAndKeepsEachPagesFields) {
    LocationRecord* seen = nullptr; // the walk looked up the library before the bus stop
    db.lookUpLocation(*BssidKey::fromText("001a1e4c1001"), &seen);
    QPointer<SetLocationWindow> window = openSetLocationWizard(context, busStop);
    EXPECT_EQ(window->windowTitle(), "Where Am I?");

    // The city is known: the Area page comes first.
    EXPECT_EQ(window->page(), WizardPage::Area);
    EXPECT_EQ(find<QLabel>("cityLabel")->text(), "Bergen, Vestland, Norway");
    EXPECT_EQ(itemsOf(combo("area")), QStringList({"", "University Quarter"}));
    EXPECT_EQ(combo("area")->currentText(), "University Quarter");
    QTest::keyClick(combo("area"), Qt::Key_Return); // Enter is "Next >>"

    ASSERT_EQ(window->page(), WizardPage::Building);
    EXPECT_EQ(itemsOf(combo("building")),
              QStringList({"Library", "Science Building", "Student Centre"}));
    choose(combo("building"), "Student Centre");
    EXPECT_EQ(find<QLineEdit>("street")->text(), "Campus Square 3");
    typeInto(combo("building"), "Campus Square bus stop");
    typeInto(find<QLineEdit>("street"), "Campus Square");
    typeInto(find<QLineEdit>("location"), "Shelter");
    // A 32nd character cannot be typed.
    typeInto(combo("floor"), QString(40, 'x'));
    EXPECT_EQ(combo("floor")->currentText().size(), 31);
    typeInto(combo("floor"), "");

    // Back to the first page and forward again: every page as it was left.
    click(button("buildingBack"));
    click(button("areaBack"));
    ASSERT_EQ(window->page(), WizardPage::Place);
    EXPECT_EQ(combo("country")->currentText(), "Norway");
    EXPECT_EQ(itemsOf(combo("province")), QStringList({"Vestland"}));
    EXPECT_EQ(combo("city")->currentText(), "Bergen");
    typeInto(combo("city"), "");
    EXPECT_EQ(answerBox([&] { click(button("placeNext")); }),
              "Where am I?: All fields must be filled");
    EXPECT_EQ(window->page(), WizardPage::Place);
    choose(combo("city"), "Bergen");
    click(button("placeNext"));
    click(button("areaNext"));
    EXPECT_EQ(combo("building")->currentText(), "Campus Square bus stop");
    EXPECT_EQ(find<QLineEdit>("street")->text(), "Campus Square");

    // Finished in the science building: asked, "No", nothing saved, still open.
    const std::vector<ScanReading> atTheBusStop = heard;
    heard = {{*BssidKey::fromText("001a1e4c2001"), -47}, {lectureHall, -66}, {busStop, -85}};
    const std::string apBefore = dir.read("ap.txt");
    EXPECT_EQ(answerBoxes([&] { click(button("finish")); }, {QMessageBox::No, QMessageBox::Ok}),
              "Where am I?: The access points heard now are not those heard when this wizard "
              "opened. Are you still at Campus Square bus stop, Shelter? | Where am I?: Nothing "
              "was saved. Press Finish again at the place, or close the wizard.");
    EXPECT_FALSE(window.isNull() || window->isHidden());
    EXPECT_EQ(saved, 0);
    EXPECT_EQ(dir.read("ap.txt"), apBefore);
    EXPECT_FALSE(dir.exists("scans.txt"));

    // Back at the bus stop: saved, with the scan heard as the wizard opened.
    heard = atTheBusStop;
    heard[0].rssi = -58;
    QTest::keyClick(find<QLineEdit>("street"), Qt::Key_Enter); // Enter is "Finish"
    EXPECT_TRUE(window.isNull() || window->isHidden());
    EXPECT_EQ(saved, 1);
    const std::string scan = lastLine("scans.txt");
    EXPECT_EQ(scan.substr(0, 24), "4294967295\t\tShelter\t3\t20");
    EXPECT_EQ(scan.substr(scan.size() - 34), "\t0c8112aa0001:-55\t001a1e4c1001:-84");
    EXPECT_EQ(lastLine("building.txt"),
              "4294967295\t31\t21\tCampus Square bus stop\tCampus Square\t3");
    EXPECT_EQ(lastLine("ap.txt"), "0c8112aa0001\t4294967295\t0\t\tShelter\t3");
    EXPECT_EQ(settings::read(settings, settings::UploadNeeded), 1);
    LocationRecord* placed = nullptr;
    EXPECT_EQ(db.lookUpLocation(busStop, &placed), 0x2000);
}

TEST_F(SetLocationWindowTest, OneWizardAtATimeAndEscapeOrMinimisingClosesItUnsaved) {
    QPointer<SetLocationWindow> first = openSetLocationWizard(context, busStop);
    first->findChild<QMenuBar*>()->actions().front()->menu()->actions().front()->trigger();
    EXPECT_EQ(scanner, 1);
    typeInto(combo("country"), "Norway");
    EXPECT_EQ(openSetLocationWizard(context, busStop), first); // the same access point: as it is
    EXPECT_EQ(combo("country")->currentText(), "Norway");

    db.optedOut().add(lectureHall); // the user may still place it, for here only
    QPointer<SetLocationWindow> second = openSetLocationWizard(context, lectureHall); // anew
    EXPECT_NE(second, first);
    EXPECT_EQ(find<QLabel>("keptHere")->text(),
              "This network asked not to be mapped: it stays on this computer.");
    EXPECT_TRUE(first.isNull() || first->isHidden());
    QTest::keyClick(combo("building"), Qt::Key_Escape);
    EXPECT_TRUE(second.isNull() || second->isHidden());

    QPointer<SetLocationWindow> third = openSetLocationWizard(context, lectureHall);
    third->showMinimized();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return context.open.isNull() || context.open->isHidden(); }, 30000));
    EXPECT_EQ(saved, 0);
    EXPECT_EQ(settings::read(settings, settings::UploadNeeded), 0);
}

} // namespace
} // namespace nearbeam::test
