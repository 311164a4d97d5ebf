#pragma once
// "openssl s_server" on a loopback port, for the native transport's TLS tests: a
// self-signed certificate for 127.0.0.1 made here, and a status page for every
// request.

#include "support/temp_dir.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace nearbeam::test {

class TlsServer {
  public:
    TlsServer() {
        // The server's output goes to a file, where it names the port it took.
        const std::string start =
            "cd '" + dir_.path().string() +
            "' && openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes "
            "-days 2 -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout key.pem "
            "-out cert.pem 2>/dev/null && { openssl s_server -www -accept 127.0.0.1:0 -cert "
            "cert.pem -key key.pem >said.txt 2>&1 & echo $!; }";
        if (FILE* shell = popen(start.c_str(), "r")) {
            if (std::fscanf(shell, "%d", &pid_) != 1)
                pid_ = 0;
            pclose(shell);
        }
        for (int i = 0; pid_ > 0 && port_ == 0 && i < 600; ++i) { // at most half a minute
            usleep(50000);
            const std::string said = dir_.read("said.txt");
            const size_t at = said.find("ACCEPT 127.0.0.1:");
            if (at != std::string::npos)
                port_ = static_cast<uint16_t>(std::atoi(said.c_str() + at + 17));
        }
    }
    // The server was the shell's child: once ended, it is reaped without us.
    ~TlsServer() {
        if (pid_ > 0)
            kill(pid_, SIGTERM);
    }

    uint16_t port() const { return port_; }
    // The certificate, which is its own authority.
    std::string certificate() const { return dir_.file("cert.pem"); }

  private:
    TempDir dir_;
    pid_t pid_ = 0;
    uint16_t port_ = 0;
};

} // namespace nearbeam::test
