#include "server/routes.h"

#include "server/location_service.h"
#include "server/map_redirect.h"

#include "base/hex_digits.h"

#include <string_view>

namespace nearbeam {
namespace {

std::string decodeQueryValue(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && hexDigitValue(text[i + 1]) >= 0 &&
                   hexDigitValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexDigitValue(text[i + 1]) * 16 + hexDigitValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool startsWith(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// The user an upload body names on its second line ("- login", NAME, token ...).
std::string uploadUser(const std::string& body) {
    const size_t first = body.find('\n');
    if (first == std::string::npos)
        return {};
    const size_t end = body.find('\n', first + 1);
    std::string name = body.substr(first + 1, end == std::string::npos ? end : end - first - 1);
    if (!name.empty() && name.back() == '\r')
        name.pop_back();
    return name;
}

HttpReply text(int status, std::string body) {
    return HttpReply{status, "text/plain", std::move(body)};
}

HttpReply refusal(const std::string& reason) {
    return text(200, "- error " + reason + "\n- end\n");
}

// The decoded value of a query parameter of a target "/path?a=1&b=2", or empty.
std::string queryValue(const std::string& target, const std::string& name) {
    size_t q = target.find('?');
    if (q == std::string::npos)
        return {};
    std::string_view query(target);
    query.remove_prefix(q + 1);
    while (!query.empty()) {
        size_t amp = query.find('&');
        std::string_view pair = query.substr(0, amp);
        size_t eq = pair.find('=');
        if (pair.substr(0, eq) == name)
            return eq == std::string_view::npos ? std::string()
                                                : decodeQueryValue(pair.substr(eq + 1));
        if (amp == std::string_view::npos)
            break;
        query.remove_prefix(amp + 1);
    }
    return {};
}

} // namespace

Routes::Routes(LocationService& service, RouteLimits limits)
    : service_(service), uploads_(limits.uploadsPerUserPerHour, std::chrono::hours(1)),
      downloads_(limits.downloadsPerAddressPerSecond, std::chrono::seconds(1)),
      failedLogins_(limits.failedLoginsPerAddressPerMinute, std::chrono::minutes(1)) {}

HttpReply Routes::answer(const HttpRequest& request) {
    const std::string& target = request.target;
    if (startsWith(target, "/services/mapredirect/")) {
        HttpReply reply = text(302, "See the map.\n");
        reply.location =
            mapSearchAddress(queryValue(target, "addr"), queryValue(target, "city"),
                             queryValue(target, "province"), queryValue(target, "country"));
        return reply;
    }
    // A location-based service for the demo: it greets the user by the building
    // it was told ("/notify?building={building}"), with a link back to itself.
    if (startsWith(target, "/notify?")) {
        std::string building = queryValue(target, "building");
        for (char& c : building) {
            if (static_cast<unsigned char>(c) < 32) // one line, whatever it was told
                c = ' ';
        }
        std::string host = request.host;
        for (char& c : host) {
            if (static_cast<unsigned char>(c) <= 32 || c == 0x7f)
                c = '_';
        }
        return text(200, "- nearbeam msg http://" + host + target + " Welcome to " +
                             (building.empty() ? std::string("nowhere in particular") : building) +
                             ".\n");
    }
    if (target == "/healthz") {
        if (service_.healthy())
            return text(200, "ok\n");
        return text(503, "The storage does not answer.\n");
    }
    if (!startsWith(target, "/text/?"))
        return text(404, "Not found.\n");
    const std::string action = queryValue(target, "action");
    if (action == "location.downloadText") {
        if (request.method != "GET")
            return text(405, "Use GET.\n");
        if (!downloads_.take(request.peer))
            return text(429, "Too many requests; try again in a second.\n");
        DownloadReply reply =
            service_.download(queryValue(target, "bssid"), queryValue(target, "scans") == "1");
        if (reply.badAddress)
            return text(400, "Bad access point address.\n");
        if (reply.failed)
            return text(503, "The storage does not answer.\n");
        return text(200, std::move(reply.text));
    }
    if (action == "location.uploadText")
        return upload(request);
    return text(404, "Unknown action.\n");
}

HttpReply Routes::upload(const HttpRequest& request) {
    if (request.method != "POST")
        return text(405, "Use POST.\n");
    // Checking a login is slow on purpose; an address that keeps failing is not
    // given the chance to try many passwords.
    if (failedLogins_.exhausted(request.peer))
        return refusal("Too many failed logins from your address; try again in a minute.");
    const std::string user = uploadUser(request.body);
    const bool counted = uploads_.enabled() && !user.empty();
    if (counted && !uploads_.take(user))
        return refusal("Too many uploads from this account this hour; try again later.");
    UploadReply reply = service_.upload(request.body);
    if (reply.loginFailed)
        failedLogins_.take(request.peer);
    if (counted && !startsWith(reply.text, "- nearbeam ok\n"))
        uploads_.give(user); // only stored uploads count
    return text(200, std::move(reply.text));
}

} // namespace nearbeam
