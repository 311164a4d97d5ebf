#pragma once
// The rules by which the HTTP server reads a request's frame, apart from any
// socket: whether it can tell where a request ends and whom it is for, the
// target in absolute form, and an endpoint as the text a request's host takes.

#include "server/routes.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/http/message.hpp>

#include <string>

namespace nearbeam {

// A request the server can frame and knows whom it is for: a method it knows, one
// Host naming one host (none only in HTTP/1.0), and a body framed by its length or by chunks
// alone (chunked: the parser reads the body as chunks). Anything else could be
// read differently by a proxy in front, and what follows on the connection
// smuggled past it.
bool framed(const boost::beast::http::request_header<>& head, bool chunked);

// Whether the server serves the request's method at all: GET, HEAD and POST
// (others are answered 405 with kServedMethods as Allow).
bool servedMethod(const boost::beast::http::request_header<>& head);
inline constexpr char kServedMethods[] = "GET, HEAD, POST";

// "http://host:port/path?query" as the origin form "/path?query", the host taken
// from it; any other target stays as it is.
void fromAbsoluteForm(HttpRequest& request);

// "address:port", an IPv6 address in brackets.
std::string endpointText(const boost::asio::ip::tcp::endpoint& endpoint);

} // namespace nearbeam
