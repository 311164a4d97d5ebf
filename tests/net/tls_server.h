#pragma once
// A one-reply HTTPS server on a loopback port, for the native transport's TLS
// tests: it makes its own self-signed certificate for 127.0.0.1 with the openssl
// command, answers every request with the same reply, and keeps the last request.

#include "net/socket.h"
#include "support/temp_dir.h"

#include <openssl/ssl.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace nearbeam::test {

class TlsServer {
  public:
    explicit TlsServer(std::string reply) : reply_(std::move(reply)) {
        const std::string command =
            "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 "
            "-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout '" +
            dir_.file("key.pem") + "' -out '" + certificate() + "' 2>/dev/null";
        context_ = SSL_CTX_new(TLS_server_method());
        if (std::system(command.c_str()) != 0 ||
            SSL_CTX_use_certificate_file(context_, certificate().c_str(), SSL_FILETYPE_PEM) != 1 ||
            SSL_CTX_use_PrivateKey_file(context_, dir_.file("key.pem").c_str(), SSL_FILETYPE_PEM) !=
                1)
            return;
        listener_ = net::listenOnLoopback(0, port_);
        if (listener_.valid())
            thread_ = std::thread([this] { serve(); });
    }
    ~TlsServer() {
        stopping_ = true;
        if (thread_.joinable())
            thread_.join();
        SSL_CTX_free(context_);
    }

    bool running() const { return thread_.joinable(); }
    uint16_t port() const { return port_; }
    // The certificate, which is its own authority.
    std::string certificate() const { return dir_.file("cert.pem"); }
    std::string lastRequest() {
        std::lock_guard<std::mutex> lock(mutex_);
        return request_;
    }

  private:
    void serve() {
        while (!stopping_) {
            net::Socket client;
            if (net::acceptFrom(listener_, client, 50) != net::IoResult::Ok)
                continue;
            SSL* ssl = SSL_new(context_);
            SSL_set_fd(ssl, static_cast<int>(client.handle()));
            // A client that refuses the certificate ends the handshake here.
            if (SSL_accept(ssl) == 1) {
                std::string request;
                char buffer[4096];
                int got = 0;
                while (request.find("\r\n\r\n") == std::string::npos &&
                       (got = SSL_read(ssl, buffer, sizeof buffer)) > 0)
                    request.append(buffer, static_cast<size_t>(got));
                if (!request.empty()) {
                    std::lock_guard<std::mutex> lock(mutex_);
                    request_ = request;
                }
                SSL_write(ssl, reply_.data(), static_cast<int>(reply_.size()));
                SSL_shutdown(ssl);
            }
            SSL_free(ssl);
        }
    }

    TempDir dir_;
    std::string reply_;
    SSL_CTX* context_ = nullptr;
    net::Socket listener_;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::string request_;
    std::thread thread_;
};

} // namespace nearbeam::test
