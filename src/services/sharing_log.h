#pragma once
// The sharing log: one line in sharing.txt of the data folder for every request
// sent to a subscribed service, so the user can see who was told where they were:
//
//   time (UTC, "2026-12-08T04:30:00Z") TAB service key TAB url as sent
//
// where the service key is the subscription's key (scope identifier, level and
// URL template, each followed by a tab). Only the newest lines are kept.

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace nearbeam {

struct SharingEntry {
    std::string time;
    std::string url;
};

class SharingLog {
  public:
    static constexpr const char* kFileName = "sharing.txt";
    static constexpr size_t kKeptLines = 1000;

    explicit SharingLog(std::string path) : path_(std::move(path)) {}

    // Appends a line, then, when the file holds more than kKeptLines lines, replaces
    // it in one step by its newest kKeptLines. False when it could not be written.
    bool record(std::time_t when, std::string_view serviceKey, std::string_view url) const;
    // The entries, newest first.
    std::vector<SharingEntry> entries() const;

  private:
    std::string path_;
};

} // namespace nearbeam
