#include "LoginFixture.h"

namespace terv::test {
namespace {

// After a login, the configuration object draws sequence numbers and single values from the
// server through its scratch file.
TEST_F(LoginTest, SequenceAndSingleValueQueriesAfterLogin) {
    StartServer();
    WriteDefaults("3.2");
    Login("DEMO", "demo");
    ASSERT_GT(gRuolo, 0);
    clsTervcli& cli = gTervcli();
    const int32_t first = cli.GetSequence("PALM_SCARICHI_SEQ");
    const int32_t second = cli.GetSequence("PALM_SCARICHI_SEQ");
    EXPECT_GT(first, 0);
    EXPECT_GT(second, first);
    std::string value = "untouched";
    EXPECT_EQ(cli.GetQueryString("SELECT UTENTE FROM TERVUTENTI WHERE UTENTE='DEMO' ORDER BY "
                                 "PROV_RIF",
                                 value),
              2);
    EXPECT_EQ(value, "DEMO");
    value = "untouched";
    EXPECT_EQ(cli.GetQueryString("SELECT NOPE FROM NO_SUCH_TABLE", value), 0);
    EXPECT_EQ(value, "untouched");
    // The not-silent failure shows the server's error.
    const Message error{"ORA-00942: table or view does not exist", vbExclamation, "SQL"};
    EXPECT_EQ(ui.messages, std::vector<Message>{error});
    EXPECT_EQ(cli.GetSequence("NO_SUCH_SEQ"), 0);  // silent failure
}

}  // namespace
}  // namespace terv::test
