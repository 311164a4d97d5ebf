// The tray on the offscreen platform (no notification area there): the tooltip,
// its icon, and the link a click on an alert hands on, as a balloon and as a
// notification of a desktop's notification service on a private session bus.

#include "app/linux/tray.h"
#include "app/linux/xdg_paths.h"
#include "app/status.h"
#include "private_bus.h"
#include "support/temp_dir.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

namespace nearbeam::test {
namespace {

TEST(Tray, AnAlertsClickHandsItsLinkToTheProgramOnce) {
    std::vector<std::wstring> clicked;
    TrayActions actions;
    actions.alertClicked = [&](const std::wstring& link) { clicked.push_back(link); };
    Tray tray(actions);

    tray.setStatus(kIconNormal, std::wstring(100, L'x'));
    EXPECT_EQ(tray.tooltip(), QString(63, QLatin1Char('x')));
    // Nothing can be seen: the tooltip says why, when that is known.
    tray.setStatus(kIconProblem, L"I am lost (no wireless signal available) (private)");
    EXPECT_EQ(tray.tooltip(), "I am lost (no wireless signal available) (private)");
    tray.setBlindBecause(L"NetworkManager is not running");
    tray.setStatus(kIconProblem, L"I am lost (no wireless signal available) (private)");
    EXPECT_EQ(tray.tooltip(), "I am lost: NetworkManager is not running (private)");
    EXPECT_FALSE(tray.icon().icon().isNull());

    tray.showAlert(L"Welcome", L"Nearbeam Subscription", L"http://s.example/a");
    QCoreApplication::processEvents();
    tray.alertClicked();
    tray.alertClicked();
    // Opening the menu forgets the alert.
    tray.showAlert(L"x", L"y", L"https://s.example/b");
    Q_EMIT tray.menu().aboutToShow();
    tray.alertClicked();
    EXPECT_EQ(clicked, (std::vector<std::wstring>{L"http://s.example/a", L"", L""}));
}

// Two alerts of one tick without a notification service: both show, one after the
// other, each with its own link.
TEST(Tray, BalloonsOfOneTickShowOneAfterTheOther) {
    std::vector<std::wstring> opened;
    TrayActions actions;
    actions.alertClicked = [&](const std::wstring& link) {
        if (!link.empty())
            opened.push_back(link);
    };
    Tray tray(actions);
    tray.showAlert(L"Your location is now Library", L"Nearbeam", L"http://s.example/place");
    tray.showAlert(L"Welcome", L"Nearbeam Subscription", L"http://s.example/a");
    tray.alertClicked();
    tray.alertClicked();
    tray.alertClicked();
    EXPECT_EQ(opened,
              (std::vector<std::wstring>{L"http://s.example/place", L"http://s.example/a"}));
}

class TrayNotificationTest : public ::testing::Test {
  protected:
    TrayNotificationTest() {
        actions.alertClicked = [this](const std::wstring& link) {
            if (!link.empty())
                opened.push_back(link);
        };
    }
    struct Sent {
        uint id;
        QString appName, icon, title, body;
        QStringList actions;
    };
    // The notifications the service was asked for, once there are `count` of them.
    std::vector<Sent> sent(size_t count) {
        std::vector<Sent> out;
        (void)QTest::qWaitFor(
            [&] {
                out.clear();
                const QDBusMessage reply = bus.notificationMock(QStringLiteral("GetMethodCalls"),
                                                                {QStringLiteral("Notify")});
                const QDBusArgument calls = reply.arguments().value(0).value<QDBusArgument>();
                calls.beginArray();
                while (!calls.atEnd()) {
                    qulonglong time = 0;
                    QVariantList args;
                    calls.beginStructure();
                    calls >> time >> args;
                    calls.endStructure();
                    // The service numbers them from 1 in the order they came.
                    out.push_back({static_cast<uint>(out.size() + 1), args.value(0).toString(),
                                   args.value(2).toString(), args.value(3).toString(),
                                   args.value(4).toString(),
                                   qdbus_cast<QStringList>(args.value(5))});
                }
                calls.endArray();
                return out.size() >= count;
            },
            30000);
        return out;
    }
    void emitSignal(const QString& name, const QString& signature, const QVariantList& args) {
        bus.notificationMock(QStringLiteral("EmitSignal"),
                             {bus.kNotifications, name, signature, args});
    }

    PrivateBus bus;
    TrayActions actions;
    std::vector<std::wstring> opened;
};

TEST_F(TrayNotificationTest, EachAlertIsANotificationWhoseClickFollowsItsOwnLink) {
    ASSERT_TRUE(bus.startNotificationService());
    Tray tray(actions);
    tray.useNotifications(bus.connection());
    tray.showAlert(L"Your location is now Library", L"Nearbeam", L"http://s.example/place");
    tray.showAlert(L"Fish & chips <today>", L"Nearbeam Subscription", L"http://s.example/a");

    const std::vector<Sent> notes = sent(2);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].title, QStringLiteral("Nearbeam"));
    EXPECT_EQ(notes[1].title, QStringLiteral("Nearbeam Subscription"));
    // Services read the body as markup: the alert's text stays text.
    EXPECT_EQ(notes[1].body, QStringLiteral("Fish &amp; chips &lt;today&gt;"));
    for (const Sent& note : notes) {
        EXPECT_EQ(note.appName, QStringLiteral("Nearbeam"));
        EXPECT_EQ(note.icon, QStringLiteral("net.nearbeam.Nearbeam"));
        EXPECT_EQ(note.actions.value(0), QStringLiteral("default"));
    }

    // A click on the second follows its link, once; the first's closing forgets it.
    emitSignal(QStringLiteral("NotificationClosed"), QStringLiteral("uu"), {1u, 2u});
    emitSignal(QStringLiteral("ActionInvoked"), QStringLiteral("us"),
               {2u, QStringLiteral("default")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !opened.empty(); }, 30000));
    emitSignal(QStringLiteral("ActionInvoked"), QStringLiteral("us"),
               {2u, QStringLiteral("default")});
    emitSignal(QStringLiteral("ActionInvoked"), QStringLiteral("us"),
               {1u, QStringLiteral("default")});
    // A third alert's click is the fence: the two before it are handled by then.
    tray.showAlert(L"x", L"y", L"http://s.example/c");
    ASSERT_EQ(sent(3).size(), 3u);
    emitSignal(QStringLiteral("ActionInvoked"), QStringLiteral("us"),
               {3u, QStringLiteral("default")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return opened.size() == 2; }, 30000));
    EXPECT_EQ(opened, (std::vector<std::wstring>{L"http://s.example/a", L"http://s.example/c"}));
}

// "Open" is offered only where a click leads somewhere.
TEST_F(TrayNotificationTest, AnAlertThatLeadsNowhereOffersNoOpen) {
    ASSERT_TRUE(bus.startNotificationService());
    actions.alertLeadsSomewhere = [](const std::wstring& link) { return !link.empty(); };
    Tray tray(actions);
    tray.useNotifications(bus.connection());
    tray.showAlert(L"You are at Library", L"Your location...", L"");
    tray.showAlert(L"Welcome", L"Nearbeam Subscription", L"http://s.example/a");
    const std::vector<Sent> notes = sent(2);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].actions, QStringList());
    EXPECT_EQ(notes[1].actions, (QStringList{"default", "Open"}));
}

// Without a notification service (and here without a tray) the alert shows in a
// window of the program's own; a click on it follows the link and closes it.
TEST_F(TrayNotificationTest, WithoutANotificationServiceTheAlertIsAWindowOfItsOwn) {
    Tray tray(actions);
    tray.useNotifications(bus.connection());
    tray.showAlert(L"Welcome", L"Nearbeam Subscription", L"http://s.example/a");
    ASSERT_TRUE(QTest::qWaitFor([&] { return tray.shownAlert() != nullptr; }, 10000));
    QWidget* alert = tray.shownAlert();
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(alert->findChild<QLabel*>("title")->text(), "Nearbeam Subscription");
    EXPECT_EQ(alert->findChild<QLabel*>("text")->text(), "Welcome");
    EXPECT_EQ(alert->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(alert, Qt::LeftButton);
    EXPECT_EQ(opened, (std::vector<std::wstring>{L"http://s.example/a"}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return tray.shownAlert() == nullptr; }, 10000));
}

TEST(XdgPaths, TheDataFolderFollowsTheEnvironment) {
    const struct {
        const char* dataHome;
        const char* home;
        std::string folder;
    } cases[] = {{"/x/data", "/h", "/x/data/nearbeam/"},
                 {"/x/data/", "/h", "/x/data/nearbeam/"},
                 {"", "/h", "/h/.local/share/nearbeam/"},
                 {"relative", "/h/", "/h/.local/share/nearbeam/"},
                 {nullptr, nullptr, ""}};
    const std::string savedData = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    for (const auto& c : cases) {
        c.dataHome ? setenv("XDG_DATA_HOME", c.dataHome, 1) : unsetenv("XDG_DATA_HOME");
        c.home ? setenv("HOME", c.home, 1) : unsetenv("HOME");
        EXPECT_EQ(userDataFolder(), c.folder) << (c.dataHome ? c.dataHome : "(unset)");
    }
    savedData.empty() ? unsetenv("XDG_DATA_HOME") : setenv("XDG_DATA_HOME", savedData.c_str(), 1);
    setenv("HOME", savedHome.c_str(), 1);
    // Beside the program in the build tree, else the install's share folder.
    TempDir built;
    built.write("manufacturers.dat", "");
    EXPECT_EQ(shareFolder(built.file("nearbeam")), built.folder());
    EXPECT_EQ(shareFolder("/usr/bin/nearbeam"), "/usr/share/nearbeam/");
}

} // namespace
} // namespace nearbeam::test
