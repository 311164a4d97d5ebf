#include "server/access_log.h"

#include <gtest/gtest.h>

namespace nearbeam::test {
namespace {

TEST(AccessLog, OneLinePerRequestWithNothingABadRequestCanForge) {
    AccessRecord record;
    record.time = std::chrono::system_clock::time_point(std::chrono::milliseconds(1796702400123));
    record.address = "127.0.0.1";
    record.status = 200;
    record.bytes = 57;
    record.took = std::chrono::microseconds(412);
    const struct {
        const char* method;
        std::string target;
        std::string line;
    } cases[] = {
        {"GET", "/text/?action=location.downloadText&bssid=001122334455",
         "2026-12-08T04:00:00.123Z 127.0.0.1 GET /text/?action=location.downloadText"
         "&bssid=001122334455 200 57 0.412\n"},
        {"GET", "/a b\r\nforged 1.2.3.4 GET / 200", // spaces and line breaks escaped
         "2026-12-08T04:00:00.123Z 127.0.0.1 GET /a%20b%0D%0Aforged%201.2.3.4%20GET%20/%20200 "
         "200 57 0.412\n"},
        {"", "", "2026-12-08T04:00:00.123Z 127.0.0.1 - - 200 57 0.412\n"},
        {"GET", "/" + std::string(600, 'x'),
         "2026-12-08T04:00:00.123Z 127.0.0.1 GET /" + std::string(511, 'x') + "... 200 57 0.412\n"},
    };
    for (const auto& c : cases) {
        record.method = c.method;
        record.target = c.target;
        EXPECT_EQ(accessLogLine(record), c.line);
    }
    record.dropped = "body timeout";
    EXPECT_EQ(accessLogLine(record), "2026-12-08T04:00:00.123Z 127.0.0.1 GET /" +
                                         std::string(511, 'x') +
                                         "... - 0 0.412 dropped: body timeout\n");
}

} // namespace
} // namespace nearbeam::test
