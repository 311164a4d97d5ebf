#include "records/bssid_index.h"

#include "base/hex_digits.h"
#include "records/data_file.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace nearbeam {

namespace {

constexpr size_t kMergeAtLeast = 4096;

// The saved index: this mark, the file's size and time, the end of the lines
// indexed and the number of entries (each 8 bytes, little-endian as the machine
// keeps them), then the entries.
constexpr char kSavedMark[8] = {'N', 'B', 'I', 'D', 'X', '1', '\r', '\n'};
struct SavedHead {
    char mark[8];
    int64_t size;
    int64_t modified;
    uint64_t end;
    uint64_t count;
};

// The value of each lower-case hexadecimal digit; 0xff for any other byte.
struct HexDigits {
    uint8_t value[256];
    HexDigits() {
        std::fill(std::begin(value), std::end(value), 0xff);
        for (int c = 0; c < 256; ++c) {
            if (const int v = lowerHexDigitValue(static_cast<char>(c)); v >= 0)
                value[c] = static_cast<uint8_t>(v);
        }
    }
};
const HexDigits kHex;

// The code of a text's first 12 characters when they are lower-case hexadecimal
// digits (the only form a key takes); none otherwise. The code is the 48-bit
// number of the digits, scrambled one-to-one so that codes spread evenly whatever
// the keys (real ones share a few makers' prefixes).
std::optional<uint64_t> keyCode(std::string_view text) {
    if (text.size() < BssidKey::kLength)
        return std::nullopt;
    uint64_t n = 0;
    unsigned any = 0;
    for (size_t i = 0; i < BssidKey::kLength; ++i) {
        const uint8_t v = kHex.value[static_cast<unsigned char>(text[i])];
        any |= v;
        n = n << 4 | (v & 0xf);
    }
    if (any & 0xf0)
        return std::nullopt;
    constexpr uint64_t kMask = (uint64_t{1} << 48) - 1;
    n = (n * 0x9E3779B97F4A7C15ull) & kMask; // an odd factor: one-to-one modulo 2^48
    return n ^ (n >> 24);
}

bool startsWithKey(std::string_view part, const BssidKey& key) {
    return part.size() >= BssidKey::kLength &&
           std::memcmp(part.data(), key.digits.data(), BssidKey::kLength) == 0;
}

// What the index stands for: reading the file from its start.
std::optional<std::string> scanFor(const std::string& path, const BssidKey& key) {
    std::optional<std::string> found;
    datafile::forEachPartOfFile(path, [&](std::string_view part) {
        if (!startsWithKey(part, key))
            return false;
        found.emplace(part);
        return true;
    });
    return found;
}

bool keyLess(const BssidIndex::Entry& a, const BssidIndex::Entry& b) {
    return a.key < b.key;
}

// A stable sort by code: the codes spread evenly, so one pass deals the entries
// into small buckets by their top bits, and each bucket is sorted on its own.
void bucketSort(std::vector<BssidIndex::Entry>& entries) {
    int bits = 8;
    while (bits < 24 && (size_t{1} << bits) * 8 < entries.size())
        ++bits;
    const int shift = 48 - bits;
    std::vector<size_t> start((size_t{1} << bits) + 1, 0);
    for (const auto& e : entries)
        ++start[(e.key >> shift) + 1];
    for (size_t i = 1; i < start.size(); ++i)
        start[i] += start[i - 1];
    std::vector<BssidIndex::Entry> dealt(entries.size());
    std::vector<size_t> next(start.begin(), start.end() - 1);
    for (const auto& e : entries)
        dealt[next[e.key >> shift]++] = e;
    for (size_t b = 0; b + 1 < start.size(); ++b) {
        // Insertion sort: stable, and fast on a handful of entries.
        for (size_t i = start[b] + 1; i < start[b + 1]; ++i) {
            const BssidIndex::Entry e = dealt[i];
            size_t j = i;
            for (; j > start[b] && dealt[j - 1].key > e.key; --j)
                dealt[j] = dealt[j - 1];
            dealt[j] = e;
        }
    }
    entries.swap(dealt);
}

// Sorts by key; of entries with the same key the first (the earliest in the file)
// stays.
void sortUnique(std::vector<BssidIndex::Entry>& entries) {
    if (entries.size() > 1024)
        bucketSort(entries);
    else
        std::stable_sort(entries.begin(), entries.end(), keyLess);
    entries.erase(std::unique(entries.begin(), entries.end(),
                              [](const BssidIndex::Entry& a, const BssidIndex::Entry& b) {
                                  return a.key == b.key;
                              }),
                  entries.end());
}

} // namespace

size_t BssidIndex::memoryBytes() const {
    return (sorted_.capacity() + recent_.capacity()) * sizeof(Entry);
}

std::optional<std::string> BssidIndex::firstPart(const std::string& path, const BssidKey& key) {
    const std::optional<uint64_t> code = keyCode(key.view());
    if (!code || key.length() != BssidKey::kLength)
        return scanFor(path, key); // a key no line of this form can be indexed under
    refresh(path);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const Entry* entry = find(*code);
        if (!entry)
            return std::nullopt;
        std::optional<std::string> part = datafile::readPartAt(path, entry->offset);
        if (part && startsWithKey(*part, key))
            return part;
        // The file changed without a new stamp (rewritten within the stamp's
        // resolution): index it again, from the file itself.
        build(path, fileStamp(path), false);
    }
    return scanFor(path, key);
}

void BssidIndex::refresh(const std::string& path) {
    const FileStamp now = fileStamp(path);
    if (!valid_ || now != stamp_)
        build(path, now);
}

void BssidIndex::appended(const std::string& path, const FileStamp& before, bool written) {
    if (!valid_)
        return;
    if (!written || before != stamp_) {
        valid_ = false;
        return;
    }
    stamp_ = fileStamp(path);
    indexFrom(path, end_);
}

bool BssidIndex::load(const std::string& path, const FileStamp& stamp) {
    std::FILE* file = openFile(savedPath(path), "rb");
    if (!file)
        return false;
    SavedHead head{};
    bool loaded = std::fread(&head, sizeof head, 1, file) == 1 &&
                  std::memcmp(head.mark, kSavedMark, sizeof kSavedMark) == 0 &&
                  head.size == stamp.size && head.modified == stamp.modified &&
                  head.end <= static_cast<uint64_t>(stamp.size) &&
                  head.count <= static_cast<uint64_t>(stamp.size) / BssidKey::kLength;
    if (loaded) {
        sorted_.resize(static_cast<size_t>(head.count));
        loaded = std::fread(sorted_.data(), sizeof(Entry), sorted_.size(), file) == sorted_.size();
        // A damaged saved index (out of order, or pointing past the file) is not used.
        const uint64_t size = static_cast<uint64_t>(stamp.size);
        loaded = loaded &&
                 std::adjacent_find(sorted_.begin(), sorted_.end(),
                                    [](const Entry& a, const Entry& b) {
                                        return a.key >= b.key;
                                    }) == sorted_.end() &&
                 std::all_of(sorted_.begin(), sorted_.end(),
                             [size](const Entry& e) { return e.offset < size; });
    }
    std::fclose(file);
    if (!loaded) {
        sorted_ = std::vector<Entry>();
        return false;
    }
    end_ = head.end;
    return true;
}

void BssidIndex::save(const std::string& path) const {
    SavedHead head{};
    std::memcpy(head.mark, kSavedMark, sizeof kSavedMark);
    head.size = stamp_.size;
    head.modified = stamp_.modified;
    head.end = end_;
    head.count = sorted_.size();
    std::string bytes(reinterpret_cast<const char*>(&head), sizeof head);
    bytes.append(reinterpret_cast<const char*>(sorted_.data()), sorted_.size() * sizeof(Entry));
    replaceFileContent(savedPath(path), bytes); // a cache: failing to keep it costs time only
}

void BssidIndex::build(const std::string& path, const FileStamp& stamp, bool trustSaved) {
    sorted_ = std::vector<Entry>();
    recent_ = std::vector<Entry>();
    end_ = 0;
    if (stamp.size <= 0) {
        // Nothing to index; a saved index of an earlier file is of no use.
        stamp_ = stamp;
        valid_ = true;
        if (stamp.size < 0)
            removeFile(savedPath(path));
        return;
    }
    if (trustSaved && load(path, stamp)) {
        stamp_ = stamp;
        valid_ = true;
        return;
    }
    std::vector<Entry> entries;
    if (stamp.size > 0)
        entries.reserve(static_cast<size_t>(stamp.size / 32));
    datafile::LineReader reader(path);
    std::string_view line;
    while (reader.next(line)) {
        uint64_t at = reader.lineOffset();
        // Offsets count the bytes in the file.
        datafile::forEachPart(reader.stored(), [&](std::string_view part) {
            if (auto code = keyCode(part))
                entries.push_back({*code, at});
            at += part.size();
            return false;
        });
        if (line.back() == '\n')
            end_ = reader.offset();
    }
    sortUnique(entries);
    sorted_.assign(entries.begin(), entries.end()); // no spare room kept
    stamp_ = stamp;
    valid_ = true;
    save(path);
}

void BssidIndex::indexFrom(const std::string& path, uint64_t from) {
    std::vector<Entry> fresh;
    datafile::LineReader reader(path, from);
    std::string_view line;
    while (reader.next(line)) {
        uint64_t at = reader.lineOffset();
        // Offsets count the bytes in the file.
        datafile::forEachPart(reader.stored(), [&](std::string_view part) {
            auto code = keyCode(part);
            if (code && !find(*code))
                fresh.push_back({*code, at});
            at += part.size();
            return false;
        });
        if (line.back() == '\n')
            end_ = reader.offset();
    }
    if (fresh.empty())
        return;
    sortUnique(fresh);
    recent_ = merged(recent_, fresh);
    if (recent_.size() > std::max(kMergeAtLeast, sorted_.size() / 32)) {
        sorted_ = merged(sorted_, recent_);
        recent_ = std::vector<Entry>();
    }
}

std::vector<BssidIndex::Entry> BssidIndex::merged(const std::vector<Entry>& a,
                                                  const std::vector<Entry>& b) {
    std::vector<Entry> out;
    out.reserve(a.size() + b.size());
    std::merge(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out), keyLess);
    return out;
}

const BssidIndex::Entry* BssidIndex::find(uint64_t key) const {
    for (const std::vector<Entry>* entries : {&sorted_, &recent_}) {
        auto it = std::lower_bound(entries->begin(), entries->end(), key,
                                   [](const Entry& e, uint64_t k) { return e.key < k; });
        if (it != entries->end() && it->key == key)
            return &*it;
    }
    return nullptr;
}

} // namespace nearbeam
