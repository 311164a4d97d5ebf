#include "server/http/access_log.h"

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

// The time a request took, and the time of day, as printf's "%.3f" and "%02d"
// wrote them.
TEST(AccessLog, TimesInMillisecondsWithThreeDecimals) {
    AccessRecord record;
    record.address = "10.0.0.1";
    record.method = "GET";
    record.target = "/";
    record.status = 404;
    const struct {
        int64_t epochMillis;
        int64_t tookMicros;
        const char* line;
    } cases[] = {
        {0, 0, "1970-01-01T00:00:00.000Z 10.0.0.1 GET / 404 0 0.000\n"},
        {1796702400123, 1, "2026-12-08T04:00:00.123Z 10.0.0.1 GET / 404 0 0.001\n"},
        {1796702400009, 999, "2026-12-08T04:00:00.009Z 10.0.0.1 GET / 404 0 0.999\n"},
        {1796702459999, 1000, "2026-12-08T04:00:59.999Z 10.0.0.1 GET / 404 0 1.000\n"},
        {1796702400123, 30000050, "2026-12-08T04:00:00.123Z 10.0.0.1 GET / 404 0 30000.050\n"},
    };
    for (const auto& c : cases) {
        record.time =
            std::chrono::system_clock::time_point(std::chrono::milliseconds(c.epochMillis));
        record.took = std::chrono::microseconds(c.tookMicros);
        EXPECT_EQ(accessLogLine(record), c.line);
    }
}

} // namespace
} // namespace nearbeam::test
