// The Survey window and the coverage window on the offscreen platform, over a
// copy of the demo records: the window hands its fields to the survey, shows its
// progress after each tick, and closing it stops the survey.

#include "base/memory_settings_store.h"
#include "linux/qt_support.h"
#include "locate/location_database.h"
#include "support/temp_dir.h"
#include "ui/linux/coverage_window.h"
#include "ui/linux/survey_window.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QTextDocument>

namespace nearbeam::test {
namespace {

class SurveyWindowTest : public ::testing::Test {
  protected:
    SurveyWindowTest() {
        for (const auto& file : std::filesystem::directory_iterator(demoDataFolder()))
            std::filesystem::copy_file(file.path(), dir.path() / file.path().filename());
        db.openDatabase(dir.folder());
        context.currentPlace = [] { return PlaceKey{41, "1", "Reading room"}; };
        context.coverage = [this](uint32_t building) { coverage.push_back(building); };
    }
    ~SurveyWindowTest() override { delete context.open; }

    template <typename T> T* find(const char* name) {
        T* found = context.open ? context.open->findChild<T*>(name) : nullptr;
        EXPECT_TRUE(found) << name;
        return found;
    }
    QString text(const char* label) { return find<QLabel>(label)->text(); }

    TempDir dir;
    MemorySettingsStore settings;
    LocationDatabase db{settings};
    std::vector<PlaceKey> taken;
    SurveyModel survey{db, [this](const PlaceKey& place) {
                           taken.push_back(place);
                           return TakenScan{TakenScan::Outcome::Stored, 2, 2};
                       }};
    SurveyContext context{survey, db};
    std::vector<uint32_t> coverage;
};

TEST_F(SurveyWindowTest, RecordsAtTheCurrentPlaceShowsProgressAndStopsWhenClosed) {
    openSurveyWindow(context, nullptr);
    QPointer<SurveyWindow> window = context.open;
    ASSERT_TRUE(window);
    EXPECT_EQ(window->windowTitle(), "Nearbeam Survey");
    EXPECT_EQ(find<QComboBox>("building")->currentText(), "Library");
    EXPECT_EQ(find<QComboBox>("floor")->currentText(), "1");
    EXPECT_EQ(find<QLineEdit>("location")->text(), "Reading room");
    EXPECT_EQ(find<QLineEdit>("count")->text(), "6");
    EXPECT_FALSE(find<QPushButton>("stop")->isEnabled());

    typeInto(find<QLineEdit>("count"), "1000");
    click(find<QPushButton>("record"));
    EXPECT_EQ(text("message"), "The number of scans is a whole number from 1 to 60.");
    EXPECT_TRUE(taken.empty());

    typeInto(find<QLineEdit>("count"), "2");
    QTest::keyClick(find<QLineEdit>("count"), Qt::Key_Return); // Enter is Record
    EXPECT_FALSE(find<QPushButton>("record")->isEnabled());
    EXPECT_FALSE(find<QLineEdit>("location")->isEnabled());
    survey.tick(1);
    window->refresh();
    EXPECT_EQ(find<QProgressBar>("progress")->text(), "1 of 2 scans");
    EXPECT_EQ(text("inRange"), "Access points in the last scan: 2");
    EXPECT_TRUE(text("warning").startsWith("Fewer than three access points"));
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0], (PlaceKey{41, "1", "Reading room"}));

    click(find<QPushButton>("coverage"));
    EXPECT_EQ(coverage, std::vector<uint32_t>{0});

    window->close();
    EXPECT_EQ(survey.view().state, SurveyState::StoppedEarly);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); })); // deleted when closed
}

TEST_F(SurveyWindowTest, TheCoverageWindowShowsTheCoveragePage) {
    dir.write("scans.txt", "41\t1\tReading room\t3\t2026-12-08T09:15:00Z\t001a1e4c1001:-50\r\n");
    CoverageWindow window;
    window.open(db, 41);
    EXPECT_EQ(window.windowTitle(), "Survey Coverage");
    EXPECT_TRUE(window.isVisible());
    const QString shown = window.browser().document()->toPlainText();
    EXPECT_TRUE(shown.contains("Library (1 scans)")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("Reading room")) << shown.toStdString();
}

} // namespace
} // namespace nearbeam::test
