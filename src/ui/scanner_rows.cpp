#include "ui/scanner_rows.h"

#include "ui/html_escape.h"
#include "ui/network_name.h"
#include "ui/page_head.h"

namespace nearbeam {

namespace {

std::string bar(const char* image, int width) {
    return "<img width='" + std::to_string(width) + "' height='8' src='" + image + "' />";
}

std::string colouredBar(const char* colour, int width) {
    return "<img width='" + std::to_string(width) + "' height='8' src='bar-" + colour + ".png' />";
}

std::string link(const AccessPointEntry& entry) {
    return "<a href='wifi://" + (entry.notInfrastructure ? std::string() : entry.bssidText) + "'>" +
           escapeHtml(entry.label) + "</a>";
}

// Icons, network names and the chosen details, inside the row's <cite>.
std::string details(const AccessPointEntry& entry, const ScannerView& view) {
    std::string out;
    if (entry.privacyVaries) {
        out += "<img width='7' height='8' src='wepvaries.png'> ";
    } else if (entry.privacy) {
        out += "<img width='7' height='8' src='wep.png'> ";
    }
    if (entry.notInfrastructure)
        out += "<img width='11' height='8'  src='adhoc.png'> ";
    out += escapeNetworkNames(entry.ssidList);
    if (entry.optedOut)
        out += " (private)";
    if (view.manufacturer && !entry.manufacturer.empty())
        out += ", " + escapeHtml(entry.manufacturer);
    if (view.bssid) {
        const std::string& digits = entry.bssidText;
        out += ", " + digits.substr(digits.size() < 4 ? 0 : digits.size() - 4);
    }
    if (view.channel)
        out += ", ch " + std::to_string(entry.channel);
    return out;
}

const char* colourOf(const AccessPointEntry& entry) {
    return entry.associated ? "red" : "blue";
}

} // namespace

std::string signalBar(int w, int v, int scale, const char* colour) {
    std::string out;
    if (v < w) {
        if (v > 0)
            out += colouredBar(colour, v);
        out += bar("bar-black.png", 1);
        if (w - v > 0)
            out += colouredBar(colour, w - v);
        if (scale - w > 0)
            out += bar("bar-grey.png", scale - w);
    } else {
        if (w > 0)
            out += colouredBar(colour, w);
        if (v - w > 0)
            out += bar("bar-grey.png", v - w);
        out += bar("bar-black.png", 1);
        if (scale - v > 0)
            out += bar("bar-grey.png", scale - v);
    }
    return out;
}

std::string fullRow(const AccessPointEntry& entry, int average, int last, const ScannerView& view) {
    // The bar and the details are two columns: details too long for the window's
    // width wrap within their own column, never under the bar.
    return "<p>" + link(entry) + "</p><table cellspacing='0' cellpadding='0'><tr><td>" +
           signalBar(average, last, 100, colourOf(entry)) + "</td><td><cite>" +
           details(entry, view) + "</cite></td></tr></table>";
}

std::string compactRow(const AccessPointEntry& entry, int average, int last,
                       const ScannerView& view) {
    return signalBar(average / 2, last / 2, 50, colourOf(entry)) + " " + link(entry) + "<cite>" +
           details(entry, view) + "</cite><br/>";
}

std::string scannerPage(const std::string& rows, const std::string& baseFolder) {
    return pageHead("body {font:8pt Verdana;} a {text-decoration:none;color:black;} "
                    "img {margin-top:2px;} cite {color:#999999; font-size:7pt; "
                    "font-style:normal; margin-left:4px; } p {margin-bottom:-0.6em;}",
                    "<base href='file://" + escapeHtml(baseFolder) + "' />") +
           (rows.empty() ? std::string("<p> &nbsp; No access points detected yet.</p>") : rows) +
           "</body></html>";
}

} // namespace nearbeam
