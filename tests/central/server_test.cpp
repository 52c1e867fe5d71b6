// The HTTP endpoints of terv-central in plain mode: gateway, spatial-data service, bad requests,
// injected transient failures, cut streams, many requests at once. The probe is in the process
// test; large answers arrive whole in the export tests' downloads.
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "CentralFixture.h"
#include "ServerFixture.h"

namespace terv::central::test {
namespace {

using ServerTest = ServerFixture;

TEST_F(ServerTest, SelectStreamsTypedRecords) {
    auto res = Post("/terv/kovJsSQL?function=select",
                    {{"user", "DEMO"},
                     {"sql",
                      "SELECT VARIABILE, VALORE, 3, 2.5, NULL FROM TERVVARIABILI WHERE "
                      "VARIABILE='TERVCVERSION'"},
                     {"fields", 5}});
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->get_header_value("Content-Type"), "text/plain; charset=utf-8");
    EXPECT_EQ(res->get_header_value("Transfer-Encoding"), "chunked");
    EXPECT_EQ(res->body,
              "C\tVARIABILE\tVALORE\t3\t2.5\tNULL\nR\tTTERVCVERSION\tT3.2\tI3\tF2.5\tN\n"
              "E\tOK\t1\n");
    EXPECT_EQ(Select("SELECT 'a' || CHR(9) || 'b' || CHR(10) AS X FROM DUAL"),
              "C\tX\nR\tTa\\tb\\n\nE\tOK\t1\n");
    EXPECT_EQ(Select("SELECT 'a\tb\\c' FROM DUAL"), "C\t'A\\tB\\\\C'\nR\tTa\\tb\\\\c\nE\tOK\t1\n");
}

TEST_F(ServerTest, ExecuteDescriptorReadAndWritesRoundTrip) {
    auto res = Post("/terv/kovJsSQL?function=execute",
                    {{"user", "DEMO"},
                     {"sql",
                      "UPDATE TERVPLAV SET NUME_SCAR_PALM=77 WHERE FOGLIO=1 AND LAST=1 AND "
                      "ROWNUM<=3;"}});
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body,
              "E\tERR\t0\tORA-00900: invalid SQL statement (unsupported use of ROWNUM)\n");
    res = Post("/terv/kovJsSQL?function=execute",
               {{"user", "DEMO"},
                {"sql",
                 "UPDATE TERVPLAV SET NUME_SCAR_PALM=77 WHERE FOGLIO=2 AND LAST=1;"
                 "UPDATE TERVPLAV SET DATA_LAV='' WHERE NUME_SCAR_PALM=77"}});
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, "E\tOK\t80\n");
    res = Post("/terv/kovJsSDO?function=update",
               {{"writes",
                 {{{"table", "PALM_SCARICHI"},
                   {"op", "I"},
                   {"attributes", "NUME_SCAR|77|UTENTE_SCARICO|DEMO|DESCRIZIONE|prova|"},
                   {"where", ""}}}}});
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, "E\tOK\t1\n");
    res = Post("/terv/kovJsSDO?function=read",
               {{"descriptor", "PALM_SCARICHI|*NUME_SCAR|NUME_SCAR,DATA_SCARICO|NUME_SCAR=77"}});
    ASSERT_TRUE(res);
    ASSERT_EQ(res->body.size(), std::string("C\tNUME_SCAR\tDATA_SCARICO\nR\tI77\tD").size() + 14 +
                                    std::string("\nE\tOK\t1\n").size())
        << res->body;
    EXPECT_EQ(res->body.substr(0, 34), "C\tNUME_SCAR\tDATA_SCARICO\nR\tI77\tD20");
    res = Post("/terv/kovJsSDO?function=read", {{"descriptor", "DUAL|*|TERVPALMC_SEQ.NEXTVAL"}});
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, "C\tNEXTVAL\nR\tI1\nE\tOK\t1\n");
}

TEST_F(ServerTest, MalformedRequestsAnswer400And404AndSignOnIsRefused) {
    struct Case {
        const char* path;
        std::string body;
        int status;
    } cases[] = {
        {"/terv/kovJsSQL?function=select", "{not json", 400},
        {"/terv/kovJsSQL?function=select", R"({"user":"DEMO"})", 400},
        {"/terv/kovJsSQL?function=drop", R"({"user":"DEMO","sql":"x"})", 400},
        {"/terv/kovJsSDO?function=read", R"({"user":"DEMO"})", 400},
        {"/terv/kovJsSDO?function=update", R"({"writes":[{"table":"X"}]})", 400},
        {"/terv/kovJsSDO?function=update", R"({"writes":7})", 400},
        {"/terv/sso?function=login", R"({"user":"DEMO","password":"demo"})", 401},  // plain mode
        {"/terv/nothing", "{}", 404},
    };
    for (const Case& c : cases) {
        auto res = client_->Post(c.path, c.body, "application/json");
        ASSERT_TRUE(res) << c.path;
        EXPECT_EQ(res->status, c.status) << c.path << " " << c.body;
    }
    auto res = client_->Get("/terv/kovJsSQL");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 404);
}

TEST_F(ServerTest, InjectedTransientStatusesAnswerOnceThenRecover) {
    for (int status : {502, 503, 504}) {
        Fault({{"status", status}, {"count", 1}});
        EXPECT_EQ(Select("SELECT 1 FROM DUAL"),
                  "HTTP " + std::to_string(status) + ": injected failure");
        EXPECT_EQ(Select("SELECT 1 FROM DUAL"), "C\t1\nR\tI1\nE\tOK\t1\n");
    }
    Fault({{"status", 503}, {"count", 1}});
    auto res = client_->Get("/terv/kovJsSDO");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 503);
}

TEST_F(ServerTest, CutStreamsEndWithoutTheEndRecord) {
    const std::string sql = "SELECT COD_NAZIONALE, FOGLIO, PARTICELLA FROM TERVPLAV";
    Fault({{"cut_after_rows", 3}, {"close", false}});
    const std::string body = Select(sql);
    EXPECT_EQ(Compact(body).size(), 3u);  // the rows, no end record
    EXPECT_EQ(body.find("\nE\t"), std::string::npos);
    Fault({{"cut_after_rows", 5}, {"close", true}});
    auto res = Post("/terv/kovJsSQL?function=select", {{"user", "DEMO"}, {"sql", sql}});
    EXPECT_TRUE(!res || res->body.find("\nE\t") == std::string::npos);
    // The server goes on serving.
    EXPECT_EQ(Select("SELECT COUNT(*) FROM TERVPLAV"), "C\tCOUNT(*)\nR\tI126\nE\tOK\t1\n");
}

// Each thread draws numbers, writes a row and reads; numbers are never handed out twice.
TEST_F(ServerTest, ManyRequestsAtOnce) {
    const int kThreads = 8, kRounds = 15;
    const std::string count = Select("SELECT COUNT(*) FROM TERVCOMUNI WHERE ISTATP='058'");
    std::vector<std::set<std::string>> numbers(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this, t, &count, &numbers] {
            httplib::Client cli("127.0.0.1", server_->port());
            auto post = [&cli](const char* path, const nlohmann::json& body) {
                auto res = cli.Post(path, body.dump(), "application/json");
                return res ? res->body : "no answer";
            };
            for (int r = 0; r < kRounds; ++r) {
                const std::string n = post("/terv/kovJsSDO?function=read",
                                           {{"descriptor", "DUAL|*|PALM_SCARICHI_SEQ.NEXTVAL"}});
                EXPECT_EQ(n.substr(0, 12), "C\tNEXTVAL\nR\t") << n;
                numbers[t].insert(n);
                const std::string row = "id_part|P" + std::to_string(t) + "_" + std::to_string(r) +
                                        "|codi_norma|001|violazione|1";
                EXPECT_EQ(
                    post("/terv/kovJsSDO?function=update",
                         {{"writes",
                           {{{"table", "PALMR_NORME_RILE"}, {"op", "I"}, {"attributes", row}}}}}),
                    "E\tOK\t1\n");
                EXPECT_EQ(post("/terv/kovJsSQL?function=select",
                               {{"user", "DEMO"},
                                {"sql", "SELECT COUNT(*) FROM TERVCOMUNI WHERE ISTATP='058'"}}),
                          count);
            }
        });
    }
    std::set<std::string> all;
    for (int t = 0; t < kThreads; ++t) {
        threads[t].join();
        all.insert(numbers[t].begin(), numbers[t].end());
    }
    EXPECT_EQ(all.size(), static_cast<size_t>(kThreads * kRounds));
    EXPECT_EQ(Select("SELECT COUNT(*) FROM PALM_NORME_RILE WHERE ID_PART LIKE 'P%'"),
              "C\tCOUNT(*)\nR\tI" + std::to_string(kThreads * kRounds) + "\nE\tOK\t1\n");
}

TEST_F(ServerTest, ClockOffsetShiftsSysdate) {
    options_.clock_offset_seconds = 6 * 3600;
    StartServer();
    const std::string before = SysdateText(6 * 3600);
    auto res = Post("/terv/kovJsSDO?function=read", {{"descriptor", "DUAL|*SYSDATE|SYSDATE"}});
    const std::string after = SysdateText(6 * 3600);
    ASSERT_TRUE(res);
    const std::string prefix = "C\tSYSDATE\nR\tD";
    ASSERT_EQ(res->body.size(), prefix.size() + 14 + std::string("\nE\tOK\t1\n").size())
        << res->body;
    EXPECT_EQ(res->body.substr(0, prefix.size()), prefix);
    const std::string value = res->body.substr(prefix.size(), 14);
    EXPECT_LE(before, value);
    EXPECT_LE(value, after);
}

TEST_F(ServerTest, StopEndsARunningStream) {
    std::thread reader([this] {
        httplib::Client cli("127.0.0.1", server_->port());
        nlohmann::json sel = {{"user", "DEMO"},
                              {"sql", "SELECT A.COD_NAZIONALE FROM TERVCOMUNI A, TERVCOMUNI B"}};
        cli.Post("/terv/kovJsSQL?function=select", sel.dump(), "application/json");
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    server_->Stop();
    reader.join();
    auto res = client_->Get("/terv/kovJsSDO");
    EXPECT_FALSE(res);
}

}  // namespace
}  // namespace terv::central::test
