#pragma once
// Manufacturer names by the first three bytes of a BSSID, from the table file
// "manufacturers.dat" beside the program: lines of six lower-case hexadecimal
// digits, a space and a name of at most 15 characters. The file is read once and
// kept in memory; it is read again when it changes (looked at most once a second).

#include "base/clock.h"
#include "base/file_ops.h"
#include "wireless/access_point_record.h"

#include <cstdint>
#include <string>
#include <unordered_map>

namespace nearbeam {

class ManufacturerTable {
  public:
    // path: 8-bit, as the program stores paths. Nothing is read until the first lookup.
    ManufacturerTable(std::string path, const Clock& clock);

    // The name of the first line whose prefix matches, at most 15 characters; empty
    // when no line matches or the file cannot be read.
    std::string lookup(const Bssid& bssid);

    const std::string& path() const { return path_; }

  private:
    void refreshIfChanged();
    void load();

    std::string path_;
    const Clock& clock_;
    bool checked_ = false;
    uint32_t lastCheck_ = 0;
    FileStamp stamp_; // of the file as last loaded
    std::unordered_map<uint32_t, std::string> names_;
};

} // namespace nearbeam
