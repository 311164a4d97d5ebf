#pragma once
// Texts on their way into a generated page. The pages are loaded from a local
// file, where a script would run with the rights of the local machine, and their
// texts come from the location server and from anyone who names a network: each
// one is written as the characters it holds, never as markup.

#include <string>
#include <string_view>

namespace nearbeam {

// & < > " and ' as character references; every other character as it is, in
// UTF-8 (a text of an older file in Windows-1252 is read as such), as the pages
// declare. The same text is safe as element content and as an attribute value in
// either quotes.
std::string escapeHtml(std::string_view text);

} // namespace nearbeam
