#pragma once
// The page of the sharing history: who was told where the user was, newest first,
// at the time of the computer's clock (the stored UTC time in each time's tooltip).

#include "base/utc_time.h"
#include "services/sharing_log.h"

#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace nearbeam {

// The host part of an http:// or https:// address; the whole text for any other.
std::string hostOfUrl(const std::string& url);

// How a moment is shown: by default in the computer's time zone.
using TimeShown = std::function<std::string(std::time_t)>;

std::string buildSharingPage(const std::vector<SharingEntry>& newestFirst,
                             const TimeShown& shown = localTimeText);

} // namespace nearbeam
