#pragma once
// The location database as the program uses it: the records, the survey scans
// of scans.txt (the file under the records' lock, the scans in memory under their
// own, always taken after it) and the access points found to move. One object
// per process, made by the program entry with the settings store.

#include "locate/moving_access_points.h"
#include "records/place_key.h"
#include "records/record_database.h"
#include "survey/scan_file.h"
#include "survey/scan_store.h"

#include <string>

namespace nearbeam {

class LocationDatabase : public RecordDatabase {
  public:
    explicit LocationDatabase(SettingsStore& settings)
        : RecordDatabase(settings), scanFile_(lock()) {}

    // The survey scans of scans.txt as they travel to and from the server.
    ScanFile& scanFile() { return scanFile_; }
    // The same scans in memory for the place decision, following the file.
    ScanStore& scans() { return scans_; }
    // The access points the place decisions found to move (its own lock).
    MovingAccessPoints& moving() { return moving_; }
    // Brings the scans up to date with scans.txt, passing over scans of buildings
    // the records do not know. A message for the user when the file is refused.
    std::string refreshScans();

    // The wizard changed an access point's place from `from` to `to`. When no
    // access point in ap.txt names `from` any more, the place itself was renamed
    // or moved, and its survey scans follow it (ScanFile::movePlace); when another
    // one still does, only this access point moved and the scans stay. False when
    // scans.txt could not be rewritten.
    bool scansFollowPlace(const PlaceKey& from, const PlaceKey& to);

  private:
    void openedLocked(const std::string& folder) override;
    // The server's scans leave scans.txt with the cache.
    void clearedLocked() override { scanFile_.clear(); }

    ScanFile scanFile_;
    ScanStore scans_;
    MovingAccessPoints moving_;
};

} // namespace nearbeam
