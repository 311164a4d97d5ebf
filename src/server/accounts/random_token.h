#pragma once
// Unguessable tokens for the keepers' sessions, from the system's random source.

#include <string>

namespace nearbeam {

// 32 random bytes as 64 lower-case hexadecimal digits.
std::string randomToken();

} // namespace nearbeam
