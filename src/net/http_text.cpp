#include "net/http_text.h"

#include "base/text_compare.h"

namespace nearbeam::http {
namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

} // namespace

size_t headEnd(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n')
            continue;
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
            return i + 2;
        if (i + 2 < bytes.size() && bytes[i + 1] == '\r' && bytes[i + 2] == '\n')
            return i + 3;
    }
    return std::string_view::npos;
}

bool headerValue(std::string_view head, std::string_view name, std::string& value) {
    size_t start = head.find('\n'); // skip the first line
    while (start != std::string_view::npos && start + 1 < head.size()) {
        size_t lineStart = start + 1;
        size_t lineEnd = head.find('\n', lineStart);
        std::string_view line =
            head.substr(lineStart, lineEnd == std::string_view::npos ? std::string_view::npos
                                                                     : lineEnd - lineStart);
        size_t colon = line.find(':');
        if (colon != std::string_view::npos && equalsNoCase(trim(line.substr(0, colon)), name)) {
            value = std::string(trim(line.substr(colon + 1)));
            return true;
        }
        start = lineEnd;
    }
    return false;
}

int statusCode(std::string_view head) {
    if (head.substr(0, 5) != "HTTP/")
        return -1;
    size_t space = head.find(' ');
    if (space == std::string_view::npos || space + 4 > head.size())
        return -1;
    int code = 0;
    for (size_t i = space + 1; i < space + 4; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(head[i])))
            return -1;
        code = code * 10 + (head[i] - '0');
    }
    if (space + 4 < head.size() && head[space + 4] != ' ' && head[space + 4] != '\r' &&
        head[space + 4] != '\n')
        return -1;
    return code;
}

int64_t contentLength(std::string_view head) {
    std::string value;
    if (!headerValue(head, "Content-Length", value) || value.empty() || value.size() > 15)
        return -1;
    int64_t n = 0;
    for (char c : value) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

} // namespace nearbeam::http
