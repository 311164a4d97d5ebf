#pragma once
// The real nearbeam-server as a child process, as operators and the program meet
// it: started with options (its port read from what it prints), stopped by a
// signal, or run to the end of a subcommand.

#include "support/temp_dir.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace nearbeam::test {

class ServerProcess {
  public:
    // Starts the program with args and `input` on its standard input; with
    // `listens`, waits until it prints its port.
    explicit ServerProcess(const std::vector<std::string>& args, const std::string& input = {},
                           bool listens = true) {
        int in[2];
        if (pipe(in) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], STDIN_FILENO);
            close(in[1]);
            FILE* out = std::fopen(dir_.file("output").c_str(), "w");
            dup2(fileno(out), STDOUT_FILENO);
            dup2(fileno(out), STDERR_FILENO);
            std::vector<char*> argv{const_cast<char*>(NEARBEAM_SERVER_PROGRAM)};
            for (const std::string& arg : args)
                argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(in[0]);
        const ssize_t written = write(in[1], input.data(), input.size());
        (void)written; // a child that ended early reads nothing; its status tells
        close(in[1]);
        // Until it names its port or ends, within a bound only a stuck start reaches.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (listens && port_ == 0 && !ended() && std::chrono::steady_clock::now() < until) {
            const std::string out = output();
            const size_t at = out.find("\nport ");
            if (at != std::string::npos && out.find('\n', at + 1) != std::string::npos)
                port_ = static_cast<uint16_t>(std::stoi(out.substr(at + 6)));
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~ServerProcess() {
        if (status_ == kRunning)
            stop(SIGKILL);
    }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // 0 when it did not start to listen (the output says why).
    uint16_t port() const { return port_; }
    std::string output() const { return dir_.read("output"); }
    pid_t pid() const { return pid_; }

    // Sends a signal (none: waits for the end); the exit status, -1 when killed.
    int stop(int signal = 0) {
        if (signal != 0)
            kill(pid_, signal);
        int status = 0;
        if (status_ == kRunning && waitpid(pid_, &status, 0) == pid_)
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return status_;
    }

  private:
    static constexpr int kRunning = -2;
    bool ended() {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) != pid_)
            return false;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return true;
    }

    TempDir dir_;
    pid_t pid_ = -1;
    uint16_t port_ = 0;
    int status_ = kRunning;
};

struct Finished {
    int status;
    std::string output;
};

// Runs a subcommand ("user", "add", "ann", ...) to its end.
inline Finished runServer(const std::vector<std::string>& args, const std::string& input = {}) {
    ServerProcess run(args, input, false);
    const int status = run.stop();
    return Finished{status, run.output()};
}

} // namespace nearbeam::test
