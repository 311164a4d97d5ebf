#include "server/http/access_log.h"

#include "base/decimal_text.h"
#include "base/percent_encoding.h"

#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace nearbeam {
namespace {

constexpr size_t kLongestTarget = 512;

// The text as the log shows it: visible characters but '%' as they are, the rest
// percent-encoded, so a line holds one request whatever it carried.
void appendPrintable(std::string& out, std::string_view text, size_t longest) {
    appendPercentEncoded(out, text.substr(0, longest),
                         [](unsigned char c) { return visibleByte(c) && c != '%'; });
    if (text.size() > longest)
        out += "...";
}

// Microseconds as milliseconds with three decimals: "0.412".
void appendMilliseconds(std::string& out, std::chrono::microseconds took) {
    long long micros = took.count();
    if (micros < 0) {
        out += '-';
        micros = -micros;
    }
    appendDecimal(out, static_cast<unsigned long long>(micros) / 1000);
    out += '.';
    appendDecimal(out, static_cast<unsigned long long>(micros) % 1000, 3);
}

} // namespace

std::string accessLogLine(const AccessRecord& record) {
    using namespace std::chrono;
    const time_t seconds = system_clock::to_time_t(record.time);
    const auto millis = duration_cast<milliseconds>(record.time.time_since_epoch()).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    std::string line;
    line.reserve(128 + record.target.size());
    appendDecimal(line, static_cast<unsigned long long>(utc.tm_year + 1900), 4);
    line += '-';
    appendDecimal(line, static_cast<unsigned long long>(utc.tm_mon + 1), 2);
    line += '-';
    appendDecimal(line, static_cast<unsigned long long>(utc.tm_mday), 2);
    line += 'T';
    appendDecimal(line, static_cast<unsigned long long>(utc.tm_hour), 2);
    line += ':';
    appendDecimal(line, static_cast<unsigned long long>(utc.tm_min), 2);
    line += ':';
    appendDecimal(line, static_cast<unsigned long long>(utc.tm_sec), 2);
    line += '.';
    appendDecimal(line, static_cast<unsigned long long>(millis), 3);
    line += "Z ";
    line += record.address.empty() ? "-" : record.address;
    line += ' ';
    appendPrintable(line, record.method.empty() ? "-" : record.method, 16);
    line += ' ';
    appendPrintable(line, record.target.empty() ? "-" : record.target, kLongestTarget);
    if (record.dropped.empty()) {
        line += ' ';
        line += std::to_string(record.status);
        line += ' ';
        appendDecimal(line, record.bytes);
        line += ' ';
        appendMilliseconds(line, record.took);
    } else {
        line += " - 0 ";
        appendMilliseconds(line, record.took);
        line += " dropped: ";
        line += record.dropped;
    }
    if (!record.note.empty()) {
        line += " note: ";
        line += record.note;
    }
    line += '\n';
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
