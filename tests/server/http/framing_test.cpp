#include "server/http/framing.h"

#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>

#include <gtest/gtest.h>

namespace nearbeam::test {
namespace {

namespace http = boost::beast::http;

// Whether the server answers a request with this head rather than 400: Beast
// parses it, then the framing rule judges it, as a connection does.
bool answered(const std::string& head) {
    http::request_parser<http::string_body> parser;
    parser.eager(false);
    boost::beast::error_code ec;
    parser.put(boost::asio::buffer(head), ec);
    return !ec && parser.is_header_done() && framed(parser.get(), parser.chunked());
}

TEST(Framing, AnswersOnlyRequestsWithOneHostAndOneBodyLength) {
    const struct {
        const char* head;
        bool answered;
    } cases[] = {
        {"GET / HTTP/1.1\r\nHost: a\r\n\r\n", true},
        {"GET / HTTP/1.0\r\n\r\n", true}, // no Host before HTTP/1.1
        {"GET / HTTP/1.1\r\n\r\n", false},
        {"GET / HTTP/1.1\r\nHost: a\r\nHost: b\r\n\r\n", false},
        {"GET / HTTP/1.0\r\nHost: a\r\nHost: a\r\n\r\n", false},
        {"GET / HTTP/1.1\r\nHost: a, b\r\n\r\n", false}, // two hosts in one line
        {"GET / HTTP/1.0\r\nHost: a,\r\n\r\n", false},
        {"BREW / HTTP/1.1\r\nHost: a\r\n\r\n", false}, // a method it does not know
        {"POST /u HTTP/1.1\r\nHost: a\r\nContent-Length: 5\r\n\r\n", true},
        {"POST /u HTTP/1.1\r\nHost: a\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\n", false},
        {"POST /u HTTP/1.1\r\nHost: a\r\nContent-Length: -1\r\n\r\n", false},
        {"POST /u HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\n\r\n", true},
        {"POST /u HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: gzip, chunked\r\n\r\n", true},
        {"POST /u HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked, gzip\r\n\r\n", false},
        {"POST /u HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: gzip\r\n\r\n", false},
        {"POST /u HTTP/1.1\r\nHost: a\r\nContent-Length: 5\r\nTransfer-Encoding: chunked\r\n\r\n",
         false},
        {"POST /u HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\nContent-Length: 5\r\n\r\n",
         false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(answered(c.head), c.answered) << c.head;
}

TEST(Framing, TakesTheHostFromAnAbsoluteFormTarget) {
    const struct {
        const char* target;
        const char* host; // after
        const char* origin;
    } cases[] = {
        {"/ap?bssid=1", "local:80", "/ap?bssid=1"},
        {"http://example.org:8080/ap?bssid=1", "example.org:8080", "/ap?bssid=1"},
        {"https://[2001:db8::1]:443/x/y", "[2001:db8::1]:443", "/x/y"},
        {"http://example.org", "example.org", "/"},
        {"http://example.org?q=1", "example.org", "/?q=1"},
        {"/go?to=http://elsewhere/", "local:80", "/go?to=http://elsewhere/"},
        {"*", "local:80", "*"},
        {"", "local:80", ""},
    };
    for (const auto& c : cases) {
        HttpRequest request;
        request.target = c.target;
        request.host = "local:80";
        fromAbsoluteForm(request);
        EXPECT_EQ(request.host, c.host) << c.target;
        EXPECT_EQ(request.target, c.origin) << c.target;
    }
}

TEST(Framing, WritesEndpointsAsHostsAreWritten) {
    using boost::asio::ip::make_address;
    using boost::asio::ip::tcp;
    EXPECT_EQ(endpointText(tcp::endpoint(make_address("127.0.0.1"), 8080)), "127.0.0.1:8080");
    EXPECT_EQ(endpointText(tcp::endpoint(make_address("::1"), 443)), "[::1]:443");
    EXPECT_EQ(endpointText(tcp::endpoint(make_address("::ffff:10.0.0.1"), 1)),
              "[::ffff:10.0.0.1]:1");
}

} // namespace
} // namespace nearbeam::test
