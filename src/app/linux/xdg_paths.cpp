#include "app/linux/xdg_paths.h"

#include <cstdlib>
#include <filesystem>

namespace nearbeam {

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string withSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace

std::string userDataFolder() {
    // A relative XDG_DATA_HOME is invalid and ignored, as the base-directory rules say.
    std::string base = environment("XDG_DATA_HOME");
    if (base.empty() || base.front() != '/') {
        const std::string home = environment("HOME");
        if (home.empty())
            return {};
        base = withSlash(home) + ".local/share";
    }
    return withSlash(base) + "nearbeam/";
}

std::string shareFolder(const std::string& programPath) {
    const std::filesystem::path folder = std::filesystem::path(programPath).parent_path();
    std::error_code error;
    if (std::filesystem::exists(folder / "manufacturers.dat", error))
        return withSlash(folder.string());
    return withSlash((folder.parent_path() / "share" / "nearbeam").string());
}

} // namespace nearbeam
