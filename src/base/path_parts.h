#pragma once
// The folder of a path, for Windows paths (backslashes) and the native build's
// (slashes) alike.

#include <string>

namespace nearbeam {

// The folder part with its separator; empty when the path has none.
inline std::string folderOf(const std::string& path) {
    const size_t at = path.find_last_of("\\/");
    return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

inline std::wstring folderOf(const std::wstring& path) {
    const size_t at = path.find_last_of(L"\\/");
    return at == std::wstring::npos ? std::wstring() : path.substr(0, at + 1);
}

} // namespace nearbeam
