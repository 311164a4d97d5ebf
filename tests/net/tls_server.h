#pragma once
// "openssl s_server" on a loopback port, for the native transport's TLS tests: a
// self-signed certificate for 127.0.0.1 made here, and a status page for every
// request.

#include "support/temp_dir.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace nearbeam::test {

class TlsServer {
  public:
    TlsServer() {
        const std::string key = dir_.file("key.pem");
        const std::string made =
            "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 "
            "-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout '" +
            key + "' -out '" + certificate() + "' 2>/dev/null";
        if (std::system(made.c_str()) != 0)
            return;
        // Its output goes to a file, where it names the port it took:
        // "ACCEPT 127.0.0.1:PORT".
        const std::string said = dir_.file("said.txt");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, said.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const std::string cert = certificate();
        const char* argv[] = {"openssl", "s_server",   "-www", "-accept",   "127.0.0.1:0",
                              "-cert",   cert.c_str(), "-key", key.c_str(), nullptr};
        const bool spawned = posix_spawnp(&pid_, "openssl", &actions, nullptr,
                                          const_cast<char* const*>(argv), environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        unsigned port = 0;
        for (int i = 0; spawned && port == 0 && i < 100; ++i) {
            usleep(50000);
            const std::string text = dir_.read("said.txt");
            const size_t at = text.find("ACCEPT 127.0.0.1:");
            if (at != std::string::npos)
                port = static_cast<unsigned>(std::atoi(text.c_str() + at + 17));
        }
        port_ = static_cast<uint16_t>(port);
    }
    ~TlsServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
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
