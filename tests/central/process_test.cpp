// The terv-central executable: first output line, demo credentials, clean stop on SIGTERM and
// SIGINT, refusal of bad arguments.
#include <gtest/gtest.h>
#include <httplib.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "TestSupport.h"

extern char** environ;

namespace {

// A running terv-central with its standard output and error on pipes.
class Process {
  public:
    explicit Process(std::vector<std::string> args) {
        int out[2], err[2];
        EXPECT_EQ(pipe(out), 0);
        EXPECT_EQ(pipe(err), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, err[0]);
        args.insert(args.begin(), TERV_CENTRAL_EXE);
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
    ~Process() {
        if (pid_ > 0 && status_ < 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(out_);
        close(err_);
    }

    // The next line of standard output; empty after 60 s or at its end.
    std::string ReadLine() { return ReadLineFrom(out_, &out_buffer_); }
    std::string ReadAll(bool from_error) {
        std::string all = from_error ? err_buffer_ : out_buffer_;
        char buf[4096];
        ssize_t n;
        while ((n = read(from_error ? err_ : out_, buf, sizeof buf)) > 0)
            all.append(buf, n);
        return all;
    }
    // Exit code after the process ended (1000 when it did not end normally).
    int Wait() {
        int status = 0;
        waitpid(pid_, &status, 0);
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 1000;
        return status_;
    }
    pid_t pid() const { return pid_; }

  private:
    static std::string ReadLineFrom(int fd, std::string* buffer) {
        while (buffer->find('\n') == std::string::npos) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 60000) <= 0)
                return "";
            char buf[256];
            const ssize_t n = read(fd, buf, sizeof buf);
            if (n <= 0)
                return "";
            buffer->append(buf, static_cast<size_t>(n));
        }
        const size_t nl = buffer->find('\n');
        std::string line = buffer->substr(0, nl);
        buffer->erase(0, nl + 1);
        return line;
    }

    pid_t pid_ = -1;
    int out_ = -1, err_ = -1;
    int status_ = -1;
    std::string out_buffer_, err_buffer_;
};

int PortOf(const std::string& line) {
    const std::string prefix = "listening on ";
    if (line.compare(0, prefix.size(), prefix) != 0)
        return 0;
    return std::stoi(line.substr(prefix.size()));
}

TEST(ProcessTest, PrintsThePortAndTheDemoUserThenStopsOnSigterm) {
    terv::test::TempFolder folder;
    Process p({"--port", "0", "--db", folder / "central.db", "--demo", "30"});
    const int port = PortOf(p.ReadLine());
    ASSERT_GT(port, 0);
    EXPECT_EQ(p.ReadLine(), "demo user: DEMO password: demo");
    httplib::Client cli("127.0.0.1", port);
    auto res = cli.Get("/terv/kovJsSDO");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, "TERVCATASTO\n<client>TERV Demo</client>\n");
    kill(p.pid(), SIGTERM);
    EXPECT_EQ(p.Wait(), 0);
    EXPECT_EQ(p.ReadAll(false), "stopped\n");
}

TEST(ProcessTest, StopsOnSigintWithAClientConnectedAndKeepsTheData) {
    terv::test::TempFolder folder;
    {
        Process p({"--port", "0", "--db", folder / "central.db", "--mode", "plain", "--demo"});
        const int port = PortOf(p.ReadLine());
        ASSERT_GT(port, 0);
        httplib::Client cli("127.0.0.1", port);
        cli.set_keep_alive(true);
        auto res =
            cli.Post("/terv/kovJsSQL?function=execute",
                     R"J({"user":"DEMO","sql":"INSERT INTO PALM_NORME VALUES ('099','x')"})J",
                     "application/json");
        ASSERT_TRUE(res);
        EXPECT_EQ(res->body, "E\tOK\t1\n");
        kill(p.pid(), SIGINT);
        EXPECT_EQ(p.Wait(), 0);
    }
    Process again({"--port", "0", "--db", folder / "central.db", "--demo"});
    const int port = PortOf(again.ReadLine());
    ASSERT_GT(port, 0);
    httplib::Client cli("127.0.0.1", port);
    auto res = cli.Post(
        "/terv/kovJsSQL?function=select",
        R"J({"user":"DEMO","sql":"SELECT COUNT(*) FROM PALM_NORME WHERE CODI_NORMA='099'"})J",
        "application/json");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, "C\tCOUNT(*)\nR\tI1\nE\tOK\t1\n");
    kill(again.pid(), SIGTERM);
    EXPECT_EQ(again.Wait(), 0);
}

TEST(ProcessTest, RefusesBadArgumentsAndMissingFiles) {
    terv::test::TempFolder folder;
    Process bad({"--port", "http", "--db", folder / "c.db"});
    EXPECT_EQ(bad.Wait(), 2);
    EXPECT_EQ(bad.ReadAll(true).substr(0, 39), "terv-central: bad argument --port\nusage");
    Process missing({"--port", "0", "--db", folder / "c.db", "--resources", folder / "nothing"});
    EXPECT_EQ(missing.Wait(), 1);
    EXPECT_EQ(missing.ReadAll(true),
              "terv-central: cannot read " + folder / "nothing/themes.csv" + "\n");
}

}  // namespace
