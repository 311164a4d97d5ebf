#pragma once
// File-system operations whose Windows form differs. Paths are 8-bit texts in the
// ANSI code page, as the program stores them.

#include <string>

namespace nearbeam {

// Renames from over to in one step: at every instant `to` is the old file or the
// new one. On Windows this is MoveFileExW with MOVEFILE_REPLACE_EXISTING |
// MOVEFILE_WRITE_THROUGH.
bool replaceFile(const std::string& from, const std::string& to);

// Deletes a file; false when it could not be deleted (or did not exist).
bool removeFile(const std::string& path);

// Creates a folder; true when it exists afterwards.
bool makeFolder(const std::string& path);

} // namespace nearbeam
