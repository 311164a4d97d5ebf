#pragma once
// A number written in decimal onto the end of a text, at least `width` digits
// with leading zeros: no printf and no locale, for lines written per request.

#include <string>

namespace nearbeam {

inline void appendDecimal(std::string& out, unsigned long long n, int width = 1) {
    char digits[24];
    char* at = digits + sizeof digits;
    do {
        *--at = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n != 0 || digits + sizeof digits - at < width);
    out.append(at, digits + sizeof digits);
}

} // namespace nearbeam
