#include "wireless/manufacturers.h"

#include "base/file_ops.h"
#include "base/hex_digits.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <utility>

namespace nearbeam {

namespace {

// How often a lookup looks at the file for a change.
constexpr uint32_t kCheckIntervalMs = 1000;
constexpr size_t kKeyLength = 6;
constexpr size_t kMaxNameLength = 15;

std::optional<uint32_t> parseKey(const char* p) {
    uint32_t key = 0;
    for (size_t i = 0; i < kKeyLength; ++i) {
        const int v = lowerHexDigitValue(p[i]);
        if (v < 0) {
            return std::nullopt;
        }
        key = key << 4 | static_cast<uint32_t>(v);
    }
    return key;
}

} // namespace

ManufacturerTable::ManufacturerTable(std::string path, const Clock& clock)
    : path_(std::move(path)), clock_(clock) {}

std::string ManufacturerTable::lookup(const Bssid& bssid) {
    refreshIfChanged();
    const uint32_t key = uint32_t{bssid[0]} << 16 | uint32_t{bssid[1]} << 8 | bssid[2];
    const auto it = names_.find(key);
    return it == names_.end() ? std::string() : it->second;
}

void ManufacturerTable::refreshIfChanged() {
    const uint32_t now = clock_.tickCount();
    if (checked_ && now - lastCheck_ < kCheckIntervalMs) {
        return;
    }
    checked_ = true;
    lastCheck_ = now;

    const FileStamp current = fileStamp(path_);
    if (current == stamp_) {
        return;
    }
    stamp_ = current;
    load();
}

void ManufacturerTable::load() {
    names_.clear();
    std::ifstream in(path_, std::ios::binary);
    if (!in) {
        return;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    names_.reserve(text.size() / 20);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        size_t lineEnd = end;
        if (lineEnd > start && text[lineEnd - 1] == '\r') {
            --lineEnd;
        }
        const size_t length = lineEnd - start;
        if (length > kKeyLength && text[start + kKeyLength] == ' ') {
            if (std::optional<uint32_t> key = parseKey(text.data() + start)) {
                const size_t nameStart = start + kKeyLength + 1;
                const size_t nameLength = std::min(lineEnd - nameStart, kMaxNameLength);
                // emplace keeps the first line of a prefix.
                names_.emplace(*key, text.substr(nameStart, nameLength));
            }
        }
        start = end + 1;
    }
}

} // namespace nearbeam
