#include "ui/error_text.h"

namespace nearbeam {

std::wstring errorBoxText(const std::wstring& text, const std::wstring& systemText) {
    if (systemText.empty() || systemText.size() + text.size() + 3 >= 256)
        return text;
    return text + L": " + systemText;
}

} // namespace nearbeam
