#pragma once
// The page of the sharing history: who was told where the user was, newest first.

#include "services/sharing_log.h"

#include <string>
#include <vector>

namespace nearbeam {

// The host part of an http:// or https:// address; the whole text for any other.
std::string hostOfUrl(const std::string& url);

std::string buildSharingPage(const std::vector<SharingEntry>& newestFirst);

} // namespace nearbeam
