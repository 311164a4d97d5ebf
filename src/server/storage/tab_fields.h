#pragma once
// Reading the history's tab-separated texts: the records' contents it keeps and
// the lines of its file.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nearbeam {

// The text's first `count` fields, the last with the rest of the text; none when
// it has fewer.
std::vector<std::string> tabFields(const std::string& text, size_t count);

// A number of 1 to 19 decimal digits, nothing else; none otherwise.
std::optional<uint64_t> wholeNumber(const std::string& text);

} // namespace nearbeam
