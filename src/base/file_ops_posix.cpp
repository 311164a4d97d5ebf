#include "base/file_ops.h"

#include <cstdio>

#include <sys/stat.h>
#include <unistd.h>

namespace nearbeam {

bool replaceFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool truncateFile(const std::string& path, int64_t size) {
    return ::truncate(path.c_str(), static_cast<off_t>(size)) == 0;
}

bool removeFile(const std::string& path) {
    return std::remove(path.c_str()) == 0;
}

bool makeFolder(const std::string& path) {
    struct stat st;
    if (::mkdir(path.c_str(), 0700) == 0)
        return true;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

FileStamp fileStamp(const std::string& path) {
    FileStamp s;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return s;
    s.size = st.st_size;
    s.modified = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return s;
}

} // namespace nearbeam
