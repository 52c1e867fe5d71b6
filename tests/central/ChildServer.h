// A terv-central executable started as a child process on a free loopback port, for tests that
// need a process of its own (signals).
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
        int out[2];
        EXPECT_EQ(pipe(out), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        args.insert(args.begin(), {TERV_CENTRAL_EXE, "--port", "0"});
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        EXPECT_EQ(posix_spawn(&pid_, TERV_CENTRAL_EXE, &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        out_ = out[0];
    }
    ~ChildServer() {
        if (pid_ > 0 && !ended_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(out_);
    }

    // The port of "listening on PORT", the first line of the output; 0 when it does not come.
    int Port() {
        std::string line;
        char c = 0;
        pollfd p{out_, POLLIN, 0};
        while (line.size() < 100 && poll(&p, 1, 60000) > 0 && read(out_, &c, 1) == 1 && c != '\n')
            line.push_back(c);
        const std::string prefix = "listening on ";
        return line.rfind(prefix, 0) == 0 ? std::stoi(line.substr(prefix.size())) : 0;
    }
    pid_t pid() const { return pid_; }

    // The exit code when the process ends within `seconds`, else -1.
    int WaitExit(int seconds) {
        for (int i = 0; i < seconds * 20; ++i) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                ended_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 1000;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return -1;
    }

  private:
    pid_t pid_ = -1;
    int out_ = -1;
    bool ended_ = false;
};

}  // namespace terv::central::test
