#include "ui/options_model.h"

#include "base/clock.h"
#include "net/fake_transport.h"
#include "records/database_fixture.h"

#include <gtest/gtest.h>

namespace nearbeam::test {
namespace {

class OptionsModelTest : public LocationDatabaseFixture {
  protected:
    FakeTransport transport;
    ManualClock clock;
    WebAgent agent{transport, clock, WebAgent::Options{WebAgent::kWaitMs, false}};
    SubscriptionList list{agent, nullptr};
};

TEST_F(OptionsModelTest, RowsShowWhereEachSubscriptionHolds) {
    dir.write("area.txt", "20\t3\tNorth\t0\r\n");
    dir.write("building.txt", "10\t20\t3\tAlpha\t\t0\r\n");
    dir.write("subscriptions.txt", "0\t0\thttp://s/all\t-\r\n"
                                   "20\t5\thttp://s/a\t-\r\n"
                                   "21\t5\thttp://s/a\t-\r\n"
                                   "10\t6\thttp://s/b\t-\r\n"
                                   "17\t6\thttp://s/b\t-\r\n"
                                   "3\t4\thttp://s/c\t-\r\n");
    list.setFile(db.subscriptionsPath());
    const auto rows = subscriptionRows(list, db);
    std::vector<std::wstring> where;
    for (const auto& row : rows)
        where.push_back(row.where);
    EXPECT_EQ(where, (std::vector<std::wstring>{L"Everywhere", L"Area: North",
                                                L"Area: Unknown (21)", L"Building: Alpha",
                                                L"Building: Unknown (17)", L"Unknown"}));
    EXPECT_EQ(rows[4].key, L"17\t6\thttp://s/b\t");
    EXPECT_EQ(rows[4].url, L"http://s/b");
}

TEST(AdapterList, TheCurrentAdapterIsSelectedByItsName) {
    const auto items = adapterItems({{L"{AAA}", L"First"}, {L"{BBB}", L""}});
    EXPECT_EQ(items, (std::vector<std::wstring>{L"<Auto-select>", L"{AAA}", L"{BBB}"}));
    struct Case {
        bool automatic;
        std::wstring name;
        int item;
    };
    const Case cases[] = {
        {true, L"{BBB}", 0}, {false, L"{BBB}", 2},  {false, L"{bbb}", 2},
        {false, L"{B", 2},   {false, L"{CCC}", -1}, {false, L"<Auto", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(initialAdapterItem(items, c.automatic, c.name), c.item) << c.name;
}

TEST(AdapterList, OkTakesTheChosenItemOrKeepsTheAdapter) {
    const std::wstring longName(260, L'x');
    const std::vector<std::wstring> items{L"<Auto-select>", L"{AAA}", L"{BBB}", longName};
    struct Case {
        int selected;
        std::wstring typed;
        std::optional<std::wstring> choice;
    };
    const Case cases[] = {
        {0, L"<Auto-select>", L""},  {2, L"{BBB}", L"{BBB}"},      {-1, L"{aaa}", L"{AAA}"},
        {-1, L"<auto-select>", L""}, {-1, L"{ZZZ}", std::nullopt}, {-1, L"", std::nullopt},
        {3, longName, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(adapterChoice(items, c.selected, c.typed), c.choice)
            << c.selected << " " << c.typed.size();
}

TEST_F(OptionsModelTest, ClearingTheCacheAsksOnlyWhileAnUploadIsPending) {
    struct Case {
        bool pending;
        bool answer;
        int questions;
        bool cleared;
    };
    const Case cases[] = {{false, false, 0, true}, {true, false, 1, false}, {true, true, 1, true}};
    for (const Case& c : cases) {
        dir.write("ap.txt", "0000000000a1\t10\t0\t\t\t3\r\n");
        db.setUploadNeeded(c.pending);
        int questions = 0;
        EXPECT_EQ(clearDataCache(db, [&] { return ++questions, c.answer; }), c.cleared);
        EXPECT_EQ(questions, c.questions);
        EXPECT_EQ(dir.exists("ap.txt"), !c.cleared);
        EXPECT_EQ(db.uploadNeeded.load(), c.pending && !c.cleared);
        EXPECT_EQ(settings.readNumber(L"Software\\Nearbeam\\APDB", L"UploadNeeded", 9),
                  c.pending && !c.cleared ? 1 : 0);
    }
}

} // namespace
} // namespace nearbeam::test
