#pragma once
// Cuts a response into lines as its bytes arrive, in a buffer of 8000 bytes: each
// complete line goes to the callback without its line feed (a CR before it stays),
// as soon as it is complete. A line too long for the buffer (7999 bytes or more
// before its line feed) is dropped whole and the lines after it still come. An
// unfinished last line is never delivered.

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

namespace nearbeam {

class LineSplitter {
  public:
    static constexpr size_t kBufferSize = 8000;
    using Callback = std::function<void(std::string_view line)>;

    LineSplitter() : buffer_(kBufferSize) {}
    void feed(const char* data, size_t length, const Callback& callback);

  private:
    std::vector<char> buffer_;
    size_t carry_ = 0;
    bool discarding_ = false; // inside an overlong line, waiting for its end
};

} // namespace nearbeam
