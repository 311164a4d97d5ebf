#include "server/web/keepers_api.h"

#include "net/md5.h"
#include "server/location_service.h"
#include "server/query_values.h"
#include "server/storage/history.h"
#include "server/web/json_text.h"
#include "server/web/page_assets.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <set>

namespace nearbeam {
namespace {

constexpr uint64_t kUploadsPerPage = 20;
const char kCookie[] = "nearbeam_session";

// The page and its files come from this server alone; nothing of the map's texts
// can run as script, load from elsewhere, or frame the page.
const char kPolicy[] = "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; "
                       "connect-src 'self'; form-action 'self'; frame-ancestors 'none'; "
                       "base-uri 'none'";

HttpReply json(int status, std::string body) {
    return HttpReply{status, "application/json; charset=utf-8", std::move(body)};
}

HttpReply problem(int status, const std::string& text) {
    return json(status, "{\"error\":" + jsonString(text) + "}");
}

std::string n(uint64_t value) {
    return std::to_string(value);
}

// The cookie's value in a Cookie header, or empty.
std::string cookieValue(std::string_view header) {
    while (!header.empty()) {
        const size_t semi = header.find(';');
        std::string_view pair = header.substr(0, semi);
        while (!pair.empty() && pair.front() == ' ')
            pair.remove_prefix(1);
        const size_t eq = pair.find('=');
        if (eq != std::string_view::npos && pair.substr(0, eq) == kCookie)
            return std::string(pair.substr(eq + 1));
        header.remove_prefix(semi == std::string_view::npos ? header.size() : semi + 1);
    }
    return {};
}

bool digits(const std::string& text, size_t most) {
    return !text.empty() && text.size() <= most &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

std::string uploadJson(const UploadEntry& e, bool blocked) {
    return "{\"id\":" + n(e.id) + ",\"user\":" + jsonString(e.user) +
           ",\"time\":" + jsonString(e.time) + ",\"records\":" + n(e.records) +
           ",\"scans\":" + n(e.scans) + ",\"withdrawn\":" + (e.withdrawn ? "true" : "false") +
           ",\"blocked\":" + (blocked ? "true" : "false") + "}";
}

// Counts of a floor or a location.
struct Counts {
    uint64_t accessPoints = 0;
    uint64_t scans = 0;
    uint64_t newestUpload = 0;
};

} // namespace

struct KeepersApi::Call {
    const HttpRequest& http;
    std::string path;
    std::string query;
    std::optional<WebSession> session;
    std::string token; // the cookie's
};

KeepersApi::KeepersApi(LocationService& service, RateLimit& failedLogins, ReplyCache& downloads,
                       std::function<std::string()> newToken, Sessions::Clock clock)
    : service_(service), failedLogins_(failedLogins), downloads_(downloads),
      sessions_(std::move(newToken), std::move(clock)) {}

bool KeepersApi::serves(std::string_view path) {
    return path == "/" || pageAsset(path) != nullptr || path.rfind("/api/", 0) == 0;
}

HttpReply KeepersApi::answer(const HttpRequest& request) {
    Call call{request, {}, {}, {}, cookieValue(request.cookie)};
    const size_t q = request.target.find('?');
    call.path = request.target.substr(0, q);
    call.query = q == std::string::npos ? std::string() : request.target.substr(q + 1);
    call.session = sessions_.find(call.token);
    HttpReply reply = route(call);
    reply.fields.emplace_back("Content-Security-Policy", kPolicy);
    reply.fields.emplace_back("Cache-Control", "no-store");
    reply.fields.emplace_back("Referrer-Policy", "no-referrer");
    return reply;
}

HttpReply KeepersApi::route(Call& call) {
    const std::string& method = call.http.method;
    if (const PageAsset* asset = pageAsset(call.path == "/" ? "/index.html" : call.path)) {
        if (method != "GET")
            return problem(405, "Use GET.");
        return HttpReply{200, asset->type, asset->body};
    }
    if (call.path == "/api/session")
        return method == "POST"  ? signIn(call)
               : method == "GET" ? session(call)
                                 : problem(405, "Use GET or POST.");
    const bool changes = method == "POST";
    if (!changes && method != "GET")
        return problem(405, "Use GET or POST.");
    if (!call.session)
        return problem(401, "Sign in first (the session is unknown or has ended).");
    // A change needs the session's own token besides the cookie, which a browser
    // would send with a request another site made it send.
    if (changes && !sameToken(call.http.csrfToken, call.session->csrf))
        return problem(403, "The request does not carry this session's token.");
    if (call.path == "/api/session/end")
        return changes ? signOut(call) : problem(405, "Use POST.");
    if (call.path == "/api/buildings")
        return changes ? problem(405, "Use GET.") : buildings(call);
    if (call.path == "/api/uploads")
        return changes ? problem(405, "Use GET.") : uploads(call);
    // /api/uploads/ID/ACTION and /api/users/NAME/ACTION
    for (const char* prefix : {"/api/uploads/", "/api/users/"}) {
        const std::string p = prefix;
        if (call.path.rfind(p, 0) != 0)
            continue;
        const std::string rest = call.path.substr(p.size());
        const size_t slash = rest.find('/');
        if (slash == std::string::npos)
            break;
        const std::string subject = queryValue("s=" + rest.substr(0, slash), "s");
        const std::string action = rest.substr(slash + 1);
        const bool uploads = p == "/api/uploads/";
        const char* on = uploads ? "withdraw" : "block";
        const char* off = uploads ? "restore" : "unblock";
        if (action != on && action != off)
            break;
        if (!changes)
            return problem(405, "Use POST.");
        return uploads ? changeUpload(call, subject, action == on)
                       : changeUser(call, subject, action == on);
    }
    return problem(404, "Not found.");
}

HttpReply KeepersApi::signIn(const Call& call) {
    const std::string& peer = call.http.peer;
    if (failedLogins_.exhausted(peer))
        return problem(429, "Too many failed sign-ins from your address; try again in a minute.");
    const std::string user = queryValue(call.http.body, "user");
    const std::string password = queryValue(call.http.body, "password");
    bool storageFailed = false;
    // The uploads' check: the same hash, the same time for a user that is not there.
    if (!service_.checkLogin(user, loginToken(password), storageFailed)) {
        if (storageFailed)
            return problem(503, "The map server cannot read its accounts now.");
        failedLogins_.take(peer);
        return problem(401, "Unknown user name or wrong password.");
    }
    bool keeper = false, blocked = false;
    std::string error;
    if (!service_.storage().read(
            [&](Transaction& r) {
                keeper = r.hasFlag(user, UserFlag::Keeper);
                blocked = r.hasFlag(user, UserFlag::Blocked);
            },
            error))
        return problem(503, "The map server cannot read its accounts now.");
    if (blocked)
        return problem(403, "This account is blocked.");
    std::string token;
    const WebSession opened = sessions_.open(user, token);
    HttpReply reply =
        json(200, "{\"user\":" + jsonString(user) + ",\"keeper\":" + (keeper ? "true" : "false") +
                      ",\"csrf\":" + jsonString(opened.csrf) + "}");
    reply.fields.emplace_back("Set-Cookie", std::string(kCookie) + "=" + token +
                                                "; Path=/; HttpOnly; SameSite=Strict; Max-Age=" +
                                                n(8 * 3600) + (call.http.tls ? "; Secure" : ""));
    return reply;
}

HttpReply KeepersApi::session(const Call& call) {
    if (!call.session)
        return problem(401, "Sign in first (the session is unknown or has ended).");
    bool keeper = false;
    std::string error;
    if (!service_.storage().read(
            [&](Transaction& r) { keeper = r.hasFlag(call.session->user, UserFlag::Keeper); },
            error))
        return problem(503, "The map server cannot read its accounts now.");
    return json(200, "{\"user\":" + jsonString(call.session->user) +
                         ",\"keeper\":" + (keeper ? "true" : "false") +
                         ",\"csrf\":" + jsonString(call.session->csrf) + "}");
}

HttpReply KeepersApi::signOut(const Call& call) {
    sessions_.close(call.token);
    HttpReply reply = json(200, "{}");
    reply.fields.emplace_back("Set-Cookie", std::string(kCookie) +
                                                "=; Path=/; HttpOnly; SameSite=Strict; Max-Age=0" +
                                                (call.http.tls ? "; Secure" : ""));
    return reply;
}

HttpReply KeepersApi::buildings(const Call&) {
    std::string body;
    std::string error;
    const bool read = service_.storage().read(
        [&](Transaction& r) {
            // The newest upload served for each access point, and the uploads' times.
            std::map<uint64_t, std::string> times;
            std::set<uint64_t> served;
            for (const UploadEntry& e : r.uploads(0, INT64_MAX)) {
                times[e.id] = e.time;
                if (!e.withdrawn && userServed(r, e.user))
                    served.insert(e.id);
            }
            std::map<uint64_t, uint64_t> pointUpload;
            r.forEachVersion([&](const RecordVersion& v) {
                if (v.kind == kAccessPointRecord && served.count(v.upload))
                    pointUpload[v.key] = std::max(pointUpload[v.key], v.upload);
            });
            // By building, floor and location.
            std::map<uint32_t, std::map<std::pair<std::string, std::string>, Counts>> places;
            r.forEachAccessPoint([&](const AccessPoint& a) {
                Counts& c = places[a.building][{a.floor, a.location}];
                ++c.accessPoints;
                auto it = pointUpload.find(a.bssid);
                if (it != pointUpload.end())
                    c.newestUpload = std::max(c.newestUpload, it->second);
            });
            r.forEachScan([&](const StoredScan& s) {
                Counts& c = places[s.building][{s.floor, s.location}];
                ++c.scans;
                c.newestUpload = std::max(c.newestUpload, s.upload);
            });
            std::string list;
            r.forEach(StoredKind::Building, [&](const StoredRecord& b) {
                std::map<std::string, Counts> floors;
                std::string locations;
                for (const auto& [at, c] : places[b.id]) {
                    Counts& f = floors[at.first];
                    f.accessPoints += c.accessPoints;
                    f.scans += c.scans;
                    f.newestUpload = std::max(f.newestUpload, c.newestUpload);
                    locations += std::string(locations.empty() ? "" : ",") +
                                 "{\"floor\":" + jsonString(at.first) +
                                 ",\"location\":" + jsonString(at.second) +
                                 ",\"accessPoints\":" + n(c.accessPoints) +
                                 ",\"scans\":" + n(c.scans) + "}";
                }
                std::string floorList;
                for (const auto& [floor, f] : floors)
                    floorList += std::string(floorList.empty() ? "" : ",") +
                                 "{\"floor\":" + jsonString(floor) +
                                 ",\"accessPoints\":" + n(f.accessPoints) +
                                 ",\"scans\":" + n(f.scans) + ",\"newestUpload\":" +
                                 jsonString(f.newestUpload ? times[f.newestUpload] : "") + "}";
                list += std::string(list.empty() ? "" : ",") + "{\"id\":" + n(b.id) +
                        ",\"name\":" + jsonString(b.name) + ",\"street\":" + jsonString(b.street) +
                        ",\"floors\":[" + floorList + "],\"locations\":[" + locations + "]}";
            });
            body = "{\"buildings\":[" + list + "]}";
        },
        error);
    if (!read)
        return problem(503, "The map server cannot read its records now.");
    return json(200, body);
}

HttpReply KeepersApi::uploads(const Call& call) {
    const std::string asked = queryValue(call.query, "page");
    if (!asked.empty() && (!digits(asked, 9) || std::stoull(asked) == 0))
        return problem(400, "The page is a whole number from 1 on.");
    const uint64_t page = asked.empty() ? 1 : std::stoull(asked);
    uint64_t total = 0;
    std::string list, error;
    bool beyond = false;
    const bool read = service_.storage().read(
        [&](Transaction& r) {
            total = r.uploadCount();
            const uint64_t pages =
                std::max<uint64_t>(1, (total + kUploadsPerPage - 1) / kUploadsPerPage);
            if (page > pages) {
                beyond = true;
                return;
            }
            for (const UploadEntry& e : r.uploads((page - 1) * kUploadsPerPage, kUploadsPerPage))
                list += std::string(list.empty() ? "" : ",") +
                        uploadJson(e, r.hasFlag(e.user, UserFlag::Blocked));
        },
        error);
    if (!read)
        return problem(503, "The map server cannot read its records now.");
    const uint64_t pages = std::max<uint64_t>(1, (total + kUploadsPerPage - 1) / kUploadsPerPage);
    if (beyond)
        return problem(404, "There is no page " + n(page) + "; there are " + n(pages) + ".");
    return json(200, "{\"page\":" + n(page) + ",\"pages\":" + n(pages) + ",\"total\":" + n(total) +
                         ",\"uploads\":[" + list + "]}");
}

namespace {

// Whether the session's user may keep the map now (a keeper, not removed, not
// blocked since signing in).
bool keeps(Transaction& r, const std::string& user) {
    return r.hasFlag(user, UserFlag::Keeper) && !r.hasFlag(user, UserFlag::Blocked) &&
           r.tokenHash(user).has_value();
}

int statusOf(HistoryChange change) {
    switch (change) {
    case HistoryChange::Done:
        return 200;
    case HistoryChange::NoSuchUpload:
    case HistoryChange::NoSuchUser:
        return 404;
    case HistoryChange::StorageFailed:
        return 503;
    default:
        return 409;
    }
}

} // namespace

HttpReply KeepersApi::changeUpload(const Call& call, const std::string& id, bool withdraw) {
    if (!digits(id, 19))
        return problem(400, "An upload is named by its number.");
    std::optional<UploadEntry> entry;
    return keeperChange(
        call, "Only the map's keepers may withdraw or restore uploads.", id,
        [&](Transaction& r) {
            HistoryCounts counts;
            const uint64_t number = std::stoull(id);
            const HistoryChange change =
                withdraw ? withdrawUpload(r, number, counts) : restoreUpload(r, number, counts);
            entry = r.findUpload(number);
            return change;
        },
        [&] { return "{\"upload\":" + uploadJson(*entry, false) + "}"; });
}

HttpReply KeepersApi::changeUser(const Call& call, const std::string& name, bool block) {
    return keeperChange(
        call, "Only the map's keepers may block or unblock users.", name,
        [&](Transaction& r) {
            HistoryCounts counts;
            return blockUser(r, name, block, counts);
        },
        [&] {
            return "{\"user\":" + jsonString(name) + ",\"blocked\":" + (block ? "true" : "false") +
                   "}";
        });
}

HttpReply KeepersApi::keeperChange(const Call& call, const std::string& refused,
                                   const std::string& subject,
                                   const std::function<HistoryChange(Transaction&)>& change,
                                   const std::function<std::string()>& answer) {
    bool keeper = false;
    HistoryChange outcome = HistoryChange::StorageFailed;
    std::string error;
    service_.storage().write(
        [&](Transaction& r) {
            keeper = keeps(r, call.session->user);
            if (!keeper)
                return false;
            outcome = change(r);
            return outcome == HistoryChange::Done;
        },
        error);
    if (!keeper && error.empty())
        return problem(403, refused);
    if (outcome != HistoryChange::Done || !error.empty())
        return problem(error.empty() ? statusOf(outcome) : 503,
                       historyChangeText(outcome, subject));
    downloads_.changed();
    return json(200, answer());
}

} // namespace nearbeam
