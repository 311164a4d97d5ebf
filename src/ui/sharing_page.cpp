#include "ui/sharing_page.h"

#include "base/utc_time.h"
#include "ui/html_escape.h"
#include "ui/page_head.h"

namespace nearbeam {

namespace {

// The address sent may be one long word: it breaks anywhere rather than running
// off the page's edge.
constexpr const char* kStyle =
    "body { margin: 15px; font: 9pt Verdana,sans-serif; } "
    "table { width: 100%; table-layout: fixed; border-collapse: collapse; } "
    "th { text-align: left; } "
    "td { padding: 2px 8px 2px 0; vertical-align: top; } "
    "td.sent { word-wrap: break-word; overflow-wrap: anywhere; word-break: break-all; }";

std::string timeCell(const std::string& stored, const TimeShown& shown) {
    const std::optional<std::time_t> when = parseUtcTimeText(stored);
    if (!when)
        return "<td nowrap>" + escapeHtml(stored) + "</td>";
    return "<td nowrap title=\"" + escapeHtml(stored) + "\">" + escapeHtml(shown(*when)) + "</td>";
}

} // namespace

std::string hostOfUrl(const std::string& url) {
    const size_t scheme = url.find("://");
    if (scheme == std::string::npos)
        return url;
    const size_t start = scheme + 3;
    return url.substr(start, url.find('/', start) - start);
}

std::string buildSharingPage(const std::vector<SharingEntry>& newestFirst, const TimeShown& shown) {
    std::string page = pageHead(kStyle) + "<b>What Nearbeam told your services</b><br/><br/>";
    if (newestFirst.empty()) {
        page += "Nothing has been shared.";
    } else {
        page += "<table><col style=\"width: 11em\"><col style=\"width: 25%\"><col>"
                "<tr><th>Time</th><th>Service</th><th>What was sent</th></tr>";
        for (const SharingEntry& entry : newestFirst) {
            // A time and a service are never broken across lines.
            page += "<tr>" + timeCell(entry.time, shown) + "<td nowrap>" +
                    escapeHtml(hostOfUrl(entry.url)) + "</td><td class=\"sent\">" +
                    escapeHtml(entry.url) + "</td></tr>";
        }
        page += "</table>";
    }
    return page + "</body></html>";
}

} // namespace nearbeam
