#include "ui/link_rule.h"

#include "base/text_compare.h"

namespace nearbeam {

bool followsInside(const std::wstring& url) {
    return url.compare(0, 5, L"file:") == 0 || (url.size() >= 2 && url[1] == L':');
}

bool mayOpenInShell(const std::wstring& url) {
    if (url.size() > kMaxShellLinkChars)
        return false;
    for (wchar_t c : url) {
        if (c < 0x20 || c == 0x7f)
            return false; // control characters never belong in a link
    }
    if (startsWithNoCase(url, L"mailto:"))
        return true;
    size_t host = 0;
    if (startsWithNoCase(url, L"http://"))
        host = 7;
    else if (startsWithNoCase(url, L"https://"))
        host = 8;
    // A web address names a host: "http:///etc/passwd" is a local file to the shell.
    return host != 0 && host < url.size() && url[host] != L'/' && url[host] != L'\\';
}

} // namespace nearbeam
