#include "base/file_ops.h"

#include "base/text.h"

#include <windows.h>

namespace nearbeam {

bool replaceFile(const std::string& from, const std::string& to) {
    return MoveFileExW(widen(from).c_str(), widen(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool truncateFile(const std::string& path, int64_t size) {
    HANDLE file = CreateFileW(widen(path).c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER at;
    at.QuadPart = size;
    const bool ok = SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    return ok;
}

bool removeFile(const std::string& path) {
    return DeleteFileW(widen(path).c_str()) != 0;
}

bool makeFolder(const std::string& path) {
    if (CreateDirectoryW(widen(path).c_str(), nullptr))
        return true;
    DWORD attributes = GetFileAttributesW(widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

FileStamp fileStamp(const std::string& path) {
    FileStamp s;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data))
        return s;
    s.size = static_cast<int64_t>(uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow);
    // In 100-nanosecond steps, far finer than the C runtime's whole seconds.
    s.modified = static_cast<int64_t>(uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32 |
                                      data.ftLastWriteTime.dwLowDateTime);
    return s;
}

} // namespace nearbeam
