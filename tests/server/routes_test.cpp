#include "server/routes.h"

#include "server/accounts.h"
#include "server/location_service.h"
#include "server/storage_backends.h"

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
        EXPECT_EQ(reply.body.rfind(s.starts, 0), 0u) << "step " << step << ": " << reply.body;
        ++step;
    }
}

} // namespace
} // namespace nearbeam::test
