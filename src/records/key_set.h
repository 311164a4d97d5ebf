#pragma once
// A compact set of short texts (the keys of a data file's lines): the texts lie
// back to back in one buffer and an open-addressing table points into it, so a
// set of a million keys is built in milliseconds without a node per key.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nearbeam {

class KeySet {
  public:
    void clear();
    void reserve(size_t count);
    bool contains(std::string_view key) const;
    // Adds the key unless it is there; true when it was not. Keys are at most
    // 65535 bytes long.
    bool insert(std::string_view key);
    size_t size() const { return count_; }

  private:
    static uint64_t hashOf(std::string_view key);
    std::string_view keyAt(uint64_t slot) const;
    size_t findSlot(std::string_view key, uint64_t hash) const;

    std::string arena_;           // each key: two length bytes, then the key
    std::vector<uint64_t> slots_; // 0 empty; else (offset + 1) << 24 | 24 bits of hash
    size_t count_ = 0;
};

} // namespace nearbeam
