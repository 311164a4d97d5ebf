#include "base/file_settings_store.h"

#include "base/file_ops.h"
#include "base/text.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace nearbeam {
namespace {

struct Entry {
    std::string key, name;
    char type;
    std::string value;
};

std::string escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        char c = s[++i];
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return out;
}

std::vector<Entry> readAll(const std::string& path) {
    std::vector<Entry> entries;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        Entry e;
        size_t a = line.find('\t');
        size_t b = a == std::string::npos ? a : line.find('\t', a + 1);
        size_t c = b == std::string::npos ? b : line.find('\t', b + 1);
        if (c != b + 2 || (line[b + 1] != 'D' && line[b + 1] != 'S'))
            continue; // not a line of ours: pass over it
        e.key = unescape(line.substr(0, a));
        e.name = unescape(line.substr(a + 1, b - a - 1));
        e.type = line[b + 1];
        e.value = line.substr(c + 1);
        entries.push_back(std::move(e));
    }
    return entries;
}

void makeParents(const std::string& path) {
    for (size_t i = 1; i < path.size(); ++i)
        if (path[i] == '/' || path[i] == '\\')
            makeFolder(path.substr(0, i));
}

} // namespace

std::string FileSettingsStore::defaultPath() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg)
        return std::string(xdg) + "/nearbeam/settings";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : ".") + "/.config/nearbeam/settings";
}

std::optional<SettingValue> FileSettingsStore::load(const std::wstring& key,
                                                    const std::wstring& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string k = toUtf8(key), n = toUtf8(name);
    for (const auto& e : readAll(path_)) {
        if (e.key != k || e.name != n)
            continue;
        if (e.type == 'S')
            return SettingValue(fromUtf8(unescape(e.value)));
        errno = 0;
        char* end = nullptr;
        unsigned long long v = std::strtoull(e.value.c_str(), &end, 10);
        if (e.value.empty() || *end != '\0' || errno != 0 || v > 0xFFFFFFFFull)
            return std::nullopt; // a damaged number reads as missing
        return SettingValue(static_cast<uint32_t>(v));
    }
    return std::nullopt;
}

bool FileSettingsStore::store(const std::wstring& key, const std::wstring& name,
                              const SettingValue& value) {
    std::lock_guard<std::mutex> lock(mutex_);
    Entry fresh{toUtf8(key), toUtf8(name), 'D', {}};
    if (auto* text = std::get_if<std::wstring>(&value)) {
        fresh.type = 'S';
        fresh.value = escape(toUtf8(*text));
    } else {
        fresh.value = std::to_string(std::get<uint32_t>(value));
    }
    auto entries = readAll(path_);
    bool replaced = false;
    for (auto& e : entries) {
        if (e.key == fresh.key && e.name == fresh.name) {
            e = fresh;
            replaced = true;
        }
    }
    if (!replaced)
        entries.push_back(fresh);

    makeParents(path_);
    std::string bytes;
    for (const auto& e : entries)
        bytes += escape(e.key) + '\t' + escape(e.name) + '\t' + e.type + '\t' + e.value + '\n';
    return replaceFileContent(path_, bytes);
}

} // namespace nearbeam
