// Requests to the location server of any bytes, through its HTTP parser and its
// routes: the server answers each with one of its statuses; a download answer is
// sections of record lines ending in "- end"; an upload is stored whole or not at
// all, and what it stores is server lines that read back and are downloaded as the
// reply said.

#include "fuzz_files.h"
#include "net/md5.h"
#include "records/data_file.h"
#include "server/routes.h"
#include "server/storage/folder_io.h"
#include "support/loopback_server.h"

#include <boost/beast/http.hpp>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

using namespace nearbeam;
using fuzz::check;

namespace {

const char* const kRecords[][2] = {
    {"country.txt", "7\tNorway\t0\r\n"},
    {"province.txt", "12\t7\tVestland\t0\r\n"},
    {"city.txt", "20\t12\tBergen\t0\r\n"},
    {"area.txt", "25\t20\tCentre\t0\r\n"},
    {"building.txt", "31\t25\t20\tLibrary\tMain St 1\t0\r\n"},
    {"network.txt", "3\tCity net\t0\r\n"},
    {"ap.txt", "001122334455\t31\t3\t2\tReading room\t0\r\n"},
    {"services.txt", "1\t0\t0\thttp://everywhere/{bssid}\tEverywhere\t0\r\n"
                     "2\t20\t4\thttp://bergen/\tBergen guide\t0\r\n"},
};

bool plain(std::string_view line) {
    for (char c : line)
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f)
            return false;
    return true;
}

// Every line of an answer ends in a line feed and is a heading or message ("- "),
// or a record line with a tab and no control character.
bool wellFormed(std::string_view text) {
    if (text.empty() || text.back() != '\n')
        return false;
    size_t start = 0;
    for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
        std::string_view line(text.data() + start, nl - start);
        if (line.rfind("- ", 0) != 0 && (line.find('\t') == std::string_view::npos || !plain(line)))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The server's parser, with the server's limits: it answers once it has the
    // head and the whole body, and answers a request it cannot parse itself.
    namespace beast = boost::beast;
    beast::http::request_parser<beast::http::string_body> parser;
    parser.header_limit(16 * 1024);
    parser.body_limit(1024 * 1024);
    parser.eager(true);
    beast::error_code ec;
    for (size_t used = 0; !ec && !parser.is_done() && used < size;) {
        const size_t n = parser.put(boost::asio::buffer(data + used, size - used), ec);
        if (n == 0)
            break;
        used += n;
    }
    if (ec || !parser.is_done())
        return 0;
    const auto& message = parser.get();

    const std::string dir = fuzz::folder();
    for (const auto& [name, text] : kRecords)
        fuzz::writeFile(dir + name, text);
    fuzz::writeFile(dir + "users.txt", "fuzz\t" + md5Hex("fuzz") + "\r\n");
    LoopbackServer::Options options;
    options.folder = dir;
    LoopbackServer server(options);
    Routes routes(server.service());

    const HttpReply reply = routes.answer(HttpRequest{std::string(message.method_string()),
                                                      std::string(message.target()), message.body(),
                                                      "127.0.0.1:80", "127.0.0.1"});
    const std::string_view body = reply.content();
    const int statuses[] = {200, 302, 400, 404, 405};
    check(std::find(std::begin(statuses), std::end(statuses), reply.status) != std::end(statuses));
    check(!body.empty() && body.back() == '\n');
    // Past this point: the download and the upload (a service's message is one
    // line of its own).
    if (reply.status != 200 || body.rfind("- nearbeam msg ", 0) == 0)
        return 0;
    check(wellFormed(body));
    check(body.size() >= 6 && body.compare(body.size() - 6, 6, "- end\n") == 0);

    // What is stored is whole server lines whatever came.
    const std::string stored = dir + "stored/";
    std::string error;
    check(exportFolder(server.storage(), stored, error));
    for (const auto& record : kRecords) {
        const std::string file = fuzz::readFile(stored + record[0]);
        size_t start = 0;
        for (size_t nl; (nl = file.find("\r\n", start)) != std::string::npos; start = nl + 2) {
            std::string_view line(file.data() + start, nl - start);
            check(line.size() >= 2 && line.substr(line.size() - 2) == "\t0" && plain(line));
        }
        check(start == file.size());
    }
    // A stored access point is downloaded as the upload's reply gave it.
    if (body.rfind("- nearbeam ok\n", 0) == 0) {
        size_t aps = body.find("\n- aps\n");
        for (size_t at = aps == std::string::npos ? std::string::npos : aps + 7;
             at < body.size() && body[at] != '-';) {
            const size_t nl = body.find('\n', at);
            const std::string line(body.substr(at, nl + 1 - at));
            check(server.service().downloadText(line.substr(0, 12)).find("- aps\n" + line) !=
                  std::string::npos);
            at = nl + 1;
        }
    }
    return 0;
}
