#include "ui/page_file.h"

#include "base/file_ops.h"
#include "base/path_parts.h"

namespace nearbeam {

namespace {

constexpr const char* kSuffix = "-temp.html";

bool writeWhole(const std::string& path, const std::string& page) {
    std::FILE* file = openFile(path, "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(page.data(), 1, page.size(), file) == page.size();
    return std::fclose(file) == 0 && written;
}

} // namespace

std::vector<std::string> pageFileCandidates(const std::string& programPath,
                                            const std::string& tempFolder) {
    std::vector<std::string> candidates{programPath + kSuffix};
    if (!tempFolder.empty()) {
        const std::string name = programPath.substr(folderOf(programPath).size());
        candidates.push_back(tempFolder + name + kSuffix);
    }
    return candidates;
}

std::string writePageFile(const std::vector<std::string>& candidates, const std::string& page) {
    for (const std::string& path : candidates) {
        if (writeWhole(path, page))
            return path;
    }
    return {};
}

} // namespace nearbeam
