#pragma once
// The real nearbeam-server as a child process, for the tests that treat it as
// operators and the program do: started with options, its port read from what it
// prints, stopped by a signal, or run to the end for a subcommand.

#include "support/temp_dir.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace nearbeam::test {

// Starts the program with args, its standard input from a pipe holding `input`
// and its output (standard output and error) to the file `output`.
inline pid_t spawnServer(const std::vector<std::string>& args, const std::string& output,
                         const std::string& input = {}) {
    int in[2];
    if (pipe(in) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], STDIN_FILENO);
        close(in[0]);
        close(in[1]);
        FILE* out = std::fopen(output.c_str(), "w");
        if (out) {
            dup2(fileno(out), STDOUT_FILENO);
            dup2(fileno(out), STDERR_FILENO);
        }
        std::vector<char*> argv{const_cast<char*>(NEARBEAM_SERVER_PROGRAM)};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    // A child that ended early reads nothing; its status tells.
    const ssize_t written = input.empty() ? 0 : write(in[1], input.data(), input.size());
    (void)written;
    close(in[1]);
    return pid;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Finished {
    int status = -1; // the exit status, or -1 when it did not exit
    std::string output;
};

// Runs a subcommand ("user", "add", "ann") to its end.
inline Finished runServer(const std::vector<std::string>& args, const std::string& input = {}) {
    TempDir scratch;
    const std::string output = scratch.file("output");
    const pid_t pid = spawnServer(args, output, input);
    int status = 0;
    waitpid(pid, &status, 0);
    return Finished{WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(output)};
}

class ServerProcess {
  public:
    explicit ServerProcess(const std::vector<std::string>& args) {
        pid_ = spawnServer(args, scratch_.file("output"));
        for (int i = 0; i < 200 && port_ == 0; ++i) {
            const std::string out = output();
            const size_t at = out.find("\nport ");
            if (at != std::string::npos && out.find('\n', at + 1) != std::string::npos)
                port_ = static_cast<uint16_t>(std::stoi(out.substr(at + 6)));
            else if (waitpid(pid_, nullptr, WNOHANG) == pid_)
                break;
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~ServerProcess() {
        if (pid_ > 0 && !ended_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // 0 when it did not start to listen (the output says why).
    uint16_t port() const { return port_; }
    std::string output() const { return readFile(scratch_.file("output")); }

    // Sends a signal and waits for the end; the exit status, -1 when it was killed.
    int stop(int signal) {
        kill(pid_, signal);
        int status = 0;
        waitpid(pid_, &status, 0);
        ended_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    TempDir scratch_;
    pid_t pid_ = -1;
    uint16_t port_ = 0;
    bool ended_ = false;
};

} // namespace nearbeam::test
