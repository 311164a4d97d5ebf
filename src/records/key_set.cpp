#include "records/key_set.h"

namespace nearbeam {

namespace {
constexpr uint64_t kTagMask = (1u << 24) - 1;
}

uint64_t KeySet::hashOf(std::string_view key) {
    uint64_t h = 1469598103934665603ull; // FNV-1a
    for (unsigned char c : key) {
        h ^= c;
        h *= 1099511628211ull;
    }
    // Spread the last bytes' changes over every bit (keys often differ only there).
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ull;
    h ^= h >> 33;
    return h;
}

void KeySet::clear() {
    arena_.clear();
    slots_.clear();
    count_ = 0;
}

void KeySet::reserve(size_t count) {
    size_t want = 16;
    while (want < count * 2)
        want *= 2;
    if (want <= slots_.size())
        return;
    std::vector<uint64_t> old;
    old.swap(slots_);
    slots_.assign(want, 0);
    for (uint64_t slot : old) {
        if (!slot)
            continue;
        uint64_t h = hashOf(keyAt(slot));
        size_t mask = slots_.size() - 1;
        size_t i = static_cast<size_t>(h) & mask;
        while (slots_[i])
            i = (i + 1) & mask;
        slots_[i] = slot;
    }
}

std::string_view KeySet::keyAt(uint64_t slot) const {
    size_t offset = static_cast<size_t>((slot >> 24) - 1);
    size_t length = static_cast<unsigned char>(arena_[offset]) |
                    static_cast<size_t>(static_cast<unsigned char>(arena_[offset + 1])) << 8;
    return std::string_view(arena_.data() + offset + 2, length);
}

// The slot holding key, or the empty slot where it would go.
size_t KeySet::findSlot(std::string_view key, uint64_t hash) const {
    size_t mask = slots_.size() - 1;
    size_t i = static_cast<size_t>(hash) & mask;
    for (;;) {
        uint64_t slot = slots_[i];
        if (!slot || ((slot & kTagMask) == (hash >> 40) && keyAt(slot) == key))
            return i;
        i = (i + 1) & mask;
    }
}

bool KeySet::contains(std::string_view key) const {
    if (slots_.empty())
        return false;
    return slots_[findSlot(key, hashOf(key))] != 0;
}

bool KeySet::insert(std::string_view key) {
    if (key.size() > 0xffff)
        key = key.substr(0, 0xffff);
    if ((count_ + 1) * 2 > slots_.size())
        reserve(count_ + 1 > 8 ? (count_ + 1) * 2 : 16);
    uint64_t hash = hashOf(key);
    size_t i = findSlot(key, hash);
    if (slots_[i])
        return false;
    uint64_t offset = arena_.size();
    arena_.push_back(static_cast<char>(key.size() & 0xff));
    arena_.push_back(static_cast<char>(key.size() >> 8));
    arena_.append(key.data(), key.size());
    slots_[i] = (offset + 1) << 24 | (hash >> 40);
    ++count_;
    return true;
}

} // namespace nearbeam
