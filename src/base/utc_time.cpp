#include "base/utc_time.h"

namespace nearbeam {

std::string utcTimeText(std::time_t when) {
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &when);
#else
    gmtime_r(&when, &utc);
#endif
    char text[32];
    return std::string(text, std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc));
}

bool isUtcTimeText(std::string_view text) {
    static constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:ddZ";
    if (text.size() != kShape.size())
        return false;
    for (size_t i = 0; i < kShape.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kShape[i] == 'd' ? !digit : text[i] != kShape[i])
            return false;
    }
    auto number = [&](size_t at) { return (text[at] - '0') * 10 + (text[at + 1] - '0'); };
    const int month = number(5), day = number(8);
    return month >= 1 && month <= 12 && day >= 1 && day <= 31 && number(11) <= 23 &&
           number(14) <= 59 && number(17) <= 60;
}

std::optional<std::time_t> parseUtcTimeText(std::string_view text) {
    if (!isUtcTimeText(text))
        return std::nullopt;
    auto number = [&](size_t at, size_t digits) {
        long n = 0;
        for (size_t i = at; i < at + digits; ++i)
            n = n * 10 + (text[i] - '0');
        return n;
    };
    // Days since 1970-01-01 of the civil date (the proleptic Gregorian calendar).
    long year = number(0, 4);
    const long month = number(5, 2), day = number(8, 2);
    year -= month <= 2;
    const long era = (year >= 0 ? year : year - 399) / 400;
    const long yearOfEra = year - era * 400;
    const long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const long days = era * 146097 + dayOfEra - 719468;
    return static_cast<std::time_t>(days) * 86400 + number(11, 2) * 3600 + number(14, 2) * 60 +
           number(17, 2);
}

std::string localTimeText(std::time_t when) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &when);
#else
    localtime_r(&when, &local);
#endif
    char text[32];
    return std::string(text, std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local));
}

} // namespace nearbeam
