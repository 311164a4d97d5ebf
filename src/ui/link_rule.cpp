#include "ui/link_rule.h"

#include <cwctype>

namespace nearbeam {

namespace {

bool startsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
    size_t i = 0;
    for (; prefix[i]; ++i) {
        if (i >= text.size() || static_cast<wchar_t>(std::towlower(text[i])) != prefix[i])
            return false;
    }
    return true;
}

} // namespace

bool followsInside(const std::wstring& url) {
    return url.compare(0, 5, L"file:") == 0 || (url.size() >= 2 && url[1] == L':');
}

bool mayOpenInShell(const std::wstring& url) {
    if (url.size() > kMaxShellLinkChars)
        return false;
    return startsWithNoCase(url, L"http:") || startsWithNoCase(url, L"https:") ||
           startsWithNoCase(url, L"mailto:");
}

} // namespace nearbeam
