#pragma once
// The one module that reads and writes the data files. Lines end in CR LF when
// written (binary mode, so every platform writes the same bytes); a reader takes
// LF or CR LF as the end of a line and drops the CR.
//
// Bytes after the last line break of a file are not a line. The program writes
// nothing but whole lines, so they are what a crash (or a power cut) leaves of a
// line being appended, and read as a line they would give a record with fields
// missing, whose key would then keep the good line out for ever. Readers pass
// over them, and an append cuts them off before it writes. A line is handed to its users
// in parts of at most kMaxLineLength characters, line break included, as a reader
// with a 328-byte buffer sees it; rewrites work on whole physical lines.
//
// Lines are handed out in UTF-8: a line that is not valid UTF-8 was written by an
// older version in Windows-1252 and is converted as it is read, so a name typed
// now compares equal to the same name stored then. Offsets stay those of the
// bytes in the file.
//
// Callers hold the database lock around every call.

#include "base/text.h"
#include "records/record_codes.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nearbeam::datafile {

// How a reader hands out lines: in UTF-8 (the program's own files), or as the
// bytes stand (the map server, which serves its files to peers of every age).
enum class LineText { Utf8, AsStored };

// Reads a file's physical lines with large buffered reads.
class LineReader {
  public:
    // Reads from the byte at offset `from` (the start of a line, or of a part of one).
    explicit LineReader(const std::string& path, uint64_t from = 0, LineText text = LineText::Utf8);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    bool isOpen() const { return file_ != nullptr; }
    // The next physical line with its line break as one "\n" (the CR of a CR LF
    // dropped). The view stays valid until the next call. False at the end of the
    // file; bytes after the last line break are never returned.
    bool next(std::string_view& line);
    // Whether the line last returned was converted to UTF-8, and its bytes as
    // they stand in the file (with the same "\n"): what offsets are counted in.
    bool converted() const { return converted_; }
    std::string_view stored() const { return stored_; }
    // Where in the file the line last returned by next begins, and where the next
    // one will (just past the last line's line break).
    uint64_t lineOffset() const { return lineOffset_; }
    uint64_t offset() const { return bufferOffset_ + begin_; }
    // Once next has said false: the bytes after the last line break (empty when
    // the file ends with one). Only for files other programs write, whose last
    // line may lack its line break by their choice.
    std::string_view unfinished() const { return unfinished_; }

  private:
    bool fill();
    std::FILE* file_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    size_t capacity_ = 0;
    size_t begin_ = 0;
    size_t end_ = 0;
    bool eof_ = false;
    uint64_t bufferOffset_ = 0; // the file offset of buffer_[0]
    uint64_t lineOffset_ = 0;
    std::string_view unfinished_;
    LineText text_;
    bool converted_ = false;
    std::string_view stored_;
    std::string convertedLine_;
};

// The part of a line that begins at byte `offset` of the file, as the reader above
// and forEachPart hand it out when the part is read from the file's start (offset
// is where a line or one of its later parts begins), in UTF-8 like the reader's
// lines. None when the file cannot be read there.
std::optional<std::string> readPartAt(const std::string& path, uint64_t offset);

// A physical line without its "\n".
inline std::string_view lineText(std::string_view line) {
    return !line.empty() && line.back() == '\n' ? line.substr(0, line.size() - 1) : line;
}

// The parts of one physical line (given with its "\n") as a reader with a 328-byte
// buffer gets them: pieces of kMaxLineLength characters, the last one carrying the
// "\n". fn(std::string_view part) returns true to stop; forEachPart then returns
// true too.
template <typename Fn> bool forEachPart(std::string_view line, Fn&& fn) {
    for (size_t at = 0; at < line.size(); at += kMaxLineLength) {
        if (fn(line.substr(at, kMaxLineLength)))
            return true;
    }
    return false;
}

// The parts of the line a reader last returned, cut where they are cut in the
// file (so a line converted to UTF-8 keeps the parts it always had), each in
// UTF-8; fn returns true to stop, and forEachPartOfLine then returns true too.
template <typename Fn> bool forEachPartOfLine(const LineReader& reader, Fn&& fn) {
    if (!reader.converted())
        return forEachPart(reader.stored(), fn);
    return forEachPart(reader.stored(), [&](std::string_view part) {
        const std::string text = utf8Text(part);
        return fn(std::string_view(text));
    });
}

// Every part of every line of the file, in order; fn returns true to stop. False
// when the file cannot be opened.
template <typename Fn> bool forEachPartOfFile(const std::string& path, Fn&& fn) {
    LineReader reader(path);
    if (!reader.isOpen())
        return false;
    std::string_view line;
    while (reader.next(line)) {
        if (forEachPartOfLine(reader, fn))
            break;
    }
    return true;
}

// The whole lines of the file for which keep(std::string_view text) is true, each
// ending in CR LF: the content of a rewrite that leaves out the others. None when
// the file cannot be opened.
template <typename Keep>
std::optional<std::string> linesWhere(const std::string& path, Keep&& keep) {
    LineReader reader(path);
    if (!reader.isOpen())
        return std::nullopt;
    std::string kept;
    std::string_view line;
    while (reader.next(line)) {
        const std::string_view text = lineText(line);
        if (keep(text)) {
            kept += text;
            kept += "\r\n";
        }
    }
    return kept;
}

// Appends a whole line (given without its line break) and CR LF, after cutting
// off any bytes after the file's last line break. Creates the file. False when it
// cannot be opened, cut or written.
bool appendLine(const std::string& path, std::string_view line);
// Appends bytes that already hold whole lines ending in CR LF, the same way.
bool appendBytes(const std::string& path, const std::string& bytes);

// Writes the lines, each with CR LF, as the file's new content in one step
// (replaceFileContent). False, with the old file untouched, on any failure.
bool replaceLines(const std::string& path, const std::vector<std::string>& lines);

// Copies a file byte for byte; the copy appears whole or not at all (written to
// to + ".tmp" and renamed). False when it cannot be read or written.
bool copyFile(const std::string& from, const std::string& to);

} // namespace nearbeam::datafile
