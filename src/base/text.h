#pragma once
// The one place where texts cross between 8-bit (data files, wire, HTML: the
// Western ANSI code page, Windows-1252) and UTF-16/wide texts (user interface,
// settings), and to and from UTF-8 (trace, settings file).

#include <string>

namespace nearbeam {

std::wstring widen(const std::string& ansi);
// Characters outside the code page become '?'.
std::string narrow(const std::wstring& wide);

std::string toUtf8(const std::wstring& wide);
// Invalid sequences become U+FFFD.
std::wstring fromUtf8(const std::string& utf8);

} // namespace nearbeam
