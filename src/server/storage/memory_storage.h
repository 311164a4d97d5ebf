#pragma once
// A storage in memory: the loopback test server's, and the reference the other
// storages are tested against. Transactions run one writer at a time over a copy
// of the tables, so a rolled-back one leaves nothing behind.

#include "server/storage/storage.h"

#include <map>
#include <shared_mutex>
#include <tuple>
#include <vector>

namespace nearbeam {

class MemoryStorage : public Storage {
  public:
    explicit MemoryStorage(std::shared_ptr<const TokenHasher> hasher)
        : Storage(std::move(hasher)) {}

    bool read(const std::function<void(Transaction&)>& work, std::string& error) override;
    bool write(const std::function<bool(Transaction&)>& work, std::string& error) override;

    struct Tables {
        std::map<uint32_t, StoredRecord> places[7];
        uint32_t nextId[7] = {1, 1, 1, 1, 1, 1, 1};
        std::map<uint64_t, AccessPoint> points;
        std::map<std::string, std::string> users;
        std::vector<StoredScan> scans; // in the order stored
        // Who uploaded what: places by kind, then access points (index 7).
        std::map<uint64_t, std::string> uploaders[8];
        std::vector<UploadEntry> uploads; // upload n at n - 1
        // Versions by (kind, key, upload): their content.
        std::map<std::tuple<int, uint64_t, uint64_t>, std::string> versions;
        std::vector<StoredScan> hiddenScans; // in the order stored
        std::map<std::string, int> flags;    // UserFlag bits by user
    };

  private:
    std::shared_mutex mutex_;
    Tables tables_;
};

} // namespace nearbeam
