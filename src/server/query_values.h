#pragma once
// The values of a URL's query or of a form's body ("a=1&b=x+y%21").

#include <string>
#include <string_view>

namespace nearbeam {

// The decoded value of the name (the first of a name given twice), or empty.
std::string queryValue(std::string_view query, std::string_view name);

} // namespace nearbeam
