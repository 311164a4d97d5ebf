#include "server/routes.h"

#include "server/location_service.h"
#include "server/map_redirect.h"
#include "server/query_values.h"
#include "server/web/keepers_api.h"

#include <string_view>

namespace nearbeam {
namespace {

HttpReply text(int status, std::string body) {
    return HttpReply{status, "text/plain", std::move(body)};
}

// A kept download's key: the address asked about, and whether the scans were.
std::string keptKey(const std::string& bssid, bool scans) {
    return scans ? bssid + " scans" : bssid;
}

HttpReply kept200(std::shared_ptr<const std::string> body) {
    HttpReply reply;
    reply.sharedBody = std::move(body);
    return reply;
}

const std::string& limitKeyOf(const HttpRequest& request) {
    return request.peerKey.empty() ? request.peer : request.peerKey;
}

HttpReply notAllowed(std::string body, const char* allow) {
    HttpReply reply = text(405, std::move(body));
    reply.allow = allow;
    return reply;
}

HttpReply refusal(const std::string& reason) {
    return text(200, errorReply(reason));
}

} // namespace

// A request with its target split once into the path and the query. A value is
// decoded when asked for: a download asks for three, and no map of the query is
// built for it.
struct Routes::Request {
    explicit Request(const HttpRequest& request) : http(request) {
        const std::string_view target(request.target);
        const size_t q = target.find('?');
        path = target.substr(0, q);
        query_ = q == std::string_view::npos ? std::string_view() : target.substr(q + 1);
    }
    // The decoded value of a query parameter (the first of a name given twice), or
    // empty.
    std::string value(std::string_view name) const { return queryValue(query_, name); }

    const HttpRequest& http;
    std::string_view path;

  private:
    std::string_view query_;
};

Routes::Routes(LocationService& service, RouteLimits limits, std::function<std::string()> newToken)
    : service_(service), uploads_(limits.uploadsPerUserPerHour, std::chrono::hours(1)),
      downloads_(limits.downloadsPerAddressPerSecond, std::chrono::seconds(1)),
      failedLogins_(limits.failedLoginsPerAddressPerMinute, std::chrono::minutes(1)) {
    if (newToken)
        keepers_ = std::make_unique<KeepersApi>(service, failedLogins_, downloadReplies_,
                                                std::move(newToken));
}

Routes::~Routes() = default;

HttpReply Routes::answer(const HttpRequest& http) {
    // What the server answers: by path, and under /text/ by the query's action.
    struct Route {
        std::string_view path;
        std::string_view action; // empty: any
        bool underPath;          // the path and every path below it
        HttpReply (Routes::*handle)(const Request&);
    };
    static const Route kRoutes[] = {
        {"/services/mapredirect/", "", true, &Routes::mapRedirect},
        {"/notify", "", false, &Routes::notify},
        {"/healthz", "", false, &Routes::health},
        {"/text/", "location.downloadText", false, &Routes::download},
        {"/text/", "location.uploadText", false, &Routes::upload},
    };
    const Request request(http);
    if (keepers_ && KeepersApi::serves(request.path))
        return keepers_->answer(http);
    const std::string action = request.value("action");
    bool pathKnown = false;
    for (const Route& route : kRoutes) {
        if (route.underPath ? request.path.compare(0, route.path.size(), route.path) != 0
                            : request.path != route.path)
            continue;
        pathKnown = true;
        if (route.action.empty() || route.action == action)
            return (this->*route.handle)(request);
    }
    return text(404, pathKnown ? "Unknown action.\n" : "Not found.\n");
}

HttpReply Routes::answerAtOnce(const HttpRequest& http) {
    const Request request(http);
    if (http.method != "GET" || request.path != "/text/" ||
        request.value("action") != "location.downloadText")
        return HttpReply{0, {}, {}};
    auto kept =
        downloadReplies_.find(keptKey(request.value("bssid"), request.value("scans") == "1"));
    if (!kept)
        return HttpReply{0, {}, {}};
    if (!downloads_.take(limitKeyOf(http)))
        return text(429, "Too many requests; try again in a second.\n");
    return kept200(std::move(kept));
}

HttpReply Routes::mapRedirect(const Request& request) {
    HttpReply reply = text(302, "See the map.\n");
    reply.location = mapSearchAddress(request.value("addr"), request.value("city"),
                                      request.value("province"), request.value("country"));
    return reply;
}

// A location-based service for the demo: it greets the user by the building it
// was told ("/notify?building={building}"), with a link back to itself.
HttpReply Routes::notify(const Request& request) {
    std::string building = request.value("building");
    for (char& c : building) {
        if (static_cast<unsigned char>(c) < 32) // one line, whatever it was told
            c = ' ';
    }
    std::string host = request.http.host;
    for (char& c : host) {
        if (static_cast<unsigned char>(c) <= 32 || c == 0x7f)
            c = '_';
    }
    return text(200, "- nearbeam msg http://" + host + request.http.target + " Welcome to " +
                         (building.empty() ? std::string("nowhere in particular") : building) +
                         ".\n");
}

HttpReply Routes::health(const Request&) {
    const std::string problem = service_.healthProblem();
    if (problem.empty())
        return text(200, "ok\n");
    return text(503, problem + "\n");
}

HttpReply Routes::download(const Request& request) {
    if (request.http.method != "GET")
        return notAllowed("Use GET.\n", "GET, HEAD");
    if (!downloads_.take(limitKeyOf(request.http)))
        return text(429, "Too many requests; try again in a second.\n");
    const std::string bssid = request.value("bssid");
    const bool scans = request.value("scans") == "1";
    const std::string key = keptKey(bssid, scans);
    if (auto kept = downloadReplies_.find(key))
        return kept200(std::move(kept));
    const uint64_t generation = downloadReplies_.generation();
    DownloadReply reply = service_.download(bssid, scans);
    if (reply.badAddress)
        return text(400, "Bad access point address.\n");
    if (reply.failed)
        return text(503, "The storage does not answer.\n");
    downloadReplies_.put(key, reply.text, generation);
    return text(200, std::move(reply.text));
}

HttpReply Routes::upload(const Request& request) {
    if (request.http.method != "POST")
        return notAllowed("Use POST.\n", "POST");
    const std::string& peer = limitKeyOf(request.http);
    // Checking a login is slow on purpose; an address that keeps failing is not
    // given the chance to try many passwords.
    if (failedLogins_.exhausted(peer))
        return refusal("Too many failed logins from your address; try again in a minute.");
    const Upload upload = readUpload(request.http.body);
    const bool counted = uploads_.enabled() && !upload.user.empty();
    if (counted && !uploads_.take(upload.user))
        return refusal("Too many uploads from this account this hour; try again later.");
    UploadReply reply = service_.upload(upload);
    if (reply.stored)
        downloadReplies_.changed();
    if (reply.loginFailed)
        failedLogins_.take(peer);
    if (counted && !reply.stored)
        uploads_.give(upload.user); // only stored uploads count
    return text(200, std::move(reply.text));
}

} // namespace nearbeam
