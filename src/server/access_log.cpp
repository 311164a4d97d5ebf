#include "server/access_log.h"

#include "base/percent_encoding.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace nearbeam {
namespace {

constexpr size_t kLongestTarget = 512;

// The text as the log shows it: visible characters but '%' as they are, the rest
// percent-encoded, so a line holds one request whatever it carried.
void appendPrintable(std::string& out, const std::string& text, size_t longest) {
    out += percentEncode(std::string_view(text).substr(0, longest),
                         [](unsigned char c) { return visibleByte(c) && c != '%'; });
    if (text.size() > longest)
        out += "...";
}

} // namespace

std::string accessLogLine(const AccessRecord& record) {
    using namespace std::chrono;
    const time_t seconds = system_clock::to_time_t(record.time);
    const auto millis = duration_cast<milliseconds>(record.time.time_since_epoch()).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char stamp[96];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(millis));
    std::string line = stamp;
    line += ' ';
    line += record.address.empty() ? "-" : record.address;
    line += ' ';
    appendPrintable(line, record.method.empty() ? "-" : record.method, 16);
    line += ' ';
    appendPrintable(line, record.target.empty() ? "-" : record.target, kLongestTarget);
    char tail[64];
    if (record.dropped.empty())
        std::snprintf(tail, sizeof tail, " %d %llu %.3f\n", record.status,
                      static_cast<unsigned long long>(record.bytes), record.took.count() / 1000.0);
    else
        std::snprintf(tail, sizeof tail, " - 0 %.3f dropped: ", record.took.count() / 1000.0);
    line += tail;
    if (!record.dropped.empty())
        line += record.dropped + "\n";
    return line;
}

void AccessLog::write(const AccessRecord& record) {
    const std::string line = accessLogLine(record);
    for (size_t at = 0; at < line.size();) {
        const ssize_t n = ::write(descriptor_, line.data() + at, line.size() - at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // a log that cannot be written is not a reason to stop serving
        at += static_cast<size_t>(n);
    }
}

} // namespace nearbeam
