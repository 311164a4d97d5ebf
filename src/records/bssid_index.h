#pragma once
// Where in a data file each access point's line is (ap.txt, apchecked.txt): for
// every key, the offset of the first line part whose first 12 characters are its
// digits. A lookup then costs a search in memory, and one short read on a hit,
// instead of reading the file from its start; the answer is the one the reading
// would give. 16 bytes per line that begins with a key.
//
// The index follows its file. Lines this program appends are indexed as they are
// written (appended); any other change, by this program or another one, shows
// in the file's stamp and the index is built anew at the next lookup.
//
// A built index is kept beside its file (the file's name + ".idx", with the
// stamp of the file it was built from), so that the next start reads it in one
// go instead of reading the whole file; it is built again only when the file's
// stamp differs.

#include "base/file_ops.h"
#include "records/bssid_key.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nearbeam {

class BssidIndex {
  public:
    // The first part of a line of the file whose first 12 characters are key's
    // digits (line break as "\n"); none when there is none or the file cannot be
    // read.
    std::optional<std::string> firstPart(const std::string& path, const BssidKey& key);

    // After this program appended whole lines to the file: before is the file's
    // stamp just before the write, written whether the write went well. An index
    // that was up to date takes in the new lines; any other is built anew later.
    void appended(const std::string& path, const FileStamp& before, bool written);
    // The file was replaced or deleted: build anew at the next lookup.
    void invalidate() { valid_ = false; }
    // The file kept beside the data file at path.
    static std::string savedPath(const std::string& path) { return path + ".idx"; }

    // Brings the index up to date with the file (the first lookup does it too).
    void refresh(const std::string& path);
    size_t keyCount() const { return sorted_.size() + recent_.size(); }
    size_t memoryBytes() const;

    struct Entry {
        uint64_t key;    // the 12 digits as a scrambled 48-bit number (ordered by it)
        uint64_t offset; // where the part begins
    };

  private:
    // From the saved index when it was made from this stamp of the file (and
    // trusted), otherwise by reading the file, and then saved.
    void build(const std::string& path, const FileStamp& stamp, bool trustSaved = true);
    bool load(const std::string& path, const FileStamp& stamp);
    void save(const std::string& path) const;
    // Indexes the parts of the lines from offset `from` to the end of the file;
    // keys already indexed keep their earlier place.
    void indexFrom(const std::string& path, uint64_t from);
    const Entry* find(uint64_t key) const;
    static std::vector<Entry> merged(const std::vector<Entry>& a, const std::vector<Entry>& b);

    bool valid_ = false;
    FileStamp stamp_;
    uint64_t end_ = 0; // just past the last whole line indexed
    std::vector<Entry> sorted_;
    // Lines appended since the last merge, kept in key order; merged into
    // sorted_ once they are many.
    std::vector<Entry> recent_;
};

} // namespace nearbeam
