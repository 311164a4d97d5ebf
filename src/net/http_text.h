#pragma once
// Small pieces of HTTP text handling for the location server and its fixtures:
// the head of a request or a reply.

#include <cstdint>
#include <string>
#include <string_view>

namespace nearbeam::http {

// The end of the head (the offset just past its blank line) in the bytes so far, or
// npos while it is incomplete. A blank line may be CR LF or a lone LF.
size_t headEnd(std::string_view bytes);

// The value of a header in a head (name compared without regard to case), or none.
bool headerValue(std::string_view head, std::string_view name, std::string& value);

// The status code of a response head ("HTTP/1.x NNN ..."), or -1 when malformed.
int statusCode(std::string_view head);

// A Content-Length value, or -1 when absent or not a plain decimal number.
int64_t contentLength(std::string_view head);

} // namespace nearbeam::http
