#pragma once
// What happens to a link clicked in a generated page or an alert. The display
// control lets its own page (a file address or a drive path) load inside it and
// asks its parent about every other link; the parent, like the tray's alerts,
// hands web and mail links to the user's browser and nothing else: the shell
// would as readily start a program or open a local file, and a page's texts and
// a service's replies come from strangers.

#include <cstddef>
#include <string>

namespace nearbeam {

// The display control follows the navigation itself: the URL begins with "file:"
// (exactly so) or is a drive path ("C:\...", the second character a colon).
bool followsInside(const std::wstring& url);

// The longest link handed to the shell: its buffer holds 1000 characters with the
// terminator. A longer link is refused, never cut (a cut link leads elsewhere).
inline constexpr size_t kMaxShellLinkChars = 999;

// An "http://" or "https://" address with a host, or a "mailto:" link (scheme in
// any case), without control characters and short enough for the shell's buffer.
bool mayOpenInShell(const std::wstring& url);

} // namespace nearbeam
