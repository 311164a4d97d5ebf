#pragma once
// scans.txt as a record file that travels: the survey scans made here (status 3)
// go to the map server with an upload and are replaced by the server's copies once
// it took them; the server's scans of a building (status 0) are appended once per
// building, and the buildings fetched are remembered in scanschecked.txt (one
// identifier a line) until the cache is cleared.
//
// Lines are read and written whole (a scan line may be longer than the other
// records' lines) through the data files' module: appended, or the file replaced
// in one step, so a reader that follows the file sees whole lines. Every call
// takes the database lock it is given.

#include "records/bssid_key.h"
#include "records/place_key.h"
#include "survey/survey_scan.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace nearbeam {

class ScanFile {
  public:
    static constexpr const char* kFileName = "scans.txt";
    static constexpr const char* kFetchedFileName = "scanschecked.txt";

    explicit ScanFile(std::recursive_mutex& lock) : lock_(lock) {}
    ScanFile(const ScanFile&) = delete;
    ScanFile& operator=(const ScanFile&) = delete;

    // The data folder, ending in its separator. Forgets what was read before.
    void setFolder(const std::string& folder);
    // scans.txt's full path; empty before the folder is set.
    std::string path() const;

    // What an upload carries: the protocol lines of the local scans, each ending
    // in "\n" (an access point for which optedOut is true left out; a scan left
    // with none is not sent), and the file lines they came from (without their
    // line breaks), which go once the server has taken them.
    struct Upload {
        std::string wireLines;
        std::vector<std::string> sentLines;
    };
    Upload collectUpload(const std::function<bool(const BssidKey&)>& optedOut) const;
    // After the server took an upload: the sent lines leave the file and the
    // server's copies (protocol lines, under its building identifiers) are added
    // with status 0; scans saved meanwhile stay. False when the file could not be
    // rewritten (it is then left as it was).
    bool replaceUploaded(const std::vector<std::string>& sentLines,
                         const std::vector<std::string>& serverLines);

    // The scans of one place become scans of another: building, floor and
    // location change, and each becomes a scan made here (status 3). Every other
    // line stays as it is, in its order, and the file is replaced in one step.
    // Returns how many scans moved (none: the file is left alone); none when the
    // file could not be rewritten.
    std::optional<size_t> movePlace(const PlaceKey& from, const PlaceKey& to);

    // Whether the server's scans of the building were fetched already.
    bool fetched(uint32_t building) const;
    // Whether the access point is heard in a scan fetched from the server: its
    // building's scans are then most likely here already.
    bool heardInFetchedScans(const BssidKey& key) const;
    // Appends the server's scans of a building (protocol lines; a damaged one or
    // one of another building is passed over) with status 0 and remembers the
    // building as fetched. Nothing is added for a building fetched before. Returns
    // the number of scans added.
    size_t addFetched(uint32_t building, const std::vector<std::string>& serverLines);

    // Clear Data Cache: the server's scans leave the file (the scans made here
    // stay until they are uploaded) and the fetched buildings are forgotten.
    void clear();

  private:
    std::string fetchedPath() const;
    // Reads scanschecked.txt and the access points of the server's scans, once.
    void loadFetched() const;

    std::recursive_mutex& lock_;
    std::string folder_;
    mutable bool loaded_ = false;
    mutable std::set<uint32_t> fetched_;
    mutable std::set<BssidKey> heard_;
};

} // namespace nearbeam
