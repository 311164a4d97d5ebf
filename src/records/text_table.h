#pragma once
// The tables of the location database: lazy caches over the data files. Nothing
// is read in advance; a record is read the first time it is asked for and then
// stays cached until the table is cleared. Every change is written at once.
//
// All tables of one database share its lock: every public operation takes it, so
// the user-interface thread and the web agent's thread never see a half-written
// line or a file in the middle of its replacement. Callbacks are called after the
// lock is released.
#include "base/file_ops.h"
#include "records/bssid_index.h"
#include "records/bssid_key.h"
#include "records/data_file.h"
#include "records/key_set.h"
#include "records/record_codes.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nearbeam {

using NameCallback = std::function<void(const std::string& name)>;

// The common part of every table: its file.
class TextTable {
  public:
    TextTable(std::recursive_mutex& lock, std::string fileName);
    virtual ~TextTable() = default;
    TextTable(const TextTable&) = delete;
    TextTable& operator=(const TextTable&) = delete;

    const std::string& fileName() const { return fileName_; }
    // The file's full path: the data folder followed by the file name. Empty until
    // the database is opened.
    std::string path() const;
    void setFolder(const std::string& folder);

    std::recursive_mutex& lock() const { return lock_; }

    // Wizard lists, read from the file only (records not yet saved are not
    // listed). Fields split collapsing at tabs and line breaks; every line takes
    // part whatever its status, in file order.
    // parentId 0: the second field of every line (on country.txt, the name);
    // otherwise the third field of every line whose second field is parentId.
    void forEachChild(const NameCallback& callback, uint32_t parentId) const;
    // The fourth field of every line whose second field is areaId and third is cityId.
    void forEachBuilding(const NameCallback& callback, uint32_t cityId, uint32_t areaId) const;

    // Adds one line received from the server (without its line break) with status
    // 0, unless the line has no tab or a line of the file already begins with its
    // key (the text up to and including the first tab). True when added. A
    // trailing CR is dropped; a line holding a line break or a NUL is refused.
    bool appendServerLine(std::string_view line);
    // The same for many lines at once, with exactly the results of calling
    // appendServerLine for each in order (a key added by an earlier line refuses a
    // later one), but one write. added, when given, receives one flag per line.
    // Returns how many lines were added.
    size_t appendServerLines(const std::vector<std::string>& lines,
                             std::vector<bool>* added = nullptr);

    // After a successful upload: keeps only the lines in status 0 (ending in a tab
    // and "0"); the file as it was stays in path + ".bak". The file is replaced in one step. Cached
    // records are not touched. False when the file could not be read or replaced.
    bool purgeLocal();
    // Every line not in status 0, whole, each ending in one LF; empty when the file
    // cannot be read.
    std::string collectLocal() const;

    // Forgets the cache and deletes the file.
    virtual void clearTable();

    // The index of the lines that begin with an access point's key, by which the
    // location table and the asked list answer: made up to date now (rather than
    // at the next lookup), and its size in memory.
    void refreshLookupIndex();
    size_t lookupIndexBytes() const;

  protected:
    // A key of twelve digits (a default key has none).
    static bool validKey(const BssidKey& key) { return key.length() == BssidKey::kLength; }
    // Every part of every line of the file; fn returns true to stop. False when
    // the file cannot be read. Caller holds the lock.
    template <typename Fn> bool scanParts(Fn&& fn) const {
        return datafile::forEachPartOfFile(path_, fn);
    }
    // The first part of a line of the file for which matches(part) is true; none
    // at the end of the file or when it cannot be read. Caller holds the lock.
    template <typename Match> std::optional<std::string> firstPart(Match&& matches) const {
        std::optional<std::string> found;
        scanParts([&](std::string_view part) {
            if (!matches(part))
                return false;
            found.emplace(part);
            return true;
        });
        return found;
    }
    // The file was replaced by this table: both indexes are built anew when needed.
    void fileRewritten() {
        index_.valid = false;
        lookupIndex_.invalidate();
    }
    // Appends a line written by this table (given without its line break).
    bool appendOwnLine(std::string_view line);

    std::recursive_mutex& lock_;
    std::string fileName_;
    std::string path_;
    BssidIndex lookupIndex_;

  private:
    // Keys (text up to and including the first tab) of every line part, kept
    // while the file's stamp shows nobody else changed it.
    struct KeyIndex {
        bool valid = false;
        FileStamp stamp;
        KeySet keys;
    };
    void refreshIndex();
    static bool serverLineUsable(std::string_view& line);
    size_t appendServerLinesLocked(const std::vector<std::string_view>& lines,
                                   std::vector<bool>* added);
    KeyIndex index_;
};

} // namespace nearbeam
