#include "net/line_splitter.h"

#include <algorithm>
#include <cstring>

namespace nearbeam {

void LineSplitter::feed(const char* data, size_t length, const Callback& callback) {
    const size_t capacity = kBufferSize - 1; // room for a terminator after the bytes
    while (length > 0) {
        size_t take = std::min(length, capacity - carry_);
        std::memcpy(buffer_.data() + carry_, data, take);
        data += take;
        length -= take;
        size_t filled = carry_ + take;
        char* start = buffer_.data();
        char* end = start + filled;
        char* lineStart = start;
        for (char* p = start; p != end; ++p) {
            if (*p != '\n')
                continue;
            *p = '\0';
            if (discarding_)
                discarding_ = false;
            else if (callback)
                callback(std::string_view(lineStart, static_cast<size_t>(p - lineStart)));
            lineStart = p + 1;
        }
        carry_ = static_cast<size_t>(end - lineStart);
        if (discarding_ || carry_ == capacity) {
            // The buffer is full without a line feed: the line cannot be delivered.
            discarding_ = true;
            carry_ = 0;
        } else if (lineStart != start) {
            std::memmove(start, lineStart, carry_);
        }
    }
}

} // namespace nearbeam
