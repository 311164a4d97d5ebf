#pragma once
// The one place where texts cross between 8-bit (data files, wire, HTML: the
// Western ANSI code page, Windows-1252) and UTF-16/wide texts (user interface,
// settings), and to and from UTF-8 (trace, settings file).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nearbeam {

std::wstring widen(const std::string& ansi);
// Characters outside the code page become '?'.
std::string narrow(const std::wstring& wide);

std::string toUtf8(const std::wstring& wide);
// Invalid sequences become U+FFFD.
std::wstring fromUtf8(const std::string& utf8);

// One character of a UTF-8 text: its code point and its length in bytes.
struct Utf8Char {
    uint32_t codePoint;
    size_t length;
};
// The character that begins at byte `at` (inside the text), or none when no
// valid shortest-form sequence begins there (a stray or missing continuation
// byte, an overlong form, a surrogate, a code point above U+10FFFF).
std::optional<Utf8Char> utf8CharAt(std::string_view text, size_t at);

} // namespace nearbeam
