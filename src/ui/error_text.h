#pragma once
// The text of the error box: the caller's text, and the system's text for the
// error code after it when the two fit in the box's 256-character buffer.

#include <string>

namespace nearbeam {

// "text: systemText" when the system has a text and the whole stays under 256
// characters; otherwise the caller's text alone.
std::wstring errorBoxText(const std::wstring& text, const std::wstring& systemText);

} // namespace nearbeam
