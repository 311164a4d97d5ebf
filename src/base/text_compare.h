#pragma once
// Compares of protocol words, schemes, header names and adapter names, where
// only the ASCII letters' case is ignored: the same answer in every locale.

#include <string_view>

namespace nearbeam {

template <typename Char> constexpr Char asciiLower(Char c) {
    return c >= Char('A') && c <= Char('Z') ? Char(c - Char('A') + Char('a')) : c;
}

template <typename Char>
constexpr bool equalsNoCase(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

template <typename Char>
constexpr bool startsWithNoCase(std::basic_string_view<Char> text,
                                std::basic_string_view<Char> prefix) {
    return text.size() >= prefix.size() && equalsNoCase(text.substr(0, prefix.size()), prefix);
}

inline bool equalsNoCase(std::string_view a, std::string_view b) {
    return equalsNoCase<char>(a, b);
}
inline bool equalsNoCase(std::wstring_view a, std::wstring_view b) {
    return equalsNoCase<wchar_t>(a, b);
}
inline bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return startsWithNoCase<char>(text, prefix);
}
inline bool startsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
    return startsWithNoCase<wchar_t>(text, prefix);
}

inline bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

} // namespace nearbeam
