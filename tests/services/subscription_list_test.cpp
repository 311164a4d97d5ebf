#include "services/subscription_list.h"

#include "services/sharing_log.h"

#include "base/clock.h"
#include "base/memory_settings_store.h"
#include "base/text.h"
#include "locate/location_database.h"
#include "net/fake_transport.h"
#include "records/data_file.h"
#include "support/recording_notifier.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>

#include <string>
#include <vector>

namespace nearbeam::test {
namespace {

// Two areas of one city: Alpha and Beta in North, Gamma in South, Delta in none.
// Two access points in Alpha.
struct Town {
    Town() {
        dir.write("city.txt", "3\t0\tBergen\t0\r\n");
        dir.write("area.txt", "20\t3\tNorth\t0\r\n21\t3\tSouth\t0\r\n");
        dir.write("building.txt", "10\t20\t3\tAlpha\t\t0\r\n11\t20\t3\tBeta\t\t0\r\n"
                                  "12\t21\t3\tGamma\t\t0\r\n13\t0\t3\tDelta\t\t0\r\n");
        dir.write("ap.txt", "0000000000a1\t10\t0\t\tDesk\t0\r\n0000000000a2\t10\t0\t\tHall\t0\r\n"
                            "0000000000b1\t11\t0\t\t\t0\r\n0000000000c1\t12\t0\t\t\t0\r\n"
                            "0000000000d1\t13\t0\t\t\t0\r\n");
        db.openDatabase(dir.folder());
        list.setFile(db.subscriptionsPath());
    }

    void subscriptions(const std::string& lines) {
        dir.write("subscriptions.txt", lines);
        list.reload();
    }

    // Moves through the places, letting the agent send after each; the requests
    // as "host path".
    std::vector<std::string> walk(const std::vector<const char*>& keys) {
        for (const char* digits : keys) {
            LocationRecord* place = db.locations().find(*BssidKey::fromText(digits));
            EXPECT_NE(place, nullptr) << digits;
            if (place)
                list.locationChanged(*place);
            agent.runPending();
        }
        std::vector<std::string> sent;
        for (const SeenAttempt& attempt : transport.seen())
            sent.push_back(narrow(attempt.host) + " " + narrow(attempt.path));
        return sent;
    }

    TempDir dir;
    MemorySettingsStore settings;
    LocationDatabase db{settings};
    FakeTransport transport;
    ManualClock clock;
    WebAgent agent{transport, clock, WebAgent::Options{WebAgent::kWaitMs, false}};
    RecordingNotifier notifier;
    SubscriptionList list{
        agent, [this](const std::wstring& text, const std::wstring& title,
                      const std::wstring& link) { notifier.showAlert(text, title, link); }};
};

TEST(SubscriptionList, SendsWhenThePolicyCoversThePlaceAndTheUrlIsNew) {
    struct Case {
        const char* name;
        std::string lines;
        std::vector<const char*> moves;
        std::vector<std::string> sent;
    };
    const Case cases[] = {
        {"always, by building: A, B, A again, then another record in A",
         "0\t0\thttp://svc/b?n={building}\t-\r\n",
         {"0000000000a1", "0000000000b1", "0000000000a1", "0000000000a2"},
         {"svc /b?n=Alpha", "svc /b?n=Beta", "svc /b?n=Alpha"}},
        {"always, without keys: once per run",
         "0\t0\thttp://svc/ping\t-\r\n",
         {"0000000000a1", "0000000000b1", "0000000000a1"},
         {"svc /ping"}},
        {"area: only when the filled-in URL differs",
         "20\t5\thttp://svc/a?x={area}\t-\r\n",
         {"0000000000a1", "0000000000b1", "0000000000c1", "0000000000a1"},
         {"svc /a?x=North"}},
        {"area: other areas and places without one send nothing",
         "20\t5\thttp://svc/a?b={building}\t-\r\n",
         {"0000000000a1", "0000000000c1", "0000000000d1", "0000000000b1"},
         {"svc /a?b=Alpha", "svc /a?b=Beta"}},
        {"a level whose place the record lacks never matches, not even identifier 0",
         "0\t5\thttp://svc/none\t-\r\n0\t9\thttp://svc/odd\t-\r\n",
         {"0000000000d1"},
         {}},
        {"building: only inside it",
         "11\t6\thttp://svc/in?{bssid}\t-\r\n",
         {"0000000000a1", "0000000000b1", "0000000000a1", "0000000000b1"},
         {"svc /in?0000000000b1"}},
        {"addresses the agent refuses queue nothing",
         "0\t0\tftp://svc/x?b={building}\t-\r\n0\t0\thttp://svc\t-\r\n0\t0\tsvc/x\t-\r\n",
         {"0000000000a1"},
         {}},
        {"two subscriptions of one template share its request",
         "0\t0\thttp://svc/s?b={building}\t-\r\n0\t0\thttp://svc/s?b={building}\t-\r\n",
         {"0000000000a1", "0000000000b1"},
         {"svc /s?b=Alpha", "svc /s?b=Beta"}},
    };
    for (const Case& c : cases) {
        Town town;
        town.subscriptions(c.lines);
        EXPECT_EQ(town.walk(c.moves), c.sent) << c.name;
        EXPECT_FALSE(town.agent.isPending("ftp://svc/x?b={building}")) << c.name;
    }
}

TEST(SubscriptionList, AServiceMessageBecomesAnAlert) {
    Town town;
    town.subscriptions("0\t0\thttp://svc/m\t-\r\n");
    town.transport.queue({true, 200, -1, {"x\n- Nearbeam MSG http://svc/more Hello <b>\nrest\n"}});
    town.walk({"0000000000a1"});
    const auto alerts = town.notifier.alerts();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].text, L"Hello {b>");
    EXPECT_EQ(alerts[0].title, L"Nearbeam Subscription");
    EXPECT_EQ(alerts[0].link, L"http://svc/more");
}

// Requests wait in key order, and a failure ends the agent's pass: a dead service
// kept queued would stop the upload ("upload" sorts after "http://") for good.
TEST(SubscriptionList, AnUnreachableServiceDoesNotHoldUpLaterRequests) {
    Town town;
    town.subscriptions("0\t0\thttp://dead/x\t-\r\n");
    FakeReply unreachable;
    unreachable.connects = false;
    town.transport.queue(unreachable);
    town.walk({"0000000000a1"});
    EXPECT_FALSE(town.agent.isPending("http://dead/x"));
    {
        auto upload = town.agent.getRequest("upload");
        upload->setUrl("http://server/up");
        upload->pending = true;
    }
    town.agent.runPending();
    ASSERT_EQ(town.transport.seen().size(), 2u);
    EXPECT_EQ(town.transport.seen()[1].path, L"/up");
}

TEST(ServiceMessage, PrefixLinkAndText) {
    struct Case {
        std::string line;
        bool message;
        std::wstring text, link;
    };
    const Case cases[] = {
        {"- nearbeam msg http://svc/m Welcome to Alpha", true, L"Welcome to Alpha",
         L"http://svc/m"},
        {"- NEARBEAM Msg https://svc/m a  b", true, L"a  b", L"https://svc/m"},
        {"- nearbeam msg <script>", true, L"{script>", L""},
        {"- nearbeam msg http://svc/m <i>", true, L"{i>", L"http://svc/m"},
        {"- nearbeam msg http://svc/only-a-link", true, L"http://svc/only-a-link", L""},
        {"- nearbeam msg http://svc/m ", true, L"http://svc/m", L"http://svc/m"},
        {"- nearbeam msg httpd restarted", true, L"httpd restarted", L""},
        {"- nearbeam msg HTTP://svc/m hi", true, L"HTTP://svc/m hi", L""},
        {"- nearbeam msg caf\xe9\r", true, L"caf\u00e9", L""},
        {"- nearbeam msg ", false, L"", L""},
        {"- nearbeam msg", false, L"", L""},
        {"- nearbeam msgs hi", false, L"", L""},
        {" - nearbeam msg hi", false, L"", L""},
    };
    for (const Case& c : cases) {
        const auto message = parseServiceMessage(c.line);
        ASSERT_EQ(message.has_value(), c.message) << c.line;
        if (message) {
            EXPECT_EQ(message->text, c.text) << c.line;
            EXPECT_EQ(message->link, c.link) << c.line;
        }
    }
}

TEST(SubscriptionList, RemovesOnlyTheLinesThatBeginWithTheKey) {
    Town town;
    auto& dir = town.dir;
    auto& list = town.list;
    dir.write("subscriptions.txt", "7\t5\thttp://s/u\t-\r\n"
                                   "17\t5\thttp://s/u\t-\r\n"
                                   "7\t5\thttp://s/u\t-\r\n"
                                   "7\t6\thttp://s/u\t-\r\n"
                                   "7\t5\thttp://s/u2\t-\r\n"
                                   "7\t5\thttp://s/u"); // torn: not a line
    list.reload();
    ASSERT_EQ(list.entries().size(), 5u);
    EXPECT_EQ(list.entries()[0].key, "7\t5\thttp://s/u\t");

    EXPECT_TRUE(list.removeSubscription(L"7\t5\thttp://s/u\t"));
    EXPECT_EQ(dir.read("subscriptions.txt"), "17\t5\thttp://s/u\t-\r\n"
                                             "7\t6\thttp://s/u\t-\r\n"
                                             "7\t5\thttp://s/u2\t-\r\n");
    EXPECT_EQ(list.entries().size(), 3u);
    EXPECT_FALSE(dir.exists("subscriptions.txt.tmp"));

    std::filesystem::remove(dir.path() / "subscriptions.txt");
    EXPECT_FALSE(list.removeSubscription(L"17\t5\thttp://s/u\t"));
    EXPECT_FALSE(dir.exists("subscriptions.txt"));
}

TEST(SubscriptionList, AddedLinesReadBackAndMalformedLinesAreNoSubscriptions) {
    Town town;
    auto& dir = town.dir;
    auto& list = town.list;
    EXPECT_TRUE(list.addSubscription(5, 20, L"http://s/a?x={area}"));
    EXPECT_TRUE(list.addSubscription(0, 0, L"http://s/caf\u00e9"));
    EXPECT_FALSE(list.addSubscription(0, 0, L"http://s/a\tb"));
    EXPECT_FALSE(list.addSubscription(0, 0, L""));
    EXPECT_EQ(dir.read("subscriptions.txt"),
              "20\t5\thttp://s/a?x={area}\t-\r\n0\t0\thttp://s/caf\xc3\xa9\t-\r\n");
    ASSERT_EQ(list.entries().size(), 2u);
    EXPECT_EQ(list.entries()[0].key, SubscriptionList::keyOf(20, 5, "http://s/a?x={area}"));
    EXPECT_EQ(list.entries()[0].name, "-");

    dir.write("subscriptions.txt", "junk\n\n1\t6\thttp://x/y\t-\nx\t0\thttp://z/\t-\n"
                                   "4294967296\t0\thttp://z/\t-\n2\t-1\thttp://w/\n3\t0\t\t-\n");
    list.reload();
    ASSERT_EQ(list.entries().size(), 2u);
    EXPECT_EQ(list.entries()[0].scopeId, 1u);
    EXPECT_EQ(list.entries()[0].level, 6);
    EXPECT_EQ(list.entries()[0].url, "http://x/y");
    EXPECT_EQ(list.entries()[1].level, -1);
    EXPECT_EQ(list.entries()[1].key, "2\t-1\thttp://w/\t");
}

TEST(SubscriptionList, TheDatabaseGivesTheListItsFile) {
    Town town;
    auto& dir = town.dir;
    auto& db = town.db;
    SubscriptionList other(town.agent, nullptr);
    db.setSubscriptionFileListener([&](const std::string& path) { other.setFile(path); });
    dir.write("subscriptions.txt", "0\t0\thttp://s/\t-\r\n");
    db.openDatabase(dir.folder());
    EXPECT_EQ(other.file(), dir.folder() + "subscriptions.txt");
    EXPECT_EQ(other.entries().size(), 1u);
}

TEST(SubscriptionList, NewSubscriptionsAreOfferedOnceEachAndTheFileDeleted) {
    Town town;
    auto& dir = town.dir;
    auto& list = town.list;
    dir.write("new-subscriptions.txt", "http://a/1\r\n\r\nhttp://b/2"); // no last line feed
    std::vector<std::wstring> offered;
    const bool found = list.processNewSubscriptions([&](const std::wstring& url) {
        offered.push_back(url);
        if (offered.size() == 1) {
            // Another program adds a line while the first offer is shown (ending
            // the last one first), and tells the program again.
            std::ofstream(dir.file("new-subscriptions.txt"), std::ios::binary | std::ios::app)
                << "\r\nhttp://c/3\r\n";
            EXPECT_FALSE(list.processNewSubscriptions([&](const std::wstring&) {
                ADD_FAILURE() << "offered from within an offer";
                return true;
            }));
        }
        return true;
    });
    EXPECT_TRUE(found);
    EXPECT_EQ(offered, (std::vector<std::wstring>{L"http://a/1", L"http://b/2", L"http://c/3"}));
    EXPECT_FALSE(dir.exists("new-subscriptions.txt"));
    EXPECT_FALSE(list.processNewSubscriptions([](const std::wstring&) { return true; }));

    // An offer that cannot be shown keeps the file for the next time.
    dir.write("new-subscriptions.txt", "http://a/1\nhttp://b/2\n");
    offered.clear();
    EXPECT_TRUE(list.processNewSubscriptions([&](const std::wstring& url) {
        offered.push_back(url);
        return false;
    }));
    EXPECT_EQ(offered, (std::vector<std::wstring>{L"http://a/1"}));
    EXPECT_TRUE(dir.exists("new-subscriptions.txt"));
}

// Every request sent to a service is logged; the log keeps its newest lines.
TEST(SubscriptionList, EveryPlaceSharedIsLogged) {
    Town town;
    std::vector<std::string> old;
    for (size_t i = 0; i < SharingLog::kKeptLines; ++i)
        old.push_back("2020-01-01T00:00:00Z\t0\t0\thttp://old/\thttp://old/" + std::to_string(i));
    datafile::replaceLines(town.dir.file("sharing.txt"), old);
    town.subscriptions("0\t0\thttps://svc/b?n={building}\t-\r\n");
    EXPECT_EQ(town.walk({"0000000000a1", "0000000000b1"}),
              (std::vector<std::string>{"svc /b?n=Alpha", "svc /b?n=Beta"}));
    EXPECT_TRUE(town.transport.seen().back().secure);

    const std::string log = town.dir.read("sharing.txt");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1000);
    EXPECT_EQ(log.find("http://old/0\r\n"), std::string::npos);
    EXPECT_NE(log.find("http://old/2\r\n"), std::string::npos);
    const std::string last = log.substr(log.rfind('\n', log.size() - 2) + 1);
    const std::regex newest("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ\t0\t0\t"
                            "https://svc/b\\?n=\\{building\\}\thttps://svc/b\\?n=Beta\r\n");
    EXPECT_TRUE(std::regex_match(last, newest)) << last;

    const auto entries = SharingLog(town.list.sharingLogPath()).entries();
    ASSERT_EQ(entries.size(), 1000u);
    EXPECT_EQ(entries[0].url, "https://svc/b?n=Beta");
    EXPECT_EQ(entries[1].url, "https://svc/b?n=Alpha");
    EXPECT_EQ(entries[999].url, "http://old/2");
}

} // namespace
} // namespace nearbeam::test
