#include "server/http/reply_head.h"

#include "base/decimal_text.h"

#include <boost/beast/http.hpp>

namespace nearbeam {
namespace {

void appendField(std::string& out, std::string_view name, std::string_view value) {
    out += name;
    out += ": ";
    out += value;
    out += "\r\n";
}

} // namespace

void writeReplyHead(std::string& out, const HttpReply& reply, const ReplyFraming& framing) {
    namespace http = boost::beast::http;
    const unsigned status = static_cast<unsigned>(reply.status);
    out.assign(framing.version == 10 ? "HTTP/1.0 " : "HTTP/1.1 ");
    appendDecimal(out, status);
    out += ' ';
    const auto reason = http::obsolete_reason(http::int_to_status(status));
    out.append(reason.data(), reason.size());
    out += "\r\n";
    appendField(out, "Content-Type", reply.contentType);
    // A browser shown a reply takes it as the type it is said to be: a text that
    // echoes what it was asked is never read as a page.
    appendField(out, "X-Content-Type-Options", "nosniff");
    if (!reply.location.empty())
        appendField(out, "Location", reply.location);
    if (!reply.allow.empty())
        appendField(out, "Allow", reply.allow);
    if (reply.status == 429)
        appendField(out, "Retry-After", "1");
    for (const auto& [name, value] : reply.fields)
        appendField(out, name, value);
    if (framing.tls) // browsers that met HTTPS here keep to it for a year
        appendField(out, "Strict-Transport-Security", "max-age=31536000");
    // HTTP/1.1 stays open unless told, HTTP/1.0 closes unless told.
    if (framing.version == 10 && framing.keepAlive)
        appendField(out, "Connection", "keep-alive");
    else if (framing.version != 10 && !framing.keepAlive)
        appendField(out, "Connection", "close");
    out += "Content-Length: ";
    appendDecimal(out, reply.content().size());
    out += "\r\n\r\n";
}

} // namespace nearbeam
