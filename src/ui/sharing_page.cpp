#include "ui/sharing_page.h"

#include "ui/html_escape.h"

namespace nearbeam {

namespace {

constexpr const char* kHead =
    "<html><head><style>body { margin: 15px; font: 9pt Verdana,sans-serif; } "
    "td { padding: 2px 8px 2px 0; vertical-align: top; }</style></head><body>"
    "<b>What Nearbeam told your services</b><br/><br/>";

} // namespace

std::string hostOfUrl(const std::string& url) {
    const size_t scheme = url.find("://");
    if (scheme == std::string::npos)
        return url;
    const size_t start = scheme + 3;
    return url.substr(start, url.find('/', start) - start);
}

std::string buildSharingPage(const std::vector<SharingEntry>& newestFirst) {
    std::string page = kHead;
    if (newestFirst.empty()) {
        page += "Nothing has been shared.";
    } else {
        page += "<table><tr><th>Time (UTC)</th><th>Service</th><th>What was sent</th></tr>";
        for (const SharingEntry& entry : newestFirst) {
            // A time and a service are never broken across lines.
            page += "<tr><td nowrap>" + escapeHtml(entry.time) + "</td><td nowrap>" +
                    escapeHtml(hostOfUrl(entry.url)) + "</td><td>" + escapeHtml(entry.url) +
                    "</td></tr>";
        }
        page += "</table>";
    }
    return page + "</body></html>";
}

} // namespace nearbeam
