// nearbeam-server: a private location server on a loopback port, for the tests,
// the demo and anyone who wants their own. Prints the port it listens on.
//
//   nearbeam-server [--data FOLDER] [--port N]
//                   [--refuse] [--hang] [--cut N] [--sign-in] [--http-error]
//                   [--crlf] [--drip MS] [--log]

#include "server/location_server.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: nearbeam-server [--data FOLDER] [--port N]\n"
                 "                       [--refuse] [--hang] [--cut N] [--sign-in]\n"
                 "                       [--http-error] [--crlf] [--drip MS] [--log]\n"
                 "Serves the location records in FOLDER (default server-data) on 127.0.0.1.\n"
                 "The misbehaviour flags make it refuse connections, never answer, cut the\n"
                 "reply after N bytes of its body, answer a sign-in page or an HTTP 500,\n"
                 "end lines with CR LF, or send the reply in small pieces MS ms apart.\n"
                 "--log prints every request's target and body and the reply.\n");
    return 2;
}

bool number(const char* text, long long max, long long& out) {
    char* end = nullptr;
    out = std::strtoll(text, &end, 10);
    return end != text && *end == '\0' && out >= 0 && out <= max;
}

} // namespace

int main(int argc, char** argv) {
    nearbeam::LocationServer::Options options;
    options.folder = "server-data";
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](const char*& out) {
            if (i + 1 >= argc)
                return false;
            out = argv[++i];
            return true;
        };
        const char* v = nullptr;
        long long n = 0;
        if (arg == "--data" && value(v)) {
            options.folder = v;
        } else if (arg == "--port" && value(v) && number(v, 65535, n)) {
            options.port = static_cast<uint16_t>(n);
        } else if (arg == "--refuse") {
            options.misbehaviour.refuse = true;
        } else if (arg == "--hang") {
            options.misbehaviour.hang = true;
        } else if (arg == "--cut" && value(v) && number(v, 1LL << 40, n)) {
            options.misbehaviour.cutAfter = n;
        } else if (arg == "--sign-in") {
            options.misbehaviour.signInPage = true;
        } else if (arg == "--http-error") {
            options.misbehaviour.httpError = true;
        } else if (arg == "--crlf") {
            options.misbehaviour.crlf = true;
        } else if (arg == "--drip" && value(v) && number(v, 60000, n)) {
            options.misbehaviour.dripMs = static_cast<uint32_t>(n);
        } else if (arg == "--log") {
            options.exchanged = [](const std::string& target, const std::string& body,
                                   const std::string& reply) {
                std::printf("request %s\n%sreply\n%s", target.c_str(), body.c_str(), reply.c_str());
                std::fflush(stdout);
            };
        } else {
            return usage();
        }
    }

    nearbeam::LocationServer server(options);
    if (!server.start()) {
        std::fprintf(stderr, "nearbeam-server: cannot read %s or listen on port %u\n",
                     options.folder.c_str(), static_cast<unsigned>(options.port));
        return 1;
    }
    std::printf("nearbeam-server listening on %s\n", server.hostAndPort().c_str());
    std::printf("port %u\n", static_cast<unsigned>(server.port()));
    std::fflush(stdout);
    for (;;)
        std::this_thread::sleep_for(std::chrono::hours(1));
}
