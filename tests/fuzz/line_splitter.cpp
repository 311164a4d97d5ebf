// A response body in any pieces: the splitter hands out exactly the complete lines
// shorter than its buffer, in order, whatever the pieces, and nothing else.

#include "net/line_splitter.h"
#include "fuzz_files.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using namespace nearbeam;
using fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    // The first byte chooses the piece sizes; the rest is the body.
    const unsigned seed = data[0];
    const std::string_view body(reinterpret_cast<const char*>(data) + 1, size - 1);

    std::vector<std::string> expected;
    size_t start = 0;
    for (size_t nl; (nl = body.find('\n', start)) != std::string_view::npos; start = nl + 1) {
        if (nl - start < LineSplitter::kBufferSize - 1)
            expected.emplace_back(body.substr(start, nl - start));
    }

    std::vector<std::string> got;
    LineSplitter splitter;
    const auto collect = [&](std::string_view line) { got.emplace_back(line); };
    unsigned state = seed * 2654435761u + 1;
    for (size_t at = 0; at < body.size();) {
        state = state * 1103515245u + 12345u;
        size_t piece = seed == 0 ? body.size() : 1 + (state >> 8) % (seed * 64u);
        if (piece > body.size() - at)
            piece = body.size() - at;
        splitter.feed(body.data() + at, piece, collect);
        at += piece;
    }
    check(got == expected);
    return 0;
}
