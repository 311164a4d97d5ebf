#pragma once
// The HTTPS side's certificate and key, loaded into an OpenSSL context through
// Boost.Asio, with a one-line reason when they cannot be used.

#include <boost/asio/ssl/context.hpp>

#include <string>

namespace nearbeam {

// Loads a PEM certificate chain and its private key into `context`: TLS 1.2 with
// forward-secret AEAD suites only (ECDHE with AES-GCM or ChaCha20-Poly1305) in
// the server's order of preference, or TLS 1.3. False with the reason in `error`: a file that
// cannot be read or parsed, a key others than its owner may read or write, or a key that does
// not belong to the certificate ("key values mismatch").
bool loadTlsCertificate(boost::asio::ssl::context& context, const std::string& certFile,
                        const std::string& keyFile, std::string& error);

} // namespace nearbeam
