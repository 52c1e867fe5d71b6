// terv-central as a child process of a benchmark: started on a free loopback port with its
// database, output and errors in a folder, and stopped with SIGTERM.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace bench {

struct Server {
    pid_t pid = -1;
    std::string base;  // the gateway's address, "http://127.0.0.1:<port>/terv/"
};

// Starts `exe` with "--port 0 --db <dir>/central.db" and `args`, its output in central.out and
// central.err of `dir`, and waits up to `waitSeconds` for its "listening on" line; pid -1 when
// it does not come up.
inline Server StartServer(const char* exe, const std::filesystem::path& dir,
                          const std::vector<std::string>& args, int waitSeconds) {
    Server s;
    const std::string out = (dir / "central.out").string();
    const std::string db = (dir / "central.db").string();
    std::filesystem::remove(out);  // the line of an earlier start must not be taken for this one
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (!std::freopen(out.c_str(), "w", stdout) ||
            !std::freopen((dir / "central.err").c_str(), "w", stderr))
            _exit(126);
        std::vector<std::string> all = {"terv-central", "--port", "0", "--db", db};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(exe, argv.data());
        _exit(127);
    }
    if (pid < 0)
        return s;
    for (int i = 0; i < waitSeconds * 20; ++i) {
        std::ifstream in(out);
        std::string line;
        if (std::getline(in, line) && line.rfind("listening on ", 0) == 0 && !in.eof()) {
            s.pid = pid;
            s.base = "http://127.0.0.1:" + line.substr(13) + "/terv/";
            return s;
        }
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return s;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return s;
}

inline void StopServer(const Server& s) {
    if (s.pid <= 0)
        return;
    kill(s.pid, SIGTERM);
    waitpid(s.pid, nullptr, 0);
}

}  // namespace bench
