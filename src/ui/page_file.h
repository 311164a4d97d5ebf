#pragma once
// The file a display control shows its page from: the program file's path
// followed by "-temp.html", or, when the program's folder cannot be written (a
// standard user under Program Files), the same name in the user's temporary
// folder. Paths are 8-bit, as the program stores them.

#include <string>
#include <vector>

namespace nearbeam {

// Where the page file may go, in order of preference. tempFolder ends in its
// separator; empty: nowhere else.
std::vector<std::string> pageFileCandidates(const std::string& programPath,
                                            const std::string& tempFolder);

// Writes the page to the first candidate that can be written whole and returns
// that path; empty when none could be.
std::string writePageFile(const std::vector<std::string>& candidates, const std::string& page);

} // namespace nearbeam
