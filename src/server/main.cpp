// nearbeam-server: the location server. Serves the download and upload protocol,
// the map links' redirect and a health check over HTTP or HTTPS, keeping its
// records in SQLite (one file in the data folder) or PostgreSQL, and manages the
// accounts and the records of that storage. Run with --help for the options.

#include "server/accounts/accounts.h"
#include "server/accounts/random_token.h"
#include "server/http/access_log.h"
#include "server/http/addresses.h"
#include "server/http/server.h"
#include "server/location_service.h"
#include "server/routes.h"
#include "server/storage/folder_io.h"
#include "server/storage/open_storage.h"
#include "server/storage/postgres_address.h"
#include "server/storage/storage.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace {

using namespace nearbeam;

const char kHelp[] =
    "usage: nearbeam-server [OPTIONS]               serve\n"
    "       nearbeam-server user add NAME [--keeper] [OPTIONS]\n"
    "                                                add a user or change a password (read from\n"
    "                                                standard input); --keeper: may withdraw and\n"
    "                                                restore uploads and block users on the page\n"
    "       nearbeam-server user remove NAME [--purge] [OPTIONS]\n"
    "                                                --purge: also what the user uploaded\n"
    "       nearbeam-server user list [OPTIONS]\n"
    "       nearbeam-server import FOLDER [OPTIONS]  load a folder of record files (and "
    "users.txt)\n"
    "       nearbeam-server export FOLDER [OPTIONS]  write the records to a folder\n"
    "\n"
    "Storage:\n"
    "  --data FOLDER          folder of the SQLite database (default server-data)\n"
    "  --database URL         a postgresql:// URL: keep the records in PostgreSQL instead\n"
    "                         (a password in it shows in ps: use libpq's ~/.pgpass or PGPASSFILE,\n"
    "                         or --database-file)\n"
    "  --database-file FILE   the postgresql:// URL from FILE, readable by its owner only (0600)\n"
    "Serving:\n"
    "  --listen ADDRESS       address to listen on (default 127.0.0.1; 0.0.0.0 or :: for all)\n"
    "  --port N               port to listen on (default 0: a free one, printed as \"port N\")\n"
    "  --tls-cert FILE        serve HTTPS with this PEM certificate chain ...\n"
    "  --tls-key FILE         ... and this PEM private key (both or neither)\n"
    "  --threads N            threads answering requests that wait for the storage\n"
    "                         (default 0: twice the processors, at least 4)\n"
    "  --max-connections N    connections served at once; at that, the oldest idle one\n"
    "                         is closed for a new one, and with none idle more wait\n"
    "                         (default 1024)\n"
    "  --max-connections-per-address N\n"
    "                         connections from one client address (default 64)\n"
    "  --trusted-proxy ADDRESS[/BITS]\n"
    "                         a load balancer or proxy in front (repeatable): from it,\n"
    "                         the client is the right-most address of the forwarding\n"
    "                         header that is not a trusted proxy's, for the limits and the log\n"
    "  --forwarded-header x-forwarded-for|forwarded\n"
    "                         the forwarding header that counts; the other is ignored\n"
    "                         (default x-forwarded-for)\n"
    "  --allow-wide-trusted-proxy\n"
    "                         take a --trusted-proxy range wider than an IPv4 /8 or an IPv6 /32\n"
    "  --max-body BYTES       largest request body (default 1048576)\n"
    "  --head-timeout SECONDS time a client has to send a request's head (default 10)\n"
    "  --body-timeout SECONDS time a client has to send a request's body (default 30)\n"
    "Limits (0 turns one off):\n"
    "  --upload-limit N       uploads per user per hour (default 100)\n"
    "  --download-limit N     downloads per client address per second (default 100; over it: 429)\n"
    "  --login-limit N        failed logins per client address per minute (default 10)\n"
    "  --ipv6-prefix BITS     the leading bits of an IPv6 address the limits count it by,\n"
    "                         48 to 128 (default 64: a host's usual share)\n"
    "  --help                 this text\n"
    "\n"
    "Every request answered is logged on standard output: time, client address, method,\n"
    "path, status, body bytes and milliseconds; so is every connection dropped, with the\n"
    "reason (a client gone mid-request or a failed TLS handshake at most once a minute per\n"
    "address). SIGTERM or SIGINT stops the server once the requests in flight are answered.\n";

struct Config {
    std::vector<std::string> command; // empty: serve
    bool purge = false;               // user remove: with what the user uploaded
    bool keeper = false;              // user add: a keeper of the map
    bool allowWideProxies = false;
    std::string data = "server-data";
    std::string database;
    std::string databaseFile;
    HttpServer::Options http;
    RouteLimits limits{100, 100, 10};
};

int fail(const std::string& reason) {
    std::fprintf(stderr, "nearbeam-server: %s\n", reason.c_str());
    return 1;
}

bool number(const std::string& text, unsigned long long max, unsigned long long& out) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    out = std::strtoull(text.c_str(), nullptr, 10);
    return out <= max;
}

// Reads the options; false with the reason in `error`.
bool parse(int argc, char** argv, Config& config, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--", 0) != 0) {
            config.command.push_back(arg);
            continue;
        }
        if (arg == "--help")
            continue; // handled before
        if (arg == "--purge") {
            config.purge = true;
            continue;
        }
        if (arg == "--keeper") {
            config.keeper = true;
            continue;
        }
        if (arg == "--allow-wide-trusted-proxy") {
            config.allowWideProxies = true;
            continue;
        }
        if (i + 1 >= argc) {
            error = arg + " needs a value (see --help)";
            return false;
        }
        const std::string value = argv[++i];
        unsigned long long n = 0;
        auto count = [&](unsigned long long max) {
            if (number(value, max, n))
                return true;
            error = arg + " wants a whole number up to " + std::to_string(max) + ", not \"" +
                    value + "\"";
            return false;
        };
        auto& http = config.http;
        if (arg == "--data") {
            config.data = value;
        } else if (arg == "--database") {
            config.database = value;
        } else if (arg == "--database-file") {
            config.databaseFile = value;
        } else if (arg == "--listen") {
            http.address = value;
        } else if (arg == "--tls-cert") {
            http.tlsCert = value;
        } else if (arg == "--tls-key") {
            http.tlsKey = value;
        } else if (arg == "--port") {
            if (!count(65535))
                return false;
            http.port = static_cast<uint16_t>(n);
        } else if (arg == "--threads") {
            if (!count(1024))
                return false;
            http.threads = static_cast<unsigned>(n);
        } else if (arg == "--max-connections") {
            if (!count(1000000))
                return false;
            if (n == 0) {
                error = "--max-connections must be 1 or more";
                return false;
            }
            http.maxConnections = n;
        } else if (arg == "--max-connections-per-address") {
            if (!count(1000000))
                return false;
            if (n == 0) {
                error = "--max-connections-per-address must be 1 or more";
                return false;
            }
            http.maxConnectionsPerAddress = n;
        } else if (arg == "--trusted-proxy") {
            if (!http.trustedProxies.add(value, error))
                return false;
        } else if (arg == "--forwarded-header") {
            if (!http.trustedProxies.useHeader(value)) {
                error =
                    "--forwarded-header wants x-forwarded-for or forwarded, not \"" + value + "\"";
                return false;
            }
        } else if (arg == "--ipv6-prefix") {
            if (!count(128))
                return false;
            if (n < 48) {
                error = "--ipv6-prefix goes from 48 to 128, not " + value;
                return false;
            }
            http.ipv6PrefixBits = static_cast<unsigned>(n);
        } else if (arg == "--max-body") {
            if (!count(1ull << 32))
                return false;
            http.maxBody = n;
        } else if (arg == "--head-timeout" || arg == "--body-timeout") {
            if (!count(3600))
                return false;
            (arg == "--head-timeout" ? http.headTimeout : http.bodyTimeout) =
                std::chrono::seconds(n);
        } else if (arg == "--upload-limit" || arg == "--download-limit" || arg == "--login-limit") {
            if (!count(1000000000))
                return false;
            const unsigned limit = static_cast<unsigned>(n);
            if (arg == "--upload-limit")
                config.limits.uploadsPerUserPerHour = limit;
            else if (arg == "--download-limit")
                config.limits.downloadsPerAddressPerSecond = limit;
            else
                config.limits.failedLoginsPerAddressPerMinute = limit;
        } else {
            error = "unknown option " + arg + " (see --help)";
            return false;
        }
    }
    const std::string wide = config.http.trustedProxies.wideRule();
    if (!wide.empty() && !config.allowWideProxies) {
        error = "--trusted-proxy " + wide +
                " would let most of the world name its own address; give "
                "--allow-wide-trusted-proxy if that is meant";
        return false;
    }
    return true;
}

// The password from standard input: one line, without echo when it is a terminal.
std::string readPassword(const std::string& name) {
    termios saved{};
    const bool terminal = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        std::fprintf(stderr, "Password for %s: ", name.c_str());
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string password;
    std::getline(std::cin, password);
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::fprintf(stderr, "\n");
    }
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    return password;
}

int manage(Storage& storage, const std::vector<std::string>& command, bool purge, bool keeper) {
    std::string error;
    const std::string& verb = command[0];
    if (verb == "user" && command.size() == 3 && command[1] == "add") {
        if (!addUser(storage, command[2], readPassword(command[2]), error, keeper))
            return fail(error);
        std::printf("added %s%s\n", command[2].c_str(), keeper ? " (keeper)" : "");
    } else if (verb == "user" && command.size() == 3 && command[1] == "remove") {
        PurgeCounts purged;
        if (!removeUser(storage, command[2], error, purge ? &purged : nullptr))
            return fail(error);
        auto count = [](size_t n, const std::string& what) {
            return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
        };
        if (purge)
            std::printf("removed %s and what it uploaded: %s withdrawn; %s, %s, %s taken back\n",
                        command[2].c_str(), count(purged.uploads, "upload").c_str(),
                        count(purged.scans, "scan").c_str(),
                        count(purged.accessPoints, "access point").c_str(),
                        count(purged.places, "place").c_str());
        else
            std::printf("removed %s\n", command[2].c_str());
    } else if (verb == "user" && command.size() == 2 && command[1] == "list") {
        for (const std::string& name : listUsers(storage))
            std::printf("%s\n", name.c_str());
    } else if (verb == "import" && command.size() == 2) {
        if (!importFolder(storage, command[1], error))
            return fail(error);
        std::printf("imported %s\n", command[1].c_str());
    } else if (verb == "export" && command.size() == 2) {
        if (!exportFolder(storage, command[1], error))
            return fail(error);
        std::printf("exported to %s\n", command[1].c_str());
    } else {
        std::fprintf(stderr, "%s", kHelp);
        return 2;
    }
    return 0;
}

// Every connection is a descriptor: allow as many as the system lets us.
void raiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

int serve(Storage& storage, const Config& config) {
    raiseDescriptorLimit();
    std::signal(SIGPIPE, SIG_IGN); // a closed log pipe is not a reason to stop serving
    LocationService service(storage);
    Routes routes(service, config.limits, randomToken);
    AccessLog log(STDOUT_FILENO);
    HttpServer server(
        config.http, [&routes](const HttpRequest& request) { return routes.answer(request); },
        [&log](const AccessRecord& record) { log.write(record); },
        [&routes](const HttpRequest& request) { return routes.answerAtOnce(request); });
    std::string error;
    if (!server.open(error))
        return fail(error);
    const bool tls = !config.http.tlsCert.empty();
    std::printf("nearbeam-server listening on %s://%s:%u\n", tls ? "https" : "http",
                urlHost(config.http.address).c_str(), static_cast<unsigned>(server.port()));
    std::printf("port %u\n", static_cast<unsigned>(server.port()));
    std::fflush(stdout);
    server.run(true);
    std::printf("nearbeam-server stopped\n");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // The database, an export's users.txt with its hashes, every file this makes
    // is its owner's alone, whatever umask it was started with.
    umask(077);
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h") {
            std::printf("%s", kHelp);
            return 0;
        }
    }
    Config config;
    std::string error;
    if (!parse(argc, argv, config, error))
        return fail(error);
    if (!config.databaseFile.empty()) {
        if (!config.database.empty())
            return fail("give --database or --database-file, not both");
        if (!readDatabaseFile(config.databaseFile, config.database, error))
            return fail(error);
    } else if (addressHoldsPassword(config.database)) {
        std::fprintf(stderr, "nearbeam-server: warning: the password in --database shows to every "
                             "user of this machine (ps); keep it in ~/.pgpass, PGPASSFILE or a "
                             "--database-file\n");
    }
    if (config.keeper &&
        (config.command.size() != 3 || config.command[0] != "user" || config.command[1] != "add"))
        return fail("--keeper goes only with user add NAME");
    const std::vector<std::string> removal{"user", "remove"};
    if (config.purge && (config.command.size() != 3 ||
                         !std::equal(removal.begin(), removal.end(), config.command.begin())))
        return fail("--purge goes only with user remove NAME");
    std::unique_ptr<Storage> storage = openStorage(config.database, config.data, error);
    if (!storage)
        return fail(error);
    return config.command.empty() ? serve(*storage, config)
                                  : manage(*storage, config.command, config.purge, config.keeper);
}
