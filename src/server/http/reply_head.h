#pragma once
// The head of a reply as the HTTP server sends it: the status line, the reply's
// type, its redirect, retry and allowed methods' fields, HSTS over HTTPS, whether the connection
// stays open, and the body's length, written into a buffer the connection keeps
// so that a reply costs no allocation once the buffer has grown.

#include "server/routes.h"

#include <string>

namespace nearbeam {

struct ReplyFraming {
    unsigned version = 11; // the request's: 10 or 11
    bool keepAlive = true; // the connection stays open after the reply
    bool tls = false;      // sent over HTTPS
};

// Replaces out's contents with the head, up to and with the empty line.
void writeReplyHead(std::string& out, const HttpReply& reply, const ReplyFraming& framing);

} // namespace nearbeam
