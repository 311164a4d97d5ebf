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

} // namespace nearbeam
