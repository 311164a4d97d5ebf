#pragma once
// Links that the program hands to the shell to open. They may come from a
// service's reply over the network, so only web addresses are opened: the shell
// would just as readily start a program or open a local file.

#include <string>

namespace nearbeam {

// True for an http:// or https:// address (scheme in any case) with a host.
bool isWebLink(const std::wstring& link);

} // namespace nearbeam
