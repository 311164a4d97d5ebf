#pragma once
// Texts on their way into a generated page. The pages are loaded from a local
// file, where a script would run with the rights of the local machine, and their
// texts come from the location server and from anyone who names a network: each
// one is written as the characters it holds, never as markup.

#include <string>
#include <string_view>

namespace nearbeam {

// & < > " and ' as character references; every other byte as it is. The same
// text is safe as element content and as an attribute value in either quotes.
std::string escapeHtml(std::string_view text);

} // namespace nearbeam
