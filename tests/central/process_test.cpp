// The terv-central executable: first output line, demo credentials, clean stop on SIGTERM (also
// during a runaway statement) and SIGINT, refusal of bad arguments.
#include <gtest/gtest.h>
#include <httplib.h>

#include "ChildServer.h"
#include "TestSupport.h"

namespace terv::central::test {
namespace {

// SIGTERM ends the process within seconds even while a runaway statement runs.
TEST(ProcessTest, PrintsThePortAndTheDemoUserThenStopsOnSigtermDuringARunawayStatement) {
    terv::test::TempFolder folder;
    ChildServer p({"--db", folder / "central.db", "--demo", "30", "--statement-timeout", "600"});
    const int port = p.Port();
    ASSERT_GT(port, 0);
    EXPECT_EQ(p.ReadLine(), "demo user: DEMO password: demo");
    httplib::Client cli("127.0.0.1", port);
    for (const char* path : {"/terv/kovJsSDO", "/terv//kovJsSDO"}) {
        auto res = cli.Get(path);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200);
        EXPECT_EQ(res->body, "TERVCATASTO\n<client>TERV Demo</client>\n");
        cli.set_basic_auth("0.7055475", "0.533424");  // plain mode: any credentials
    }
    cli.set_read_timeout(120, 0);
    std::thread runaway([&cli] {
        auto res = cli.Post("/terv/kovJsSQL?function=select",
                            R"({"sql":"SELECT (WITH RECURSIVE r(n) AS (SELECT 1 FROM DUAL UNION )"
                            R"(ALL SELECT n+1 FROM r) SELECT COUNT(*) FROM r) FROM DUAL"})",
                            "application/json");
        EXPECT_TRUE(!res || res->body.find("E\tOK") == std::string::npos);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(p.Stop());
    runaway.join();
    EXPECT_EQ(p.ReadAll(false), "stopped\n");
}

TEST(ProcessTest, StopsOnSigintWithAClientConnectedAndKeepsTheData) {
    terv::test::TempFolder folder;
    {
        ChildServer p({"--db", folder / "central.db", "--mode", "plain", "--demo"});
        const int port = p.Port();
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
        EXPECT_EQ(p.WaitExit(60), 0);
    }
    ChildServer again({"--db", folder / "central.db", "--demo"});
    const int port = again.Port();
    ASSERT_GT(port, 0);
    httplib::Client cli("127.0.0.1", port);
    auto res = cli.Post(
        "/terv/kovJsSQL?function=select",
        R"J({"user":"DEMO","sql":"SELECT COUNT(*) FROM PALM_NORME WHERE CODI_NORMA='099'"})J",
        "application/json");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, "C\tCOUNT(*)\nR\tI1\nE\tOK\t1\n");
    EXPECT_TRUE(again.Stop());
}

TEST(ProcessTest, RefusesBadArgumentsAndMissingFiles) {
    terv::test::TempFolder folder;
    ChildServer bad({"--port", "http", "--db", folder / "c.db"});
    EXPECT_EQ(bad.WaitExit(60), 2);
    EXPECT_EQ(bad.ReadAll(true).substr(0, 39), "terv-central: bad argument --port\nusage");
    ChildServer missing({"--db", folder / "c.db", "--resources", folder / "nothing"});
    EXPECT_EQ(missing.WaitExit(60), 1);
    EXPECT_EQ(missing.ReadAll(true),
              "terv-central: cannot read " + folder / "nothing/themes.csv" + "\n");
}

}  // namespace
}  // namespace terv::central::test
