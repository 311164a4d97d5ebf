#pragma once
// The one place where texts cross between 8-bit (data files, wire, HTML, links:
// UTF-8) and wide texts (user interface, settings), and to and from UTF-8 (trace,
// settings file). Files and servers of older versions wrote Windows-1252: an
// 8-bit text that is not valid UTF-8 is read as Windows-1252, so their names
// keep reading as they did.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nearbeam {

// UTF-8, or Windows-1252 when the text is not valid UTF-8.
std::wstring widen(const std::string& text);
// UTF-8.
std::string narrow(const std::wstring& wide);

// An 8-bit text as UTF-8: itself when it is valid UTF-8, else read as
// Windows-1252 (as widen reads it).
std::string utf8Text(std::string_view text);
// Whether every byte of the text belongs to a valid UTF-8 sequence.
bool isUtf8(std::string_view text);
// The text in Windows-1252, characters outside it as '?': only for what older
// peers derive from exact bytes (the login token).
std::string windows1252(const std::wstring& wide);

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
