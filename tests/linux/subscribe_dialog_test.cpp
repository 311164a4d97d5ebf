// Offers of new subscriptions from other programs, answered in their dialogs,
// become lines of subscriptions.txt.

#include "base/memory_settings_store.h"
#include "linux/qt_support.h"
#include "locate/location_database.h"
#include "net/fake_transport.h"
#include "support/temp_dir.h"
#include "ui/linux/subscribe_dialog.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace nearbeam::test {
namespace {

TEST(SubscribeDialog, EachOfferIsAnsweredInItsDialogAndStoredAsChosen) {
    TempDir data;
    for (const auto& file : std::filesystem::directory_iterator(demoDataFolder()))
        std::filesystem::copy_file(file.path(), data.path() / file.path().filename());
    MemorySettingsStore settings;
    LocationDatabase db{settings};
    FakeTransport transport;
    ManualClock clock;
    WebAgent agent{transport, clock, WebAgent::Options{WebAgent::kWaitMs, false}};
    SubscriptionList list{agent, nullptr};
    db.setSubscriptionFileListener([&](const std::string& path) { list.setFile(path); });
    db.openDatabase(data.folder());
    LocationRecord* here = nullptr; // the library, the place shown
    db.lookUpLocation(*BssidKey::fromText("001a1e4c1001"), &here);
    LocationRecord* weakest = nullptr; // looked up last: it must not be offered
    db.lookUpLocation(*BssidKey::fromText("001a1e4c2001"), &weakest);
    data.write("new-subscriptions.txt", "http://a/?b={building}\nhttp://b/<i>\nhttp://c/");

    // What each dialog shows, and the choice made in it. Enter with nothing chosen
    // first: the offer stays.
    QStringList shown;
    const char* answers[] = {"building", "never", "always"};
    size_t offer = 0;
    SubscribeDialog* entered = nullptr;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<SubscribeDialog*>(QApplication::activeModalWidget());
        if (!dialog || offer >= std::size(answers))
            return;
        if (entered != dialog) {
            entered = dialog;
            QTest::keyClick(dialog, Qt::Key_Return);
            return;
        }
        QString texts = dialog->windowTitle() + " | " +
                        dialog->findChild<QPlainTextEdit*>("url")->toPlainText();
        for (auto* choice : dialog->findChildren<QRadioButton*>())
            texts += " | " + choice->text() + (choice->isEnabled() ? "" : " (off)") +
                     (choice->isChecked() ? " (on)" : "");
        texts += dialog->findChild<QPushButton*>("ok")->isEnabled() ? " | OK" : " | OK (off)";
        shown << texts;
        click(dialog->findChild<QRadioButton*>(answers[offer++]));
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    driver.start(10);
    const SubscribeContext context{list, db, [&] { return here; }};
    list.processNewSubscriptions(
        [&](const std::wstring& url) { return offerSubscription(context, url, nullptr); });
    driver.stop();

    const QString choices = " | &Always | Only when I am within University Quarter"
                            " | Only when I am in Library | &Never (don't subscribe) | OK (off)";
    EXPECT_EQ(shown, QStringList({"Nearbeam Subscription | http://a/?b={building}" + choices,
                                  "Nearbeam Subscription | http://b/<i>" + choices,
                                  "Nearbeam Subscription | http://c/" + choices}));
    EXPECT_EQ(data.read("subscriptions.txt"), "41\t6\thttp://a/?b={building}\t-\r\n"
                                              "0\t0\thttp://c/\t-\r\n");
    EXPECT_FALSE(data.exists("new-subscriptions.txt"));
}

} // namespace
} // namespace nearbeam::test
