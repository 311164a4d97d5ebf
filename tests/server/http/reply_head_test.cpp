#include "server/http/reply_head.h"

#include <boost/beast/http.hpp>

#include <gtest/gtest.h>

#include <sstream>

namespace nearbeam::test {
namespace {

namespace http = boost::beast::http;

// The reply as Beast's own serializer writes it from a message of the same fields,
// the way the server built its replies before it wrote their heads itself:
// clients and tests have seen these bytes.
std::string beastReply(const HttpReply& reply, const ReplyFraming& framing) {
    http::response<http::string_body> message;
    message.version(framing.version);
    message.result(static_cast<unsigned>(reply.status));
    message.set(http::field::content_type, reply.contentType);
    message.set("X-Content-Type-Options", "nosniff");
    if (!reply.location.empty())
        message.set(http::field::location, reply.location);
    if (!reply.allow.empty())
        message.set(http::field::allow, reply.allow);
    if (reply.status == 429)
        message.set(http::field::retry_after, "1");
    if (framing.tls)
        message.set(http::field::strict_transport_security, "max-age=31536000");
    message.body() = std::string(reply.content());
    message.keep_alive(framing.keepAlive);
    message.prepare_payload();
    std::ostringstream out;
    out << message;
    return out.str();
}

TEST(ReplyHead, TheBytesBeastWroteForEveryStatusVersionAndConnection) {
    HttpReply redirect{302, "text/plain", "See the map.\n"};
    redirect.location = "https://maps.example/?q=Street%201";
    HttpReply notAllowed{405, "text/plain", "Use GET.\n"};
    notAllowed.allow = "GET, HEAD";
    HttpReply kept;
    kept.sharedBody = std::make_shared<const std::string>("- countries\n- end\n");
    const HttpReply replies[] = {
        {200, "text/plain", "- end\n"},
        {200, "text/html", ""},
        redirect,
        kept,
        {400, "text/plain", "Bad request.\n"},
        {404, "text/plain", "Not found.\n"},
        notAllowed,
        {413, "text/plain", "Too large.\n"},
        {429, "text/plain", "Too many requests; try again in a second.\n"},
        {500, "text/plain", "Internal error.\n"},
        {503, "text/plain", "The storage does not answer.\n"},
        {599, "text/plain", "A status without a name.\n"},
    };
    std::string head = "left from the last reply";
    for (const HttpReply& reply : replies) {
        for (unsigned version : {10u, 11u}) {
            for (bool keepAlive : {false, true}) {
                for (bool tls : {false, true}) {
                    const ReplyFraming framing{version, keepAlive, tls};
                    writeReplyHead(head, reply, framing);
                    EXPECT_EQ(head + std::string(reply.content()), beastReply(reply, framing))
                        << reply.status << " HTTP/" << version << " keep-alive " << keepAlive
                        << " tls " << tls;
                }
            }
        }
    }
}

} // namespace
} // namespace nearbeam::test
