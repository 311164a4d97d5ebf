#include "records/data_file.h"

#include "base/file_ops.h"

#include <algorithm>
#include <cstring>

namespace nearbeam::datafile {

namespace {
constexpr size_t kReadBlock = 256 * 1024;

bool writeAll(std::FILE* f, const std::string& bytes) {
    return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
}

bool seekTo(std::FILE* f, uint64_t offset) {
#ifdef _WIN32
    return _fseeki64(f, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
    return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}
} // namespace

LineReader::LineReader(const std::string& path, uint64_t from, LineText text)
    : file_(openFile(path, "rb")), text_(text) {
    if (file_ && from > 0 && !seekTo(file_, from)) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (file_) {
        capacity_ = kReadBlock;
        buffer_.reset(new char[capacity_]);
        bufferOffset_ = from;
        lineOffset_ = from;
    }
}

LineReader::~LineReader() {
    if (file_)
        std::fclose(file_);
}

bool LineReader::fill() {
    if (eof_ || !file_)
        return false;
    if (begin_ > 0) {
        std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
        end_ -= begin_;
        bufferOffset_ += begin_;
        begin_ = 0;
    }
    if (end_ == capacity_) {
        // A line longer than the buffer: make room for it.
        std::unique_ptr<char[]> bigger(new char[capacity_ * 2]);
        std::memcpy(bigger.get(), buffer_.get(), end_);
        buffer_ = std::move(bigger);
        capacity_ *= 2;
    }
    size_t got = std::fread(buffer_.get() + end_, 1, capacity_ - end_, file_);
    if (got == 0) {
        eof_ = true;
        return false;
    }
    end_ += got;
    return true;
}

bool LineReader::next(std::string_view& line) {
    if (!file_)
        return false;
    size_t searched = begin_;
    converted_ = false;
    for (;;) {
        char* start = buffer_.get() + begin_;
        void* nl = std::memchr(buffer_.get() + searched, '\n', end_ - searched);
        if (nl) {
            lineOffset_ = offset();
            size_t length = static_cast<char*>(nl) - start;
            begin_ += length + 1;
            // CR LF: the CR becomes the line's "\n" so the line stays one view.
            if (length > 0 && start[length - 1] == '\r') {
                start[length - 1] = '\n';
                line = std::string_view(start, length);
            } else {
                line = std::string_view(start, length + 1);
            }
            stored_ = line;
            if (text_ == LineText::Utf8 && !isUtf8(line)) {
                convertedLine_ = utf8Text(line);
                line = convertedLine_;
                converted_ = true;
            }
            return true;
        }
        size_t pending = end_ - begin_;
        if (!fill()) {
            // Bytes after the last line break are not a line (see data_file.h).
            unfinished_ = std::string_view(buffer_.get() + begin_, end_ - begin_);
            begin_ = end_;
            return false;
        }
        searched = begin_ + pending;
    }
}

std::optional<std::string> readPartAt(const std::string& path, uint64_t offset) {
    std::FILE* f = openFile(path, "rb");
    if (!f)
        return std::nullopt;
    // A part is at most kMaxLineLength characters; two more bytes tell whether a
    // CR LF ends the line within it.
    char bytes[kMaxLineLength + 2];
    size_t got = 0;
    if (seekTo(f, offset))
        got = std::fread(bytes, 1, sizeof bytes, f);
    std::fclose(f);
    std::string rest(bytes, got);
    const size_t lf = rest.find('\n');
    if (lf != std::string::npos) {
        rest.resize(lf);
        if (!rest.empty() && rest.back() == '\r')
            rest.back() = '\n';
        else
            rest += '\n';
    }
    if (rest.size() > kMaxLineLength)
        rest.resize(kMaxLineLength);
    return utf8Text(rest);
}

bool cutUnfinishedLine(const std::string& path) {
    const int64_t size = fileStamp(path).size;
    if (size <= 0)
        return true; // nothing to cut; appending creates the file
    std::FILE* f = openFile(path, "rb");
    if (!f)
        return false;
    // The last line break, looked for backwards a block at a time.
    char block[4096];
    bool ok = true;
    int64_t end = size;
    int64_t keep = -1;
    while (ok && keep < 0 && end > 0) {
        const int64_t start = end > static_cast<int64_t>(sizeof block) ? end - sizeof block : 0;
        const size_t want = static_cast<size_t>(end - start);
        ok = seekTo(f, static_cast<uint64_t>(start)) && std::fread(block, 1, want, f) == want;
        for (size_t i = want; ok && i > 0 && keep < 0; --i) {
            if (block[i - 1] == '\n')
                keep = start + static_cast<int64_t>(i);
        }
        end = start;
    }
    std::fclose(f);
    if (!ok)
        return false;
    if (keep < 0)
        keep = 0;
    return keep == size || truncateFile(path, keep);
}

bool appendBytes(const std::string& path, const std::string& bytes) {
    if (!cutUnfinishedLine(path))
        return false;
    const int64_t size = std::max<int64_t>(fileStamp(path).size, 0);
    std::FILE* f = openFile(path, "ab");
    if (!f)
        return false;
    bool ok = writeAll(f, bytes);
    ok = std::fclose(f) == 0 && ok;
    // A full disk may take part of the bytes: they go again, so that a reader
    // never meets half a line, however long.
    if (!ok)
        truncateFile(path, size);
    return ok;
}

bool appendLine(const std::string& path, std::string_view line) {
    std::string bytes(line);
    bytes += "\r\n";
    return appendBytes(path, bytes);
}

bool replaceLines(const std::string& path, const std::vector<std::string>& lines) {
    std::string bytes;
    for (const auto& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return replaceFileContent(path, bytes);
}

bool copyFile(const std::string& from, const std::string& to) {
    std::FILE* in = openFile(from, "rb");
    if (!in)
        return false;
    // Written beside and renamed over: a crash half-way leaves no torn copy.
    const std::string temp = to + ".tmp";
    std::FILE* out = openFile(temp, "wb");
    if (!out) {
        std::fclose(in);
        return false;
    }
    std::unique_ptr<char[]> block(new char[kReadBlock]);
    bool ok = true;
    size_t got;
    while ((got = std::fread(block.get(), 1, kReadBlock, in)) > 0) {
        if (std::fwrite(block.get(), 1, got, out) != got) {
            ok = false;
            break;
        }
    }
    ok = !std::ferror(in) && ok;
    std::fclose(in);
    ok = std::fclose(out) == 0 && ok;
    if (ok && replaceFile(temp, to))
        return true;
    removeFile(temp);
    return false;
}

} // namespace nearbeam::datafile
