#include "base/text.h"

#include <cstdint>

namespace nearbeam {
namespace {

// Windows-1252 bytes 0x80-0x9F; 0 marks the five bytes the code page leaves unused.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

wchar_t fromAnsi(unsigned char c) {
    if (c >= 0x80 && c < 0xA0 && kHighControls[c - 0x80] != 0)
        return static_cast<wchar_t>(kHighControls[c - 0x80]);
    return static_cast<wchar_t>(c);
}

char toAnsi(uint32_t ch) {
    if (ch < 0x80 || (ch >= 0xA0 && ch < 0x100))
        return static_cast<char>(ch);
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] != 0 && kHighControls[i] == ch)
            return static_cast<char>(0x80 + i);
    if (ch >= 0x80 && ch < 0xA0) // the unused bytes round-trip as themselves
        return static_cast<char>(ch);
    return '?';
}

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void appendWide(std::wstring& out, uint32_t cp) {
    if (sizeof(wchar_t) == 2 && cp >= 0x10000) {
        cp -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (cp >> 10));
        out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    } else {
        out += static_cast<wchar_t>(cp);
    }
}

} // namespace

std::wstring widen(const std::string& text) {
    if (isUtf8(text))
        return fromUtf8(text);
    std::wstring out;
    out.reserve(text.size());
    for (char c : text)
        out += fromAnsi(static_cast<unsigned char>(c));
    return out;
}

std::string narrow(const std::wstring& wide) {
    return toUtf8(wide);
}

std::string windows1252(const std::wstring& wide) {
    std::string out;
    out.reserve(wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        uint32_t ch = static_cast<uint32_t>(wide[i]);
        if (sizeof(wchar_t) == 2 && ch >= 0xD800 && ch < 0xDC00 && i + 1 < wide.size())
            ++i; // a surrogate pair is one character outside the code page
        out += toAnsi(ch);
    }
    return out;
}

bool isUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::optional<Utf8Char> ch = utf8CharAt(text, i);
        if (!ch)
            return false;
        i += ch->length;
    }
    return true;
}

std::string utf8Text(std::string_view text) {
    if (isUtf8(text))
        return std::string(text);
    return toUtf8(widen(std::string(text)));
}

std::string toUtf8(const std::wstring& wide) {
    std::string out;
    for (size_t i = 0; i < wide.size(); ++i) {
        uint32_t cp = static_cast<uint32_t>(wide[i]);
        if (sizeof(wchar_t) == 2 && cp >= 0xD800 && cp < 0xDC00 && i + 1 < wide.size()) {
            uint32_t low = static_cast<uint32_t>(wide[i + 1]);
            if (low >= 0xDC00 && low < 0xE000) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000))
            cp = 0xFFFD;
        appendUtf8(out, cp);
    }
    return out;
}

std::optional<Utf8Char> utf8CharAt(std::string_view text, size_t at) {
    const unsigned char c = static_cast<unsigned char>(text[at]);
    const int extra = c < 0x80         ? 0
                      : (c >> 5) == 6  ? 1
                      : (c >> 4) == 14 ? 2
                      : (c >> 3) == 30 ? 3
                                       : -1;
    if (extra < 0 || text.size() - at <= static_cast<size_t>(extra))
        return std::nullopt;
    uint32_t cp = extra == 0 ? c : (c & (0x3F >> extra));
    for (int k = 1; k <= extra; ++k) {
        const unsigned char cc = static_cast<unsigned char>(text[at + k]);
        if ((cc & 0xC0) != 0x80)
            return std::nullopt;
        cp = (cp << 6) | (cc & 0x3F);
    }
    static constexpr uint32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000))
        return std::nullopt;
    return Utf8Char{cp, static_cast<size_t>(extra) + 1};
}

std::wstring fromUtf8(const std::string& utf8) {
    std::wstring out;
    size_t i = 0;
    while (i < utf8.size()) {
        const std::optional<Utf8Char> ch = utf8CharAt(utf8, i);
        appendWide(out, ch ? ch->codePoint : 0xFFFD);
        i += ch ? ch->length : 1;
    }
    return out;
}

} // namespace nearbeam
