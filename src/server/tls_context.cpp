#include "server/tls_context.h"

#include <openssl/err.h>

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

} // namespace

bool loadTlsCertificate(boost::asio::ssl::context& context, const std::string& certFile,
                        const std::string& keyFile, std::string& error) {
    namespace ssl = boost::asio::ssl;
    boost::system::error_code ec;
    context.set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 |
                            ssl::context::no_sslv3 | ssl::context::no_tlsv1 |
                            ssl::context::no_tlsv1_1 | ssl::context::single_dh_use,
                        ec);
    ERR_clear_error();
    context.use_certificate_chain_file(certFile, ec);
    if (ec) {
        error = "cannot use the certificate " + certFile + ": " + openSslReason(ec);
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
