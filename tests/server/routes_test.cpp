#include "server/routes.h"

#include "server/accounts/accounts.h"
#include "server/location_service.h"
#include "server/reply_cache.h"
#include "server/storage/backends.h"

#include "net/md5.h"

#include <gtest/gtest.h>

namespace nearbeam::test {
namespace {

// The operator's limits, request by request: downloads per address, failed
// logins per address (a good password does not get past them either), and
// stored uploads per user.
TEST(Routes, LimitsDownloadsFailedLoginsAndUploads) {
    MemoryStorage storage(testHasher());
    std::string error;
    ASSERT_TRUE(addUser(storage, "ann", "secret", error)) << error;
    LocationService service(storage);
    Routes routes(service, RouteLimits{2, 3, 2});
    const auto upload = [](const std::string& password, const std::string& country) {
        return "- login\nann\n" + md5Hex("Nearbeam: " + md5Hex(password)) +
               "\n- countries\n4294967295\t" + country + "\t3\n- end\n";
    };
    const std::string get = "/text/?action=location.downloadText&bssid=001122334455";
    const std::string post = "/text/?action=location.uploadText";
    const struct {
        const char* peer;
        const char* method;
        std::string target;
        std::string body;
        int status;
        const char* starts;
    } steps[] = {
        {"10.0.0.1", "GET", get, "", 200, "- end\n"},
        {"10.0.0.1", "GET", get, "", 200, "- end\n"},
        {"10.0.0.1", "GET", get, "", 200, "- end\n"},
        {"10.0.0.1", "GET", get, "", 429, "Too many requests"},
        {"10.0.0.2", "GET", get, "", 200, "- end\n"},
        {"10.0.0.1", "POST", post, upload("wrong", "A"), 200, "- error "},
        {"10.0.0.1", "POST", post, upload("wrong", "A"), 200, "- error "},
        {"10.0.0.1", "POST", post, upload("secret", "A"), 200,
         "- error Too many failed logins from your address"},
        {"10.0.0.2", "POST", post, upload("secret", "A"), 200, "- nearbeam ok\n"},
        {"10.0.0.2", "POST", post, upload("secret", "B"), 200, "- nearbeam ok\n"},
        {"10.0.0.3", "POST", post, upload("secret", "C"), 200,
         "- error Too many uploads from this account"},
        {"10.0.0.1", "GET", "/healthz", "", 200, "ok\n"},
        {"10.0.0.2", "POST", get, "", 405, "Use GET."},
        {"10.0.0.2", "GET", post, "", 405, "Use POST."},
        {"10.0.0.2", "GET", "/text/?action=other", "", 404, "Unknown action."},
        {"10.0.0.2", "GET", "/elsewhere", "", 404, "Not found."},
    };
    int step = 0;
    for (const auto& s : steps) {
        const HttpReply reply = routes.answer(HttpRequest{s.method, s.target, s.body, "h", s.peer});
        EXPECT_EQ(reply.status, s.status) << "step " << step;
        EXPECT_EQ(reply.content().rfind(s.starts, 0), 0u)
            << "step " << step << ": " << reply.content();
        EXPECT_EQ(reply.allow, s.status != 405                   ? ""
                               : std::string(s.method) == "POST" ? "GET, HEAD"
                                                                 : "POST")
            << "step " << step;
        ++step;
    }
}

// How a query's values are read: by their whole name, the first of a name given
// twice, '+' and %XX decoded (a stray '%' kept).
TEST(Routes, ReadsTheQueryByWholeNamesFirstValueDecoded) {
    MemoryStorage storage(testHasher());
    LocationService service(storage);
    Routes routes(service);
    const struct {
        const char* query;
        const char* greeting;
    } cases[] = {
        {"building=Hall", "Welcome to Hall.\n"},
        {"building=North+Hall%21", "Welcome to North Hall!.\n"},
        {"abuilding=X&building=Y", "Welcome to Y.\n"},
        {"building=First&building=Second", "Welcome to First.\n"},
        {"x=1&&building=Z", "Welcome to Z.\n"},
        {"building=100%25%zz%4", "Welcome to 100%%zz%4.\n"},
        {"building", "Welcome to nowhere in particular.\n"},
        {"", "Welcome to nowhere in particular.\n"},
    };
    for (const auto& c : cases) {
        const std::string target = std::string("/notify?") + c.query;
        const HttpReply reply = routes.answer(HttpRequest{"GET", target, "", "h", "10.0.0.1"});
        const std::string body(reply.content());
        EXPECT_EQ(body.substr(body.find(" Welcome") + 1), c.greeting) << c.query;
    }
}

// A download's reply may be kept for the next client, but never past an upload
// that changes what it says.
TEST(Routes, AKeptDownloadGivesWayToAStoredUpload) {
    MemoryStorage storage(testHasher());
    std::string error;
    ASSERT_TRUE(addUser(storage, "ann", "secret", error)) << error;
    LocationService service(storage);
    Routes routes(service);
    const HttpRequest get{"GET", "/text/?action=location.downloadText&bssid=001122334455", "", "h",
                          "10.0.0.1"};
    const std::string body = "- login\nann\n" + md5Hex("Nearbeam: " + md5Hex("secret")) +
                             "\n- countries\n4294967295\tNorway\t3\n- provinces\n"
                             "4294967294\t4294967295\tVestland\t3\n- cities\n"
                             "4294967293\t4294967294\tBergen\t3\n- buildings\n"
                             "4294967292\t0\t4294967293\tHall\t\t3\n- aps\n"
                             "001122334455\t4294967292\t0\t1\tRoom 1\t3\n- end\n";
    EXPECT_EQ(routes.answer(get).body, "- end\n");
    ASSERT_EQ(
        routes
            .answer(HttpRequest{"POST", "/text/?action=location.uploadText", body, "h", "10.0.0.1"})
            .body.rfind("- nearbeam ok\n", 0),
        0u);
    EXPECT_NE(routes.answer(get).content().find("\tRoom 1\n"), std::string::npos);
}

TEST(ReplyCache, KeepsRepliesForTheirLifetimeAndNoneReadBeforeAChange) {
    ReplyCache cache(2, std::chrono::seconds(1));
    const auto t0 = ReplyCache::Clock::now();
    const auto ms = [&](int n) { return t0 + std::chrono::milliseconds(n); };
    const auto found = [&](const char* key, ReplyCache::Clock::time_point at) {
        const auto kept = cache.find(key, at);
        return kept ? *kept : std::string("(none)");
    };
    cache.put("a", "A", cache.generation(), t0);
    EXPECT_EQ(found("a", ms(999)), "A");
    EXPECT_EQ(found("a", ms(1000)), "(none)"); // too old
    EXPECT_EQ(found("b", ms(10)), "(none)");

    const uint64_t before = cache.generation();
    cache.changed();
    EXPECT_EQ(found("a", ms(10)), "(none)");
    cache.put("b", "read before the change", before, ms(20));
    EXPECT_EQ(found("b", ms(21)), "(none)");

    // Full: the expired go first, then everything.
    cache.put("c", "C", cache.generation(), ms(0));
    cache.put("d", "D", cache.generation(), ms(500));
    cache.put("e", "E", cache.generation(), ms(1200));
    EXPECT_EQ(found("c", ms(1200)), "(none)");
    EXPECT_EQ(found("d", ms(1200)), "D");
    EXPECT_EQ(found("e", ms(1200)), "E");
}

} // namespace
} // namespace nearbeam::test
