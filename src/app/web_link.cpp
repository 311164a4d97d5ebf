#include "app/web_link.h"

#include <cwctype>

namespace nearbeam {

bool isWebLink(const std::wstring& link) {
    std::wstring scheme;
    size_t i = 0;
    while (i < link.size() && link[i] != L':' && scheme.size() < 8) {
        scheme += static_cast<wchar_t>(std::towlower(link[i]));
        ++i;
    }
    if (scheme != L"http" && scheme != L"https")
        return false;
    if (link.compare(i, 3, L"://") != 0)
        return false;
    i += 3;
    if (i >= link.size() || link[i] == L'/' || link[i] == L'\\')
        return false;
    for (wchar_t c : link) {
        if (c < 0x20 || c == 0x7f)
            return false; // control characters never belong in a link
    }
    return true;
}

} // namespace nearbeam
