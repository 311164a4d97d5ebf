#pragma once
// The keepers' page: its HTML, style sheet and script, built into the server.

#include <string_view>

namespace nearbeam {

struct PageAsset {
    const char* type; // the Content-Type
    const char* body;
};

// The file at the path ("/index.html", "/keepers.js", "/keepers.css"), or null.
const PageAsset* pageAsset(std::string_view path);

} // namespace nearbeam
