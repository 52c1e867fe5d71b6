// Single sign-on mode: the probe, the sign-on service and the session every request needs.
#include <gtest/gtest.h>

#include "ServerFixture.h"

namespace terv::central::test {
namespace {

class SsoTest : public ServerFixture {
  protected:
    void SetUp() override {
        options_.mode = "sso";
        options_.demo_parcels = 10;
        StartServer();
    }

    httplib::Result Probe(const std::string& user, const std::string& password,
                          const httplib::Headers& headers = {}) {
        httplib::Client cli("127.0.0.1", server_->port());
        if (!user.empty() || !password.empty())
            cli.set_basic_auth(user.c_str(), password.c_str());
        return cli.Get("/terv/kovJsSDO", headers);
    }
};

TEST_F(SsoTest, ProbeRefusesUnknownCredentialsAndNamesTheSignOnService) {
    for (const auto& [user, password] : std::vector<std::pair<std::string, std::string>>{
             {"0.123", "0.456"}, {"DEMO", "wrong"}, {"", ""}}) {
        auto res = Probe(user, password);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 401) << user;
    }
    auto res = Probe("demo", "demo");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->body, "TERVCATASTO\n<sso_server>http://127.0.0.1:" +
                             std::to_string(server_->port()) + "/terv/sso</sso_server>\n");
}

TEST_F(SsoTest, SessionOpensTheProbeAndTheOperationsForItsOwnUserOnly) {
    EXPECT_EQ(Select("SELECT 1 FROM DUAL", "DEMO"),
              "HTTP 401: HTTP 401: single sign-on session required");
    EXPECT_TRUE(Session("DEMO", "DEMO").empty());
    auto malformed = client_->Post("/terv/sso?function=login", "{\"user\":1}", "application/json");
    ASSERT_TRUE(malformed);
    EXPECT_EQ(malformed->status, 400);

    const httplib::Headers session = Session("Demo", "demo");
    ASSERT_FALSE(session.empty());
    auto res = Probe("", "", session);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, "TERVCATASTO\n<client>TERV Demo</client>\n");
    EXPECT_EQ(Select("SELECT 1 FROM DUAL", "", session), "C\t1\nR\tI1\nE\tOK\t1\n");
    EXPECT_EQ(Select("SELECT 1 FROM DUAL", "DEMO", session), "C\t1\nR\tI1\nE\tOK\t1\n");
    EXPECT_EQ(Select("SELECT 1 FROM DUAL", "ISPETTORE", session),
              "HTTP 401: HTTP 401: user ISPETTORE is not the session's user");
    res = Post("/terv/kovJsSDO?function=read", {{"descriptor", "DUAL|*|1"}}, session);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, "C\t1\nR\tI1\nE\tOK\t1\n");
    res = Post("/terv/kovJsSDO?function=read", {{"descriptor", "DUAL|*|1"}});
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 401);

    res = client_->Post("/terv/sso?function=logout", session, "", "application/json");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->get_header_value("Set-Cookie"), "TERVSSO=; Path=/; Max-Age=0");
    EXPECT_EQ(Select("SELECT 1 FROM DUAL", "", session),
              "HTTP 401: HTTP 401: single sign-on session required");
}

// Missing resources are refused in the process test.
TEST(StartTest, BadOptionsAndFilesFailWithAClearText) {
    terv::test::TempFolder folder;
    struct Case {
        std::string mode, db, resources, error;
    } cases[] = {
        {"ldap", folder / "c.db", TERV_CENTRAL_RESOURCES, "unknown mode ldap (plain or sso)"},
        {"plain", "", TERV_CENTRAL_RESOURCES, "no database file given (--db FILE)"},
        {"plain", folder / "missing/c.db", TERV_CENTRAL_RESOURCES,
         "cannot open database " + folder / "missing/c.db" + ": unable to open database file"},
        {"plain", folder / "corrupt.db", TERV_CENTRAL_RESOURCES,
         "cannot prepare database " + folder / "corrupt.db" + ": file is not a database"},
    };
    terv::test::WriteFileBytes(folder / "corrupt.db", std::string(8192, 'x'));
    for (const Case& c : cases) {
        ServerOptions options;
        options.port = 0;
        options.mode = c.mode;
        options.db_path = c.db;
        options.resources = c.resources;
        CentralServer server(options);
        std::string error;
        EXPECT_FALSE(server.Start(&error));
        EXPECT_EQ(error, c.error);
    }
}

}  // namespace
}  // namespace terv::central::test
