#include "base/linux/autostart.h"

#include "base/file_ops.h"

#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <utility>

namespace nearbeam {
namespace {

constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";

// The entry's lines, without surrounding blanks.
std::string trimmed(std::string_view line) {
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = line.find_last_not_of(" \t\r");
    return std::string(line.substr(first, last - first + 1));
}

// A value of a desktop entry's string key: backslash and the control characters
// written as their escapes.
std::string desktopString(const std::string& value) {
    std::string escaped;
    for (char c : value) {
        switch (c) {
        case '\\':
            escaped += "\\\\";
            break;
        case '\n':
            escaped += "\\n";
            break;
        case '\t':
            escaped += "\\t";
            break;
        case '\r':
            escaped += "\\r";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

} // namespace

std::string desktopExecArgument(const std::string& path) {
    std::string quoted;
    bool needsQuotes = false;
    for (char c : path) {
        if (kReserved.find(c) != std::string_view::npos)
            needsQuotes = true;
        // Inside quotes these four are escaped with a backslash, and a backslash
        // of the value is itself written twice in the file.
        if (c == '"' || c == '`' || c == '$')
            quoted += "\\\\";
        else if (c == '\\')
            quoted += "\\\\\\";
        else if (c == '%')
            quoted += '%';
        quoted += c;
    }
    if (!needsQuotes)
        return quoted;
    return '"' + quoted + '"';
}

Autostart::Autostart(std::string configHome, std::string program)
    : configHome_(std::move(configHome)), program_(std::move(program)) {}

std::string Autostart::path() const {
    return (std::filesystem::path(configHome_) / "autostart" / "nearbeam.desktop").string();
}

bool Autostart::enabled() const {
    std::ifstream in(path(), std::ios::binary);
    if (!in)
        return false;
    for (std::string line; std::getline(in, line);) {
        const std::string key = trimmed(line);
        if (key == "Hidden=true" || key == "X-GNOME-Autostart-enabled=false")
            return false;
    }
    return true;
}

bool Autostart::setEnabled(bool on) {
    const std::string file = path();
    if (!on) {
        std::error_code error;
        std::filesystem::remove(file, error);
        return !error;
    }
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path(), error);
    if (error)
        return false;
    // TryExec: once the program is removed, desktops skip the entry instead of
    // failing to start it at every log-in.
    return replaceFileContent(file, "[Desktop Entry]\n"
                                    "Type=Application\n"
                                    "Name=Nearbeam\n"
                                    "Comment=Tells you where you are\n"
                                    "TryExec=" +
                                        desktopString(program_) +
                                        "\n"
                                        "Exec=" +
                                        desktopExecArgument(program_) +
                                        "\n"
                                        "Icon=net.nearbeam.Nearbeam\n"
                                        "Terminal=false\n");
}

} // namespace nearbeam
