#pragma once
// The upload history in a folder's history.txt, beside the record files, so that
// it survives an export and an import (a move from SQLite to PostgreSQL, say):
//   upload  ID  USER  TIME  RECORDS  SCANS  WITHDRAWN(0|1)
//   version UPLOAD  KIND  KEY  CONTENT…   (KIND 0–6 a place, 7 an access point)
//   scan    UPLOAD  N                     (line N of scans.txt is of that upload)
//   hidden  UPLOAD  SCANS.TXT-LINE        (a scan taken out of the map)
//   flag    USER  keeper|blocked
// Fields are separated by tabs; lines end CR LF as the other files do.

#include "server/storage/storage.h"
#include "survey/survey_scan.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace nearbeam {

struct HistoryFile {
    std::vector<UploadEntry> uploads;
    std::vector<RecordVersion> versions;
    std::map<size_t, uint64_t> scanUploads; // scans.txt line number → upload
    std::vector<std::pair<uint64_t, std::string>> hidden;
    std::vector<std::pair<std::string, UserFlag>> flags;
};

// Reads history.txt's lines (none when the file is missing); false with the line
// number and the reason in `error` when one cannot be read.
bool readHistoryLines(const std::vector<std::string>& lines, HistoryFile& out, std::string& error);

// The lines of the storage's history; scanUploads holds the upload of each line
// of scans.txt as it is written (0: none).
std::vector<std::string> historyLines(Transaction& records,
                                      const std::vector<uint64_t>& scanUploads);

// Stores the history's uploads under new numbers (the storage may have some
// already), returning the new entry of each old number.
std::map<uint64_t, UploadEntry> loadUploads(Transaction& records, const HistoryFile& history);
// An imported scan as stored, of the upload given (its entry as loaded; an empty
// entry for a scan of no upload).
StoredScan storedScanOfUpload(const SurveyScan& scan, const UploadEntry& upload);
// Then, once the records and scans.txt are in: the versions, the hidden scans, the
// flags, and the scans of withdrawn uploads or blocked users taken out of the map.
// False with the reason in `error` when a hidden scan cannot be read.
bool loadHistory(Transaction& records, const HistoryFile& history,
                 const std::map<uint64_t, UploadEntry>& uploads, std::string& error);

} // namespace nearbeam
