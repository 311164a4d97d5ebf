#include "server/http_server.h"

#include "server/http_client.h"
#include "support/temp_dir.h"

#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <gtest/gtest.h>

#include <cstdlib>

namespace nearbeam::test {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;

// A self-signed certificate for 127.0.0.1 and its key, and a key of another.
struct Certificates {
    Certificates() {
        const std::string make =
            "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1"
            " -nodes -days 2 -subj /CN=127.0.0.1"
            " -addext subjectAltName=IP:127.0.0.1 -keyout ";
        made = std::system(
                   (make + dir.file("key.pem") + " -out " + dir.file("cert.pem") + " 2>/dev/null")
                       .c_str()) == 0 &&
               std::system((make + dir.file("other-key.pem") + " -out " +
                            dir.file("other-cert.pem") + " 2>/dev/null")
                               .c_str()) == 0;
        dir.write("junk.pem", "-----BEGIN CERTIFICATE-----\nnot one\n-----END CERTIFICATE-----\n");
    }
    TempDir dir;
    bool made = false;
};

HttpServer::Options tlsOptions(const TempDir& dir, const std::string& cert,
                               const std::string& key) {
    HttpServer::Options options;
    options.threads = 2;
    options.tlsCert = cert.empty() ? "" : dir.file(cert);
    options.tlsKey = key.empty() ? "" : dir.file(key);
    return options;
}

HttpReply hello(const HttpRequest& request) {
    return HttpReply{200, "text/plain", "hello " + request.target + "\n"};
}

TEST(HttpTls, RefusesCertificatesItCannotUseWithTheReason) {
    Certificates c;
    ASSERT_TRUE(c.made) << "openssl could not make a test certificate";
    const struct {
        const char* cert;
        const char* key;
        const char* reason;
    } cases[] = {
        {"missing.pem", "key.pem", "cannot use the certificate "},
        {"junk.pem", "key.pem", "cannot use the certificate "},
        {"cert.pem", "missing.pem", "cannot use the key "},
        {"cert.pem", "other-key.pem", "cannot use the key "},
        {"cert.pem", "", "--tls-cert and --tls-key go together"},
    };
    for (const auto& k : cases) {
        HttpServer server(tlsOptions(c.dir, k.cert, k.key), hello);
        std::string error;
        EXPECT_FALSE(server.open(error)) << k.cert << " " << k.key;
        EXPECT_NE(error.find(k.reason), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

TEST(HttpTls, ServesHttpsWithTheCertificate) {
    Certificates c;
    ASSERT_TRUE(c.made) << "openssl could not make a test certificate";
    HttpServer server(tlsOptions(c.dir, "cert.pem", "key.pem"), hello);
    std::string error;
    ASSERT_TRUE(server.open(error)) << error;
    server.start();

    asio::io_context ioc;
    asio::ssl::context context(asio::ssl::context::tls_client);
    context.load_verify_file(c.dir.file("cert.pem"));
    context.set_verify_mode(asio::ssl::verify_peer);
    context.set_verify_callback(asio::ssl::host_name_verification("127.0.0.1"));
    beast::ssl_stream<beast::tcp_stream> stream(ioc, context);
    beast::get_lowest_layer(stream).connect(
        asio::ip::tcp::endpoint(asio::ip::make_address("127.0.0.1"), server.port()));
    stream.handshake(asio::ssl::stream_base::client);
    http::request<http::empty_body> request(http::verb::get, "/secure", 10);
    http::write(stream, request);
    beast::flat_buffer buffer;
    http::response<http::string_body> response;
    http::read(stream, buffer, response);
    EXPECT_EQ(response.result_int(), 200u);
    EXPECT_EQ(response.body(), "hello /secure\n");

    // Plain HTTP on the HTTPS port gets no answer in the clear.
    EXPECT_EQ(exchange(server.port(), "GET /plain HTTP/1.0\r\n\r\n").find("hello"),
              std::string::npos);
}

} // namespace
} // namespace nearbeam::test
