#pragma once
// The values of hexadecimal digits, for addresses and escapes.

namespace nearbeam {

// The value of a lower-case hexadecimal digit, or -1 (keys are written in lower
// case, so an upper-case digit never matches one).
constexpr int lowerHexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The value of a hexadecimal digit of either case, or -1.
constexpr int hexDigitValue(char c) {
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : lowerHexDigitValue(c);
}

} // namespace nearbeam
