#include "database/data_file.h"

#include "base/file_ops.h"

#include <cstring>

namespace nearbeam::datafile {

namespace {
constexpr size_t kReadBlock = 256 * 1024;

} // namespace

LineReader::LineReader(const std::string& path) : file_(openFile(path, "rb")) {
    if (file_) {
        capacity_ = kReadBlock;
        buffer_.reset(new char[capacity_]);
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
    for (;;) {
        char* start = buffer_.get() + begin_;
        void* nl = std::memchr(buffer_.get() + searched, '\n', end_ - searched);
        if (nl) {
            size_t length = static_cast<char*>(nl) - start;
            begin_ += length + 1;
            // CR LF: the CR becomes the line's "\n" so the line stays one view.
            if (length > 0 && start[length - 1] == '\r') {
                start[length - 1] = '\n';
                line = std::string_view(start, length);
            } else {
                line = std::string_view(start, length + 1);
            }
            return true;
        }
        size_t pending = end_ - begin_;
        if (!fill()) {
            if (begin_ == end_)
                return false;
            line = std::string_view(buffer_.get() + begin_, end_ - begin_);
            begin_ = end_;
            return true;
        }
        searched = begin_ + pending;
    }
}

bool appendBytes(const std::string& path, const std::string& bytes) {
    std::FILE* f = openFile(path, "a+b");
    if (!f)
        return false;
    // Unbuffered, and one write per line: a crash between two writes leaves whole
    // lines. A buffered stream writes whenever its buffer fills, wherever in a line
    // that is, and a crash between those writes would leave part of a line that
    // reads as a record with fields missing.
    std::setvbuf(f, nullptr, _IONBF, 0);
    bool ok = true;
    if (std::fseek(f, -1, SEEK_END) == 0) {
        int last = std::fgetc(f);
        std::fseek(f, 0, SEEK_END);
        if (last != EOF && last != '\n')
            ok = std::fwrite("\r\n", 1, 2, f) == 2;
    }
    for (size_t at = 0; ok && at < bytes.size();) {
        size_t end = bytes.find('\n', at);
        end = end == std::string::npos ? bytes.size() : end + 1;
        ok = std::fwrite(bytes.data() + at, 1, end - at, f) == end - at;
        at = end;
    }
    ok = std::fclose(f) == 0 && ok;
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
