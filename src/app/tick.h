#pragma once
// The program's pace: every ten seconds a tick ages the scan table, reads the
// adapter and moves the tooltip on; a fast replay moves its clock by as much.

#include <cstdint>

namespace nearbeam {

inline constexpr int32_t kTickSeconds = 10;
inline constexpr int32_t kTickMs = kTickSeconds * 1000;

} // namespace nearbeam
