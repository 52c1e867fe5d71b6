// A terv-central executable started as a child process on a free loopback port ("--port 0" comes
// before the given arguments), its standard output and error on pipes, for tests that need a
// process of its own (signals, exit codes, what it prints).
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace terv::central::test {

class ChildServer {
  public:
    explicit ChildServer(std::vector<std::string> args) {
        int out[2], err[2];
        EXPECT_EQ(pipe(out), 0);
        EXPECT_EQ(pipe(err), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, err[0]);
        args.insert(args.begin(), {TERV_CENTRAL_EXE, "--port", "0"});
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        EXPECT_EQ(posix_spawn(&pid_, TERV_CENTRAL_EXE, &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~ChildServer() {
        Kill();
        WaitExit(60);
        close(out_);
        close(err_);
    }
    ChildServer(const ChildServer&) = delete;
    ChildServer& operator=(const ChildServer&) = delete;

    // The next line of standard output; empty after 60 s or at its end.
    std::string ReadLine() {
        while (out_buffer_.find('\n') == std::string::npos) {
            pollfd p{out_, POLLIN, 0};
            char buf[256];
            ssize_t n = 0;
            if (poll(&p, 1, 60000) <= 0 || (n = read(out_, buf, sizeof buf)) <= 0)
                return "";
            out_buffer_.append(buf, static_cast<size_t>(n));
        }
        const size_t nl = out_buffer_.find('\n');
        std::string line = out_buffer_.substr(0, nl);
        out_buffer_.erase(0, nl + 1);
        return line;
    }
    // Everything left on standard output or error, up to its end (call after the exit).
    std::string ReadAll(bool from_error) {
        std::string all = from_error ? "" : out_buffer_;
        char buf[4096];
        for (ssize_t n; (n = read(from_error ? err_ : out_, buf, sizeof buf)) > 0;)
            all.append(buf, static_cast<size_t>(n));
        return all;
    }
    // The port of "listening on PORT", the next output line; 0 when it does not come.
    int Port() {
        const std::string line = ReadLine(), prefix = "listening on ";
        return line.rfind(prefix, 0) == 0 ? std::stoi(line.substr(prefix.size())) : 0;
    }
    pid_t pid() const { return pid_; }
    // Ends the process at once, as a crash would.
    void Kill() {
        if (pid_ > 0 && status_ < 0)
            kill(pid_, SIGKILL);
    }

    // The exit code when the process ends within `seconds` (1000 when a signal ended it), else -1.
    int WaitExit(int seconds) {
        for (int i = 0; pid_ > 0 && status_ < 0 && i < seconds * 20; ++i) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_)
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 1000;
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return status_;
    }
    // SIGTERM; true when the process then ends by itself within 20 s with status 0.
    bool Stop() {
        if (pid_ > 0 && status_ < 0)
            kill(pid_, SIGTERM);
        return WaitExit(20) == 0;
    }

  private:
    pid_t pid_ = -1;
    int out_ = -1, err_ = -1;
    int status_ = -1;
    std::string out_buffer_;
};

}  // namespace terv::central::test
