// The single sign-on client and module: the session cookie reaches every later request of the
// shared session, SsoDisconnect logs out only with a connection open, a new connection closes the
// previous one.
#include "NetFixture.h"

namespace terv::test {
namespace {

using SsoTest = NetTest;

TEST_F(SsoTest, LoginCookieAuthenticatesProbeAndOperationsUntilDisconnectLogsOut) {
    const std::string probe = server.base() + "kovJsSDO";
    EXPECT_EQ(HttpDownloadFile(probe, dir / "login.dat", "", ""), 0);
    SsoConnect(server.base() + "sso", server.base());
    EXPECT_TRUE(gSsoOpen);
    EXPECT_EQ(velto_sso_login(gSsoHandle, "mario", "segreta", "BACK OFFICE"), 0);
    EXPECT_NE(HttpDownloadFile(probe, dir / "login.dat", "", ""), 0);
    EXPECT_EQ(ReadFileBytes(dir / "login.dat"), "riga\nRegione Demo\n");
    ASSERT_EQ(B1_Execute("mario", "DELETE FROM X"), 0);
    HttpDisconnect();  // the shutdown's order: the connection first, then single sign-on
    SsoDisconnect();
    EXPECT_FALSE(gSsoOpen);
    EXPECT_EQ(SsoOpenConnections(), 0u);

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[1].path, "/terv/sso");
    EXPECT_EQ(requests[1].function, "login");
    EXPECT_EQ(requests[1].body,
              nlohmann::json(
                  {{"user", "mario"}, {"password", "segreta"}, {"application", "BACK OFFICE"}}));
    for (size_t i : {2, 3, 4})
        EXPECT_EQ(requests[i].cookie, "TERVSSO=sessione-mario") << i;
    EXPECT_EQ(requests[4].function, "logout");
    EXPECT_EQ(HttpDownloadFile(probe, dir / "l.dat", "", ""), 0);
}

TEST_F(SsoTest, RefusedLoginIsNonzeroWithTheStatusInTheText) {
    SsoConnect(server.base() + "sso", server.base());
    EXPECT_EQ(velto_sso_login(gSsoHandle, "mario", "sbagliata", "BACK OFFICE"), -401);
    EXPECT_EQ(LastError(), "HTTP error 401: accesso negato");
    EXPECT_EQ(HttpDownloadFile(server.base() + "kovJsSDO", dir / "l.dat", "", ""), 0);
}

TEST_F(SsoTest, OneConnectionAtATime) {
    SsoDisconnect();  // none open: nothing sent
    EXPECT_TRUE(server.Requests().empty());
    SsoConnect(server.base() + "sso", server.base());
    const int32_t first = gSsoHandle;
    SsoConnect(server.base() + "sso", server.base());
    EXPECT_NE(gSsoHandle, first);
    EXPECT_EQ(SsoOpenConnections(), 1u);
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].function, "logout");
    EXPECT_EQ(velto_sso_login(first, "mario", "segreta", "BACK OFFICE"), -1);
    const std::string dead = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/terv/";
    SsoConnect(dead + "sso", dead);
    EXPECT_EQ(velto_sso_login(gSsoHandle, "mario", "segreta", "BACK OFFICE"), -10000);
}

}  // namespace
}  // namespace terv::test
