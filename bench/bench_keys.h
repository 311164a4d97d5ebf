#pragma once
// Access point keys for the benchmarks' data files: spread over the whole range in
// no order, as a real file has them.

#include <cstdio>
#include <string>

namespace nearbeam::bench {

inline std::string keyOf(unsigned n) {
    char digits[13];
    std::snprintf(digits, sizeof digits, "%012llx",
                  static_cast<unsigned long long>((n * 0x9E3779B97F4A7C15ull) >> 16));
    return digits;
}

} // namespace nearbeam::bench
