#pragma once
// File-system operations shared by every module that keeps a file. Paths are 8-bit
// texts (UTF-8), as the program stores them; on Windows they are widened before
// they reach the system.

#include <cstdint>
#include <cstdio>
#include <string>

namespace nearbeam {

// Opens a file with a C stdio mode ("rb", "ab", "a+b", "wb"). None on failure or
// for an empty path.
std::FILE* openFile(const std::string& path, const char* mode);

// Renames from over to in one step: at every instant `to` is the old file or the
// new one. On Windows this is MoveFileExW with MOVEFILE_REPLACE_EXISTING |
// MOVEFILE_WRITE_THROUGH.
bool replaceFile(const std::string& from, const std::string& to);

// Writes bytes to path + ".tmp" and renames that over path (replaceFile). False,
// with the old file untouched and no temporary file left, on any failure.
bool replaceFileContent(const std::string& path, const std::string& bytes);

// Cuts a file to its first size bytes. False when it could not be cut.
bool truncateFile(const std::string& path, int64_t size);

// Deletes a file; false when it could not be deleted (or did not exist).
bool removeFile(const std::string& path);

// Creates a folder; true when it exists afterwards.
bool makeFolder(const std::string& path);

// Size and modification time, as fine as the system keeps it: a file that changed
// under a cached copy shows a different stamp. A missing file has size -1.
struct FileStamp {
    int64_t size = -1;
    int64_t modified = 0;
    friend bool operator==(const FileStamp& a, const FileStamp& b) {
        return a.size == b.size && a.modified == b.modified;
    }
    friend bool operator!=(const FileStamp& a, const FileStamp& b) { return !(a == b); }
};
FileStamp fileStamp(const std::string& path);

} // namespace nearbeam
