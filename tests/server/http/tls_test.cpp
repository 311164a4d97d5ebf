#include "server/http/server.h"

#include "support/http_exchange.h"
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

// Self-signed certificates for 127.0.0.1 with their keys: NAME-cert.pem and
// NAME-key.pem, for "a" and "b"; and a certificate file that holds none.
struct Certificates {
    Certificates() {
        for (const char* name : {"a", "b"})
            made += std::system(("openssl req -x509 -newkey ec -pkeyopt "
                                 "ec_paramgen_curve:prime256v1 -nodes -days 2 -subj /CN=127.0.0.1"
                                 " -addext subjectAltName=IP:127.0.0.1 -keyout " +
                                 file(name, "key") + " -out " + file(name, "cert") + " 2>/dev/null")
                                    .c_str()) == 0;
        made += std::system(("cp " + file("a", "key") + " " + file("shared", "key") +
                             " && chmod 0640 " + file("shared", "key"))
                                .c_str()) == 0;
        dir.write("junk.pem", "-----BEGIN CERTIFICATE-----\nnot one\n-----END CERTIFICATE-----\n");
    }
    std::string file(const std::string& name, const char* kind) const {
        return name.empty() ? "" : dir.file(name + "-" + kind + ".pem");
    }
    TempDir dir;
    int made = 0;
};

HttpServer makeServer(const std::string& cert, const std::string& key) {
    HttpServer::Options options;
    options.threads = 2;
    options.tlsCert = cert;
    options.tlsKey = key;
    return HttpServer(options, [](const HttpRequest& request) {
        return HttpReply{200, "text/plain", "hello " + request.target + "\n"};
    });
}

TEST(HttpTls, RefusesCertificatesItCannotUseWithTheReason) {
    Certificates c;
    ASSERT_EQ(c.made, 3) << "openssl could not make test certificates";
    const struct {
        std::string cert;
        std::string key;
        const char* reason;
    } cases[] = {
        {c.file("missing", "cert"), c.file("a", "key"), "cannot use the certificate "},
        {c.dir.file("junk.pem"), c.file("a", "key"), "cannot use the certificate "},
        {c.file("a", "cert"), c.file("missing", "key"), "cannot use the key "},
        {c.file("a", "cert"), c.file("b", "key"), "cannot use the key "}, // not its key
        {c.file("a", "cert"), "", "--tls-cert and --tls-key go together"},
        {c.file("a", "cert"), c.file("shared", "key"), "the key "}, // group may read it
    };
    for (const auto& k : cases) {
        HttpServer server = makeServer(k.cert, k.key);
        std::string error;
        EXPECT_FALSE(server.open(error)) << k.cert << " " << k.key;
        EXPECT_EQ(error.find(k.reason), 0u) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

TEST(HttpTls, ServesHttpsWithTheCertificate) {
    Certificates c;
    ASSERT_EQ(c.made, 3) << "openssl could not make test certificates";
    HttpServer server = makeServer(c.file("a", "cert"), c.file("a", "key"));
    std::string error;
    ASSERT_TRUE(server.open(error)) << error;
    server.start();

    asio::io_context ioc;
    asio::ssl::context context(asio::ssl::context::tls_client);
    context.load_verify_file(c.file("a", "cert"));
    context.set_verify_mode(asio::ssl::verify_peer);
    context.set_verify_callback(asio::ssl::host_name_verification("127.0.0.1"));
    beast::ssl_stream<beast::tcp_stream> stream(ioc, context);
    beast::get_lowest_layer(stream).connect({asio::ip::make_address("127.0.0.1"), server.port()});
    stream.handshake(asio::ssl::stream_base::client);
    http::write(stream, http::request<http::empty_body>(http::verb::get, "/secure", 10));
    beast::flat_buffer buffer;
    http::response<http::string_body> response;
    http::read(stream, buffer, response);
    EXPECT_EQ(response.result_int(), 200u);
    EXPECT_EQ(response.body(), "hello /secure\n");
    EXPECT_EQ(response[http::field::strict_transport_security], "max-age=31536000");
    EXPECT_EQ(response["X-Content-Type-Options"], "nosniff");

    // Plain HTTP on the HTTPS port gets no answer in the clear.
    EXPECT_EQ(exchange(server.port(), "GET /plain HTTP/1.0\r\n\r\n").find("hello"),
              std::string::npos);
}

// TLS 1.2 only with forward-secret AEAD suites, chosen in the server's order; TLS
// 1.3 as OpenSSL offers it; nothing older.
TEST(HttpTls, OffersOnlyForwardSecretAeadSuitesInItsOwnOrder) {
    Certificates c;
    ASSERT_EQ(c.made, 3) << "openssl could not make test certificates";
    HttpServer server = makeServer(c.file("a", "cert"), c.file("a", "key"));
    std::string error;
    ASSERT_TRUE(server.open(error)) << error;
    server.start();
    struct Case {
        int version;         // the only one the client speaks
        const char* offered; // TLS 1.2 suites, in the client's order
        const char* chosen;  // empty: no handshake
    };
    const Case cases[] = {
        {TLS1_2_VERSION, "ECDHE-ECDSA-AES128-GCM-SHA256", "ECDHE-ECDSA-AES128-GCM-SHA256"},
        {TLS1_2_VERSION, "ECDHE-ECDSA-CHACHA20-POLY1305", "ECDHE-ECDSA-CHACHA20-POLY1305"},
        {TLS1_2_VERSION, "ECDHE-ECDSA-CHACHA20-POLY1305:ECDHE-ECDSA-AES256-GCM-SHA384",
         "ECDHE-ECDSA-AES256-GCM-SHA384"},
        {TLS1_2_VERSION, "ECDHE-ECDSA-AES128-SHA256:ECDHE-ECDSA-AES256-SHA", ""}, // CBC
        {TLS1_1_VERSION, "DEFAULT:@SECLEVEL=0", ""},
        {TLS1_3_VERSION, "DEFAULT", "TLS_AES_256_GCM_SHA384"},
    };
    for (const Case& k : cases) {
        asio::io_context ioc;
        asio::ssl::context context(asio::ssl::context::tls_client);
        SSL_CTX_set_min_proto_version(context.native_handle(), k.version);
        SSL_CTX_set_max_proto_version(context.native_handle(), k.version);
        SSL_CTX_set_cipher_list(context.native_handle(), k.offered);
        beast::ssl_stream<beast::tcp_stream> stream(ioc, context);
        beast::get_lowest_layer(stream).connect(
            {asio::ip::make_address("127.0.0.1"), server.port()});
        beast::error_code ec;
        stream.handshake(asio::ssl::stream_base::client, ec);
        EXPECT_EQ(ec ? "" : SSL_get_cipher_name(stream.native_handle()), std::string(k.chosen))
            << k.offered;
    }
}

} // namespace
} // namespace nearbeam::test
