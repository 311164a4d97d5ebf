#pragma once
// Percent-encoding: the bytes a use leaves as they are stay, every other byte is
// written %XX (upper-case digits). Paths on the wire, query values, links and the
// access log each keep a different set.

#include <string>
#include <string_view>

namespace nearbeam {

// The bytes a use keeps as they are.
using KeepByte = bool (*)(unsigned char c);

// Letters, digits and - . _ ~: what a query value may hold anywhere.
bool unreservedByte(unsigned char c);
// The visible ASCII characters, from '!' to '~'.
bool visibleByte(unsigned char c);

// The text with every byte `keep` refuses as %XX; with spaceAsPlus, a space is
// written "+" instead (the form of HTML forms' query values).
std::string percentEncode(std::string_view text, KeepByte keep, bool spaceAsPlus = false);
// The same, added to the end of out.
void appendPercentEncoded(std::string& out, std::string_view text, KeepByte keep,
                          bool spaceAsPlus = false);

} // namespace nearbeam
