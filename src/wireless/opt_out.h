#pragma once
// Networks that asked not to be mapped. Their owners mark them by their name: one
// that ends in "_nomap" or holds "_optout" (in any case). A hidden network (no
// name, or a name of NUL bytes only) has not agreed to be found either. Such an
// access point is never sent to a server: not asked about, never uploaded.

#include <string_view>

namespace nearbeam {

bool asksNotToBeMapped(std::string_view ssid);

} // namespace nearbeam
