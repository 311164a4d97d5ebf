// The two page windows on the offscreen platform: each shows the page the core
// built, and its links go where the link rule says.

#include "records/database_fixture.h"
#include "ui/linux/location_window.h"
#include "ui/linux/scanner_window.h"
#include "ui/location_page.h"
#include "wireless/simulated_driver.h"

#include <QMenuBar>
#include <QTest>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace nearbeam::test {
namespace {

// The text a browser shows for a page: what the window's browser must show.
QString shown(const std::string& html) {
    QTextDocument document;
    document.setHtml(QString::fromLatin1(html.c_str()));
    return document.toPlainText();
}

// The item shown as text (its mnemonic left out); every menu has a mnemonic.
QAction* menuItem(QMainWindow& window, const QString& text) {
    const auto named = [&](const QAction* item) {
        return QString(item->text()).remove(QLatin1Char('&')) == text;
    };
    for (QAction* top : window.menuBar()->actions()) {
        EXPECT_TRUE(top->text().contains(QLatin1Char('&'))) << top->text().toStdString();
        for (QAction* item : top->menu()->actions()) {
            if (named(item))
                return item;
            if (item->menu()) {
                for (QAction* inner : item->menu()->actions()) {
                    if (named(inner))
                        return inner;
                }
            }
        }
    }
    return nullptr;
}

class Pages : public LocationDatabaseFixture {
  protected:
    Pages() {
        dir.write("country.txt", "1\tNorway\t0\r\n");
        dir.write("province.txt", "2\t1\tVestland\t0\r\n");
        dir.write("city.txt", "3\t2\tBergen\t0\r\n");
        dir.write("building.txt", "10\t0\t3\tLibrary & <Archive>\tMain St 1\t0\r\n");
        dir.write("ap.txt", "0011223344a1\t10\t0\t2\tDesk\t0\r\n");
        dir.write("services.txt", "20\t3\t4\thttp://w.example/\tWeather\t0\r\n");
    }
};

TEST_F(Pages, TheLocationPageShowsTheCoresPageAndRoutesItsLinks) {
    LocationPageWindow window(LocationPageContext(db, settings));
    std::vector<std::wstring> opened;
    std::vector<std::string> edited;
    int scanners = 0;
    window.context().openLink = [&](const std::wstring& link) { opened.push_back(link); };
    window.context().setLocation = [&](const BssidKey& key) { edited.push_back(key.str()); };
    window.context().scanner = [&] { ++scanners; };

    ASSERT_TRUE(window.openLocationPage(L"0011223344a1"));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("You Are Here"));
    const std::string page = buildLocationPage(*db.locations().find(key("0011223344a1")),
                                               db.services(), "locate.nearbeam.net");
    EXPECT_EQ(window.browser().toPlainText(), shown(page));
    EXPECT_TRUE(window.browser().toPlainText().contains(QStringLiteral("Library & <Archive>")));

    // Web and mail links leave for the browser; anything else goes nowhere.
    for (const char* link : {"http://w.example/", "https://s.example/a?b=c", "mailto:x@example.org",
                             "file:///etc/passwd", "javascript:alert(1)", "wifi://0011223344a1"})
        Q_EMIT window.browser().anchorClicked(QUrl(QString::fromLatin1(link)));
    EXPECT_EQ(opened, (std::vector<std::wstring>{L"http://w.example/", L"https://s.example/a?b=c",
                                                 L"mailto:x@example.org"}));

    menuItem(window, QStringLiteral("Scanner"))->trigger();
    EXPECT_EQ(scanners, 1);
    menuItem(window, QStringLiteral("Edit"))->trigger();
    EXPECT_EQ(edited, (std::vector<std::string>{"0011223344a1"}));
    EXPECT_FALSE(window.isVisible());

    // An access point without a record goes to the wizard instead.
    EXPECT_TRUE(window.openLocationPage(L"0011223344ff"));
    EXPECT_EQ(edited.back(), "0011223344ff");
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.openLocationPage(L"not an address"));
}

TEST_F(Pages, AMinimisedPageComesBackAndEscapeOrCtrlWCloseIt) {
    LocationPageWindow window(LocationPageContext(db, settings));
    ASSERT_TRUE(window.openLocationPage(L"0011223344a1"));
    window.setWindowState(window.windowState() | Qt::WindowMinimized | Qt::WindowMaximized);
    ASSERT_TRUE(window.isMinimized());
    // As the tray's click and menu bring it up again.
    ASSERT_TRUE(window.openLocationPage(L"0011223344a1"));
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isMaximized());
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        window.present();
        QTest::keySequence(&window.browser(), keys);
        EXPECT_FALSE(window.isVisible()) << keys.toString().toStdString();
    }
    // The main window (no tray) is not closed by a key.
    window.setMainWindow(true);
    window.present();
    QTest::keySequence(&window.browser(), QKeySequence(Qt::Key_Escape));
    EXPECT_TRUE(window.isVisible());
    window.setMainWindow(false);
    window.close();
}

TEST_F(Pages, TheScannerShowsTheRowsAndOpensTheirPages) {
    dir.write("walk.txt", "at 0\nap 00:11:22:33:44:a1 -40 2437000 infra wep \"Campus <1>\"\n"
                          "ap 02:5e:11:aa:00:07 -80 2437000 adhoc open \"Printer\"\n");
    ScenarioLoad load = loadScenario(dir.file("walk.txt"));
    ASSERT_TRUE(load);
    ManualClock clock;
    std::vector<std::unique_ptr<WirelessDriver>> drivers;
    drivers.push_back(std::make_unique<SimulatedDriver>(clock, std::move(*load.scenario)));
    WirelessDevice device(settings, std::move(drivers));
    ManufacturerTable manufacturers(dir.file("manufacturers.dat"), clock);
    ScanSettings scanSettings;
    settings::write(settings, settings::ViewChannel, 1);
    ScannerWindow window(
        ScannerContext(ScannerParts(device, db, manufacturers, scanSettings), settings));
    std::vector<std::wstring> pages;
    window.context().showPage = [&](const std::wstring& bssid) { pages.push_back(bssid); };

    window.open();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("WiFi Scanner"));
    const QString text = window.browser().toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("Desk, 2nd floor, Library & <Archive>")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Campus <1>, ch 6"))) << text.toStdString();
    // The bars are the program's own images.
    EXPECT_TRUE(window.browser().toHtml().contains(QStringLiteral("bar-blue.png")));
    EXPECT_FALSE(window.browser()
                     .document()
                     ->resource(QTextDocument::ImageResource, QUrl(QStringLiteral("bar-blue.png")))
                     .isNull());

    Q_EMIT window.browser().anchorClicked(QUrl(QStringLiteral("wifi://0011223344a1")));
    EXPECT_EQ(pages, (std::vector<std::wstring>{L"0011223344a1"}));

    // The menus remember their choices.
    menuItem(window, QStringLiteral("10 Seconds"))->trigger();
    EXPECT_EQ(window.intervalMs(), 10000);
    EXPECT_EQ(settings::read(settings, settings::ScanInterval), 10000);
    menuItem(window, QStringLiteral("Manufacturer"))->trigger();
    EXPECT_EQ(settings::read(settings, settings::ViewManufacturer), 1);
    for (const char* item : {"Active Scan", "Clear", "Advanced...", "Upload...", "Compact",
                             "BSSID (Partial)", "Channel"})
        EXPECT_NE(menuItem(window, QString::fromLatin1(item)), nullptr) << item;
    window.close();
}

} // namespace
} // namespace nearbeam::test
