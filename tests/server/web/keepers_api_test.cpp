// The keepers' API without the network: sessions, the token every change
// carries, the keepers' rights, and the clear refusal of bad requests.

#include "server/web/keepers_api.h"

#include "net/md5.h"
#include "net/server_records.h"
#include "server/accounts/accounts.h"
#include "server/location_service.h"
#include "server/storage/backends.h"
#include "server/web/json_text.h"

#include <gtest/gtest.h>

namespace nearbeam::test {
namespace {

class KeepersApiTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(store.get(), nullptr);
        TempDir dir;
        writeServerRecords(dir);
        std::string error;
        ASSERT_TRUE(importFolder(*store.get(), dir.folder(), error)) << error;
        ASSERT_TRUE(addUser(*store.get(), "kim", "k", error, true)) << error;
        ASSERT_TRUE(addUser(*store.get(), "ann", "a", error)) << error;
        ASSERT_TRUE(service
                        .upload("- login\nann\n" + loginToken("a") +
                                "\n- aps\n001122334455\t31\t3\t3\tAttic\t6\n")
                        .stored);
    }
    HttpReply call(const std::string& method, const std::string& target,
                   const std::string& cookie = {}, const std::string& csrf = {},
                   const std::string& body = {}, bool tls = false) {
        HttpRequest request{method, target, body, "localhost", "192.0.2.1"};
        request.cookie = cookie;
        request.csrfToken = csrf;
        request.tls = tls;
        return api.answer(request);
    }
    static std::string field(const HttpReply& reply, const std::string& name) {
        for (const auto& [n, value] : reply.fields)
            if (n == name)
                return value;
        return {};
    }
    // Signs in: the session's cookie ("name=token") and its change token.
    std::pair<std::string, std::string> signIn(const std::string& user, const std::string& pw) {
        const HttpReply reply =
            call("POST", "/api/session", {}, {}, "user=" + user + "&password=" + pw);
        EXPECT_EQ(reply.status, 200) << reply.body;
        const std::string cookie = field(reply, "Set-Cookie");
        const size_t csrf = reply.body.find("\"csrf\":\"") + 8;
        return {cookie.substr(0, cookie.find(';')),
                reply.body.substr(csrf, reply.body.find('"', csrf) - csrf)};
    }
    std::string served() {
        return service.downloadText("001122334455").find("\t3\tAttic\n") != std::string::npos
                   ? "Attic"
                   : "Reading room";
    }

    TestStorage store{Backend::Memory};
    LocationService service{*store.get(), [] { return std::time_t{1796731200}; }};
    RateLimit failedLogins{100, std::chrono::minutes(1)};
    ReplyCache downloads;
    int made = 0;
    std::chrono::steady_clock::time_point now{};
    KeepersApi api{service, failedLogins, downloads,
                   [this] { return "token" + std::to_string(++made); }, [this] { return now; }};
};

TEST_F(KeepersApiTest, BadRequestsAreRefusedClearlyAndChangeNothing) {
    const auto [kim, kimCsrf] = signIn("kim", "k");
    const auto [ann, annCsrf] = signIn("ann", "a");
    const std::string withdraw = "/api/uploads/1/withdraw";
    struct Case {
        const char* what;
        HttpReply reply;
        int status;
        const char* error;
    };
    const Case cases[] = {
        {"forged cookie", call("POST", withdraw, "nearbeam_session=token99", kimCsrf), 401,
         "Sign in first (the session is unknown or has ended)."},
        {"no cookie", call("GET", "/api/buildings"), 401,
         "Sign in first (the session is unknown or has ended)."},
        {"no token", call("POST", withdraw, kim), 403,
         "The request does not carry this session's token."},
        {"another session's token", call("POST", withdraw, kim, annCsrf), 403,
         "The request does not carry this session's token."},
        {"no keeper", call("POST", withdraw, ann, annCsrf), 403,
         "Only the map's keepers may withdraw or restore uploads."},
        {"no keeper blocks", call("POST", "/api/users/kim/block", ann, annCsrf), 403,
         "Only the map's keepers may block or unblock users."},
        {"unknown upload", call("POST", "/api/uploads/99/withdraw", kim, kimCsrf), 404,
         "There is no upload 99."},
        {"not a number", call("POST", "/api/uploads/1x/withdraw", kim, kimCsrf), 400,
         "An upload is named by its number."},
        {"huge number", call("POST", "/api/uploads/123456789012345678901/withdraw", kim, kimCsrf),
         400, "An upload is named by its number."},
        {"not withdrawn", call("POST", "/api/uploads/1/restore", kim, kimCsrf), 409,
         "Upload 1 is not withdrawn."},
        {"unknown user", call("POST", "/api/users/nobody/block", kim, kimCsrf), 404,
         "There is no user nobody."},
        {"huge page", call("GET", "/api/uploads?page=999999999", kim), 404,
         "There is no page 999999999; there are 1."},
        {"page beyond numbers", call("GET", "/api/uploads?page=99999999999999999999", kim), 400,
         "The page is a whole number from 1 on."},
        {"page 0", call("GET", "/api/uploads?page=0", kim), 400,
         "The page is a whole number from 1 on."},
        {"change by GET", call("GET", withdraw, kim), 405, "Use POST."},
        {"wrong password", call("POST", "/api/session", {}, {}, "user=kim&password=x"), 401,
         "Unknown user name or wrong password."},
        {"unknown account", call("POST", "/api/session", {}, {}, "user=zed&password=k"), 401,
         "Unknown user name or wrong password."},
        {"unknown path", call("GET", "/api/nothing", kim), 404, "Not found."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.reply.status, c.status) << c.what;
        EXPECT_EQ(c.reply.body, "{\"error\":" + jsonString(c.error) + "}")
            << c.what << ": " << c.reply.body;
        EXPECT_EQ(c.reply.contentType, "application/json; charset=utf-8") << c.what;
        EXPECT_NE(field(c.reply, "Content-Security-Policy").find("default-src 'none'"),
                  std::string::npos)
            << c.what;
    }
    EXPECT_EQ(served(), "Attic");
    EXPECT_EQ(
        call("GET", "/api/uploads", kim).body,
        "{\"page\":1,\"pages\":1,\"total\":1,\"uploads\":[{\"id\":1,\"user\":\"ann\",\"time\":"
        "\"2026-12-08T12:00:00Z\",\"records\":1,\"scans\":0,\"withdrawn\":false,\"blocked\":false}]"
        "}");

    // A keeper's withdrawal brings back the place from before; twice is refused.
    EXPECT_EQ(call("POST", withdraw, kim, kimCsrf).status, 200);
    EXPECT_EQ(served(), "Reading room");
    const HttpReply twice = call("POST", withdraw, kim, kimCsrf);
    EXPECT_EQ(twice.status, 409);
    EXPECT_EQ(twice.body, "{\"error\":\"Upload 1 is withdrawn already.\"}");
}

// A session's cookie: HttpOnly, SameSite=Strict, Secure over HTTPS, 8 hours;
// it ends at sign-out or after 8 hours, whichever comes first.
TEST_F(KeepersApiTest, SessionsEndAtSignOutAndAfterEightHours) {
    const HttpReply plain = call("POST", "/api/session", {}, {}, "user=kim&password=k");
    EXPECT_EQ(field(plain, "Set-Cookie"),
              "nearbeam_session=token2; Path=/; HttpOnly; SameSite=Strict; Max-Age=28800");
    EXPECT_EQ(plain.body, "{\"user\":\"kim\",\"keeper\":true,\"csrf\":\"token1\"}");
    const HttpReply secure = call("POST", "/api/session", {}, {}, "user=ann&password=a", true);
    EXPECT_EQ(field(secure, "Set-Cookie"), "nearbeam_session=token4; Path=/; HttpOnly; "
                                           "SameSite=Strict; Max-Age=28800; Secure");

    const std::string kim = "nearbeam_session=token2", ann = "nearbeam_session=token4";
    EXPECT_EQ(call("GET", "/api/session", "other=1; " + kim).status, 200);
    EXPECT_EQ(call("POST", "/api/session/end", ann, "token3").status, 200);
    EXPECT_EQ(call("GET", "/api/session", ann).status, 401);
    now += std::chrono::hours(8) - std::chrono::seconds(1);
    EXPECT_EQ(call("GET", "/api/buildings", kim).status, 200);
    now += std::chrono::seconds(1);
    EXPECT_EQ(call("GET", "/api/buildings", kim).status, 401);
}

// Per building: each floor's access points, scans and newest upload served,
// each location's counts; texts as JSON strings with markup escaped.
TEST_F(KeepersApiTest, BuildingsCountFloorsAndLocations) {
    std::string error;
    ASSERT_TRUE(store.get()->write(
        [](Transaction& r) {
            r.put(StoredKind::Building, {40, 20, 0, 0, "<b>\xe6", "", ""});
            r.putScan({31, "2", "Reading room", "2026-12-01T00:00:00Z", "", "001122334455:-50"});
            return true;
        },
        error))
        << error;
    ASSERT_TRUE(service
                    .upload("- login\nann\n" + loginToken("a") +
                            "\n- aps\naabbccddeeff\t31\t0\t3\tHall\t3\n- scans\n"
                            "31\t3\tHall\t2026-12-08T09:00:00Z\taabbccddeeff:-40\n")
                    .stored);
    const auto [kim, csrf] = signIn("kim", "k");
    EXPECT_EQ(
        call("GET", "/api/buildings", kim).body,
        "{\"buildings\":[{\"id\":31,\"name\":\"Library\",\"street\":\"Main St 1\",\"floors\":["
        "{\"floor\":\"2\",\"accessPoints\":0,\"scans\":1,\"newestUpload\":\"\"},"
        "{\"floor\":\"3\",\"accessPoints\":2,\"scans\":1,"
        "\"newestUpload\":\"2026-12-08T12:00:00Z\"}],\"locations\":["
        "{\"floor\":\"2\",\"location\":\"Reading room\",\"accessPoints\":0,\"scans\":1},"
        "{\"floor\":\"3\",\"location\":\"Attic\",\"accessPoints\":1,\"scans\":0},"
        "{\"floor\":\"3\",\"location\":\"Hall\",\"accessPoints\":1,\"scans\":1}]},"
        "{\"id\":40,\"name\":\"\\u003cb\\u003e\\u00e6\",\"street\":\"\",\"floors\":[],"
        "\"locations\":[]}]}");
    // The page itself: the files built in, under the policy.
    const HttpReply page = call("GET", "/");
    EXPECT_EQ(page.status, 200);
    EXPECT_EQ(page.contentType, "text/html; charset=utf-8");
    EXPECT_NE(page.body.find("<script src=\"/keepers.js\" defer></script>"), std::string::npos);
    EXPECT_EQ(call("GET", "/keepers.js").contentType, "text/javascript; charset=utf-8");
    EXPECT_EQ(call("POST", "/", kim, csrf).status, 405);
}

// A blocked account's uploads leave the map; it can neither upload nor sign in
// until a keeper unblocks it.
TEST_F(KeepersApiTest, ABlockedAccountNeitherUploadsNorSignsIn) {
    const auto [kim, csrf] = signIn("kim", "k");
    const std::string upload =
        "- login\nann\n" + loginToken("a") + "\n- aps\naabbccddeeff\t31\t0\t3\tHall\t3\n";
    EXPECT_EQ(call("POST", "/api/users/ann/block", kim, csrf).body,
              "{\"user\":\"ann\",\"blocked\":true}");
    EXPECT_EQ(served(), "Reading room");
    EXPECT_EQ(service.upload(upload).text,
              "- error This account may not upload; ask the map's keepers.\n- end\n");
    const HttpReply refused = call("POST", "/api/session", {}, {}, "user=ann&password=a");
    EXPECT_EQ(refused.status, 403);
    EXPECT_TRUE(field(refused, "Set-Cookie").empty());
    EXPECT_EQ(call("POST", "/api/users/ann/block", kim, csrf).status, 409);

    EXPECT_EQ(call("POST", "/api/users/ann/unblock", kim, csrf).status, 200);
    EXPECT_EQ(served(), "Attic");
    EXPECT_TRUE(service.upload(upload).stored);
    EXPECT_EQ(call("POST", "/api/session", {}, {}, "user=ann&password=a").status, 200);
}

} // namespace
} // namespace nearbeam::test
