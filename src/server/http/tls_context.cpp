#include "server/http/tls_context.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <sys/stat.h>

namespace nearbeam {
namespace {

// OpenSSL's own reason for the last failure (the error code's message is often
// only "asn1 encoding routines").
std::string openSslReason(const boost::system::error_code& ec) {
    const unsigned long code = ERR_peek_last_error();
    ERR_clear_error();
    if (code == 0)
        return ec.message();
    const char* reason = ERR_reason_error_string(code);
    return reason ? reason : ec.message();
}

const char kTls12Suites[] = "ECDHE-ECDSA-AES128-GCM-SHA256:ECDHE-RSA-AES128-GCM-SHA256:"
                            "ECDHE-ECDSA-AES256-GCM-SHA384:ECDHE-RSA-AES256-GCM-SHA384:"
                            "ECDHE-ECDSA-CHACHA20-POLY1305:ECDHE-RSA-CHACHA20-POLY1305";

} // namespace

bool loadTlsCertificate(boost::asio::ssl::context& context, const std::string& certFile,
                        const std::string& keyFile, std::string& error) {
    namespace ssl = boost::asio::ssl;
    boost::system::error_code ec;
    context.set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 |
                            ssl::context::no_sslv3 | ssl::context::no_tlsv1 |
                            ssl::context::no_tlsv1_1 | ssl::context::single_dh_use,
                        ec);
    SSL_CTX* ctx = context.native_handle();
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    // Our order of suites, not the client's; no renegotiation a client could ask
    // for again and again.
    SSL_CTX_set_options(ctx, SSL_OP_CIPHER_SERVER_PREFERENCE | SSL_OP_NO_RENEGOTIATION |
                                 SSL_OP_NO_COMPRESSION);
    // TLS 1.2: only key exchanges with forward secrecy and authenticated
    // encryption; TLS 1.3's suites are all such, and stay as OpenSSL offers them.
    if (SSL_CTX_set_cipher_list(ctx, kTls12Suites) != 1) {
        error = "cannot set the TLS suites: " + openSslReason(ec);
        return false;
    }
    ERR_clear_error();
    context.use_certificate_chain_file(certFile, ec);
    if (ec) {
        error = "cannot use the certificate " + certFile + ": " + openSslReason(ec);
        return false;
    }
    // A key others may read is no longer the server's alone to prove who it is.
    struct stat status {};
    if (stat(keyFile.c_str(), &status) == 0 && (status.st_mode & 0077) != 0) {
        error = "the key " + keyFile + " may be read by others than its owner; make it mode 0600";
        return false;
    }
    context.use_private_key_file(keyFile, ssl::context::pem, ec);
    if (ec) {
        error = "cannot use the key " + keyFile + ": " + openSslReason(ec);
        return false;
    }
    return true;
}

} // namespace nearbeam
