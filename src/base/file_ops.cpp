#include "base/file_ops.h"

#include <cstring>

#ifdef _WIN32
#include "base/text.h"
#endif

namespace nearbeam {

std::FILE* openFile(const std::string& path, const char* mode) {
    if (path.empty())
        return nullptr;
#ifdef _WIN32
    std::wstring wideMode(mode, mode + std::strlen(mode));
    return _wfopen(widen(path).c_str(), wideMode.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

bool replaceFileContent(const std::string& path, const std::string& bytes) {
    const std::string temp = path + ".tmp";
    std::FILE* f = openFile(temp, "wb");
    if (!f)
        return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fflush(f) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    if (ok && replaceFile(temp, path))
        return true;
    removeFile(temp);
    return false;
}

} // namespace nearbeam
