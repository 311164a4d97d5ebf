// What the subscription offer shows and lets the user agree to.

#include "ui/subscription_offer.h"

#include "base/clock.h"
#include "base/text.h"
#include "net/fake_transport.h"
#include "records/database_fixture.h"

namespace nearbeam::test {
namespace {

class SubscriptionOfferTest : public LocationDatabaseFixture {
  protected:
    SubscriptionOfferTest() {
        dir.write("city.txt", "3\t0\tBergen\t0\r\n");
        dir.write("area.txt", "20\t3\tCampus\t0\r\n");
        dir.write("building.txt", "10\t20\t3\tLibrary\t\t0\r\n11\t20\t3\tScience & Art\t\t0\r\n"
                                  "13\t0\t3\tStation\t\t0\r\n");
        dir.write("ap.txt", "0000000000a1\t10\t0\t\tDesk\t0\r\n0000000000b1\t11\t0\t\t\t0\r\n"
                            "0000000000d1\t13\t0\t\t\t0\r\n");
        list.setFile(db.subscriptionsPath());
    }

    LocationRecord* place(const char* digits) { return db.locations().find(key(digits)); }

    FakeTransport transport;
    ManualClock clock;
    WebAgent agent{transport, clock, WebAgent::Options{WebAgent::kWaitMs, false}};
    SubscriptionList list{agent, {}};
};

// The places offered are those of the place the program shows, whatever was
// looked up last (the weakest access point of the tick, in the library's case).
TEST_F(SubscriptionOfferTest, OffersTheAreaAndBuildingOfThePlaceShown) {
    struct Case {
        const char* what;
        const char* shown; // none: the program shows no place
        std::wstring area, building;
    };
    const Case cases[] = {
        {"in the library", "0000000000a1", L"Only when I am within Campus",
         L"Only when I am in Library"},
        {"an ampersand shows as itself", "0000000000b1", L"Only when I am within Campus",
         L"Only when I am in Science && Art"},
        {"a building in no area", "0000000000d1", L"", L"Only when I am in Station"},
        {"no place shown", nullptr, L"", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LocationRecord* shown = c.shown ? place(c.shown) : nullptr;
        place("0000000000b1"); // looked up last
        db.buildings().findById(11);
        const SubscribeContext context{list, db, [&] { return shown; }};
        const SubscriptionOffer offer(context, L"http://s/notify?building={building}");
        EXPECT_EQ(offer.areaLabel(), c.area);
        EXPECT_EQ(offer.buildingLabel(), c.building);
    }
}

// OK does something only once a choice is made; an address that cannot be read
// can only be declined.
TEST_F(SubscriptionOfferTest, OkWaitsForAChoiceAndABadAddressCannotBeAgreedTo) {
    const std::optional<OfferChoice> none;
    struct Case {
        const char* what;
        std::wstring url;
        bool mayAgree;
        std::optional<OfferChoice> choice;
        bool ok;
    };
    const std::wstring good = L"https://svc.example/notify?building={building}&city={city}"
                              L"&ap={bssid}";
    const Case cases[] = {
        {"nothing chosen", good, true, none, false},
        {"always", good, true, OfferChoice::Always, true},
        {"the building shown", good, true, OfferChoice::Building, true},
        {"never", good, true, OfferChoice::Never, true},
        {"no scheme", L"svc.example/notify", false, OfferChoice::Always, false},
        {"another scheme", L"file:///etc/passwd", false, OfferChoice::Building, false},
        {"no host", L"http:///notify", false, OfferChoice::Always, false},
        {"a space", L"http://svc.example/a b", false, OfferChoice::Always, false},
        {"a bad address declined", L"javascript:alert(1)", false, OfferChoice::Never, true},
    };
    LocationRecord* shown = place("0000000000a1");
    const SubscribeContext context{list, db, [&] { return shown; }};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const SubscriptionOffer offer(context, c.url);
        EXPECT_EQ(offer.url(), c.url); // shown whole
        EXPECT_EQ(offer.mayAgree(), c.mayAgree);
        EXPECT_EQ(offer.addressNote().empty(), c.mayAgree);
        EXPECT_EQ(offer.okEnabled(c.choice), c.ok);
        EXPECT_EQ(offer.buildingLabel().empty(), !c.mayAgree);
        const size_t before = list.entries().size();
        if (c.choice)
            offer.accept(*c.choice);
        const bool stored = c.ok && c.choice != OfferChoice::Never;
        EXPECT_EQ(list.entries().size(), before + (stored ? 1 : 0));
    }
    EXPECT_EQ(dir.read("subscriptions.txt"),
              "0\t0\t" + narrow(good) + "\t-\r\n10\t6\t" + narrow(good) + "\t-\r\n");
}

} // namespace
} // namespace nearbeam::test
