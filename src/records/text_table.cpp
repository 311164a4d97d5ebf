#include "records/text_table.h"

#include "base/file_ops.h"
#include "base/text.h"
#include "records/record_lines.h"

#include <utility>

namespace nearbeam {

using Guard = std::lock_guard<std::recursive_mutex>;

namespace {

// A line (without its line break) in status 0: it ends in a tab and "0".
bool isServerLine(std::string_view text) {
    return text.size() >= 2 && text.compare(text.size() - 2, 2, "\t0") == 0;
}

} // namespace

TextTable::TextTable(std::recursive_mutex& lock, std::string fileName)
    : lock_(lock), fileName_(std::move(fileName)) {}

std::string TextTable::path() const {
    Guard guard(lock_);
    return path_;
}

void TextTable::setFolder(const std::string& folder) {
    Guard guard(lock_);
    path_ = folder.empty() ? std::string() : folder + fileName_;
    index_ = KeyIndex();
    lookupIndex_.invalidate();
}

void TextTable::refreshLookupIndex() {
    Guard guard(lock_);
    lookupIndex_.refresh(path_);
}

size_t TextTable::lookupIndexBytes() const {
    Guard guard(lock_);
    return lookupIndex_.memoryBytes();
}

bool TextTable::appendOwnLine(std::string_view line) {
    const FileStamp before = fileStamp(path_);
    const bool ok = datafile::appendLine(path_, line);
    // The merge's key index is built anew when the next reply comes.
    index_.valid = false;
    lookupIndex_.appended(path_, before, ok);
    return ok;
}

void TextTable::forEachChild(const NameCallback& callback, uint32_t parentId) const {
    std::vector<std::string> names;
    {
        Guard guard(lock_);
        scanParts([&](std::string_view part) {
            auto fields = splitCollapsing(stripLineBreak(part));
            if (parentId == 0) {
                if (fields.size() >= 2)
                    names.emplace_back(fields[1]);
            } else if (fields.size() >= 3 && numberFieldIs(fields[1], parentId)) {
                names.emplace_back(fields[2]);
            }
            return false;
        });
    }
    for (const auto& name : names)
        callback(name);
}

void TextTable::forEachBuilding(const NameCallback& callback, uint32_t cityId,
                                uint32_t areaId) const {
    std::vector<std::string> names;
    {
        Guard guard(lock_);
        scanParts([&](std::string_view part) {
            auto fields = splitCollapsing(stripLineBreak(part));
            if (fields.size() >= 4 && numberFieldIs(fields[1], areaId) &&
                numberFieldIs(fields[2], cityId))
                names.emplace_back(fields[3]);
            return false;
        });
    }
    for (const auto& name : names)
        callback(name);
}

bool TextTable::serverLineUsable(std::string_view& line) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    // A line break inside would write two lines; a NUL would cut the line for
    // every reader of it.
    if (line.find_first_of(std::string_view("\n\r\0", 3)) != std::string_view::npos)
        return false;
    return line.find('\t') != std::string_view::npos;
}

void TextTable::refreshIndex() {
    FileStamp now = fileStamp(path_);
    if (index_.valid && index_.stamp == now)
        return;
    index_.keys.clear();
    if (now.size > 0)
        index_.keys.reserve(static_cast<size_t>(now.size / 24));
    scanParts([&](std::string_view part) {
        size_t tab = part.find('\t');
        if (tab != std::string_view::npos)
            index_.keys.insert(part.substr(0, tab + 1));
        return false;
    });
    index_.stamp = now;
    index_.valid = true;
}

size_t TextTable::appendServerLinesLocked(const std::vector<std::string_view>& lines,
                                          std::vector<bool>* added) {
    if (added)
        added->assign(lines.size(), false);
    if (path_.empty())
        return 0;
    refreshIndex();
    const FileStamp before = index_.stamp;
    std::string bytes;
    std::vector<size_t> which;
    std::string longLine;
    std::string converted;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        if (!serverLineUsable(line))
            continue;
        // An older server sends Windows-1252; the file holds UTF-8 only.
        if (!isUtf8(line)) {
            converted = utf8Text(line);
            line = converted;
        }
        // A new key joins the index at once, so a later line of the batch with the
        // same key is refused just as it would be after a separate append.
        if (!index_.keys.insert(line.substr(0, line.find('\t') + 1)))
            continue;
        if (line.size() + 3 > kMaxLineLength) {
            // Read back, a long line's later parts are lines of their own whose
            // keys take part in later checks too.
            longLine.assign(line);
            longLine += "\t0\n";
            datafile::forEachPart(std::string_view(longLine), [&](std::string_view part) {
                size_t t = part.find('\t');
                if (t != std::string_view::npos)
                    index_.keys.insert(part.substr(0, t + 1));
                return false;
            });
        }
        bytes += line;
        bytes += "\t0\r\n";
        which.push_back(i);
    }
    if (which.empty())
        return 0;
    if (!datafile::appendBytes(path_, bytes)) {
        index_ = KeyIndex();
        lookupIndex_.appended(path_, before, false);
        return 0;
    }
    index_.stamp = fileStamp(path_);
    lookupIndex_.appended(path_, before, true);
    if (added) {
        for (size_t i : which)
            (*added)[i] = true;
    }
    return which.size();
}

bool TextTable::appendServerLine(std::string_view line) {
    Guard guard(lock_);
    return appendServerLinesLocked({line}, nullptr) == 1;
}

size_t TextTable::appendServerLines(const std::vector<std::string>& lines,
                                    std::vector<bool>* added) {
    Guard guard(lock_);
    std::vector<std::string_view> views(lines.begin(), lines.end());
    return appendServerLinesLocked(views, added);
}

bool TextTable::purgeLocal() {
    Guard guard(lock_);
    if (path_.empty())
        return false;
    const std::string backup = path_ + ".bak";
    const std::optional<std::string> kept = datafile::linesWhere(path_, isServerLine);
    if (!kept)
        return false;
    // The old file stays as the backup, which replaces the older one in one step
    // (deleted first, a crash could leave none); the file itself is replaced in
    // one step too. A backup that cannot be made leaves no stale one behind.
    if (!datafile::copyFile(path_, backup))
        removeFile(backup);
    bool ok = replaceFileContent(path_, *kept);
    fileRewritten();
    return ok;
}

std::string TextTable::collectLocal() const {
    Guard guard(lock_);
    std::string out;
    datafile::LineReader reader(path_);
    std::string_view line;
    while (reader.next(line)) {
        std::string_view text = datafile::lineText(line);
        if (!isServerLine(text)) {
            out += text;
            out += '\n';
        }
    }
    return out;
}

void TextTable::clearTable() {
    Guard guard(lock_);
    removeFile(path_);
    removeFile(BssidIndex::savedPath(path_));
    index_ = KeyIndex();
    lookupIndex_.invalidate();
}

} // namespace nearbeam
