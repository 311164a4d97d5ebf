// The dialogs as the running program opens them: from the tray's menu, the
// Scanner's menu, the Options dialog and the location page.

#include "app/linux/shell.h"
#include "base/text.h"
#include "linux/qt_support.h"
#include "support/temp_dir.h"

#include <QCheckBox>
#include <QMenuBar>

namespace nearbeam::test {
namespace {

QAction* findItem(const QList<QAction*>& actions, const QString& text) {
    for (QAction* action : actions) {
        if (QString(action->text()).remove(QLatin1Char('&')) == text)
            return action;
        if (action->menu()) {
            if (QAction* inner = findItem(action->menu()->actions(), text))
                return inner;
        }
    }
    return nullptr;
}

QAction* menuItem(const QList<QAction*>& actions, const QString& text) {
    QAction* item = findItem(actions, text);
    EXPECT_TRUE(item) << "no menu item " << text.toStdString();
    return item;
}

TEST(DialogWiring, TheMenusAndTheLocationPageOpenTheDialogs) {
    TempDir home;
    home.write("walk.txt", "at 0\nap 0c:81:12:aa:00:01 -40 2437000 infra open \"BusStop WiFi\"\n");
    std::filesystem::create_directories(home.path() / "data");
    home.write("data/sharing.txt", "2026-12-08T04:30:00Z\t0\t0\thttp://s.example/\t"
                                   "http://s.example/?building=Hall\r\n");
    ManualClock clock{1000};
    DesktopSetup setup;
    setup.options.simulate = widen(home.file("walk.txt"));
    setup.settingsPath = home.file("config/nearbeam/settings");
    setup.dataFolder = home.file("data") + "/";
    setup.shareFolder = NEARBEAM_BINARY_DIR "/";
    setup.clock = &clock;
    Shell program(setup);
    ASSERT_TRUE(program.start());

    menuItem(program.tray().menu().actions(), "Options...")->trigger();
    ASSERT_FALSE(program.windows().options().open.isNull());
    click(program.windows().options().open->findChild<QPushButton*>("sharing"));
    EXPECT_TRUE(program.windows().sharingHistory().isVisible());
    EXPECT_TRUE(
        program.windows().sharingHistory().browser().toPlainText().contains("?building=Hall"));
    program.windows().sharingHistory().close();
    program.windows().options().open->close();

    program.windows().scanner().open();
    menuItem(program.windows().scanner().menuBar()->actions(), "Advanced...")->trigger();
    ASSERT_FALSE(program.windows().options().open.isNull());
    // The log-in start goes into the configuration folder of the settings.
    click(program.windows().options().open->findChild<QCheckBox*>("logIn"));
    click(program.windows().options().open->findChild<QPushButton*>("ok"));
    EXPECT_TRUE(home.exists("config/autostart/nearbeam.desktop"));

    EXPECT_EQ(answerBox([&] { menuItem(program.tray().menu().actions(), "Upload...")->trigger(); }),
              "Nearbeam: There is nothing to upload.");
    program.program().database().setUploadNeeded(true);
    menuItem(program.windows().scanner().menuBar()->actions(), "Upload...")->trigger();
    ASSERT_FALSE(program.windows().upload().open.isNull());
    program.windows().upload().open->close();

    // The Survey window, and from it the coverage page.
    menuItem(program.tray().menu().actions(), "Survey...")->trigger();
    ASSERT_FALSE(program.windows().survey().open.isNull());
    click(program.windows().survey().open->findChild<QPushButton*>("coverage"));
    EXPECT_TRUE(program.windows().coverage().isVisible());
    EXPECT_TRUE(program.windows().coverage().browser().toPlainText().contains("No survey scans"));
    program.windows().coverage().close();
    program.windows().survey().open->close();

    // The access point nobody knows: the page leads to the wizard.
    program.program().application().showWhereAmI();
    ASSERT_FALSE(program.windows().wizard().open.isNull());
    EXPECT_EQ(program.windows().wizard().open->key(), *BssidKey::fromText("0c8112aa0001"));
    program.windows().wizard().open->close();
    program.program().stop(2000);
}

} // namespace
} // namespace nearbeam::test
