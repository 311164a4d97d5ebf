#include "server/http/framing.h"

namespace nearbeam {

namespace http = boost::beast::http;

bool framed(const http::request_header<>& head, bool chunked) {
    const size_t hosts = head.count(http::field::host);
    if (head.method() == http::verb::unknown || hosts > 1 || (head.version() >= 11 && hosts == 0))
        return false;
    // "Host: a, b" is two hosts in one line, which a proxy in front may read as either.
    if (hosts == 1 && head[http::field::host].find(',') != boost::beast::string_view::npos)
        return false;
    return head.count(http::field::transfer_encoding) == 0 ||
           (chunked && head.count(http::field::content_length) == 0);
}

bool servedMethod(const http::request_header<>& head) {
    const http::verb method = head.method();
    return method == http::verb::get || method == http::verb::head || method == http::verb::post;
}

void fromAbsoluteForm(HttpRequest& request) {
    const std::string& target = request.target;
    const size_t scheme = target.find("://");
    if (target.empty() || target[0] == '/' || scheme == std::string::npos)
        return;
    const size_t path = target.find_first_of("/?", scheme + 3);
    request.host = target.substr(scheme + 3, path - (scheme + 3));
    request.target = path == std::string::npos ? "/" : target.substr(path);
    if (request.target[0] == '?')
        request.target.insert(0, "/");
}

std::string endpointText(const boost::asio::ip::tcp::endpoint& endpoint) {
    const auto address = endpoint.address();
    if (address.is_v6())
        return "[" + address.to_string() + "]:" + std::to_string(endpoint.port());
    return address.to_string() + ":" + std::to_string(endpoint.port());
}

} // namespace nearbeam
