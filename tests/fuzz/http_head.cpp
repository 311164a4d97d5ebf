// Response and request heads of any bytes: the end of the head is found at the
// first blank line and stays there as more bytes come; header values, status codes
// and lengths are what the text says or "none", never garbage.

#include "fuzz_files.h"
#include "net/http_text.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace nearbeam;
using fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const size_t end = http::headEnd(bytes);
    if (end != std::string_view::npos) {
        check(end >= 2 && end <= size && bytes[end - 1] == '\n');
        const std::string_view blank = bytes.substr(0, end);
        check(blank.substr(end - 2) == "\n\n" || (end >= 3 && blank.substr(end - 3) == "\n\r\n"));
        // Found at the first blank line: no shorter prefix holds a whole head, and
        // every longer one finds the same end.
        check(http::headEnd(bytes.substr(0, end - 1)) == std::string_view::npos);
        check(http::headEnd(bytes.substr(0, (end + size) / 2 + 1)) == end);
    }
    const std::string_view head = end == std::string_view::npos ? bytes : bytes.substr(0, end);

    const int status = http::statusCode(head);
    check(status == -1 || (status >= 0 && status <= 999 && head.substr(0, 5) == "HTTP/"));
    if (status >= 0)
        check(std::to_string(1000 + status).substr(1) == head.substr(head.find(' ') + 1, 3));

    std::string value;
    if (http::headerValue(head, "Content-Length", value)) {
        check(value.find('\n') == std::string::npos);
        check(value.empty() || (value.front() != ' ' && value.back() != ' ' &&
                                value.front() != '\t' && value.back() != '\r'));
        const int64_t length = http::contentLength(head);
        check(length == -1 || std::to_string(length).size() <= value.size());
        if (length >= 0) {
            check(value.find_first_not_of("0123456789") == std::string::npos);
            check(std::stoll(value) == length);
        }
    } else {
        check(http::contentLength(head) == -1);
    }
    return 0;
}
