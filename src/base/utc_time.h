#pragma once
// Times as the data files and the protocol write them: UTC, ISO 8601, to the second
// ("2026-12-08T09:15:00Z").

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace nearbeam {

std::string utcTimeText(std::time_t when);
// True for exactly the shape utcTimeText writes (digits where digits stand, each
// field in its range); the calendar is not checked further.
bool isUtcTimeText(std::string_view text);
// The moment a text of that shape names; none for any other text.
std::optional<std::time_t> parseUtcTimeText(std::string_view text);
// The moment in the computer's time zone, as people read it ("2026-12-08 10:15:00").
std::string localTimeText(std::time_t when);

} // namespace nearbeam
