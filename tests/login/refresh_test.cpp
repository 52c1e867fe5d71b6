// The login's refresh of the municipality tables of tabelle.mdb from terv-central, checked with
// the lookups of the program and with the sqlite3 shell on the file itself.
#include "LoginFixture.h"

namespace terv::test {
namespace {

constexpr const char* kStaleStamp = "20040301000000";

class RefreshTest : public LoginTest {
  protected:
    std::string Tabelle() const { return home / "tabelle.mdb"; }
    // The rows of `sql` on the file as the sqlite3 shell prints them.
    std::string Sql(const std::string& sql) const { return Sqlite3Shell(Tabelle(), sql); }
    std::string Count(const std::string& table) { return Sql("SELECT count(*) FROM " + table); }
    // Both tables, every row, in a fixed order.
    std::string Contents() {
        return Sql("SELECT * FROM COMUNI ORDER BY COD_NAZIONALE") +
               Sql("SELECT * FROM PROVINCIE ORDER BY ISTATP");
    }
};

TEST_F(RefreshTest, StaleStampReplacesTheTablesFromTheServer) {
    StartServer();
    WriteDefaults("3.2", kStaleStamp);
    Execute("UPDATE TERVCOMUNI SET NOME='Roma Capitale' WHERE COD_NAZIONALE='H501'");
    Execute("UPDATE TERVCOMUNI SET DENO_PROV='Provincia di Milano' WHERE ISTATP='015'");
    Execute("DELETE FROM TERVCOMUNI WHERE COD_NAZIONALE='B300'");
    const long installed = std::stol(Count("COMUNI"));
    ASSERT_EQ(Sql("INSERT INTO COMUNI (COD_NAZIONALE, NOME) VALUES ('Z998', 'X')"), "");
    ASSERT_EQ(Sql("SELECT FLAG_CATA FROM COMUNI WHERE COD_NAZIONALE='F205'"), "\n");

    Login("DEMO", "demo");

    EXPECT_EQ(ui.messages, std::vector<Message>{Box(kRefreshDone, vbInformation)});
    ExpectDemoLoggedIn("DEMO", "demo");
    EXPECT_EQ(ReadIni("GISPARAMS", "DATATABELLE", "", Defaults()), kServerStamp);
    // The lookups read the reopened database.
    EXPECT_EQ(NomeComune("H501"), "Roma Capitale");
    EXPECT_EQ(NomeComune("B300"), "");
    EXPECT_EQ(NomeComune("Z998"), "");
    EXPECT_EQ(NomeProvincia("15"), "Provincia di Milano");
    EXPECT_EQ(SiglaProvincia("F205"), "MI");
    // The file: the server's rows (every one flagged by the server), no placeholder province,
    // no temporary tables.
    EXPECT_EQ(Count("COMUNI"), std::to_string(installed - 1) + "\n");
    EXPECT_EQ(Sql("SELECT * FROM COMUNI WHERE COD_NAZIONALE='F205'"),
              "F205|15|146||Milano|S|F205\n");
    EXPECT_EQ(Sql("SELECT count(*) FROM COMUNI WHERE FLAG_CATA IS NOT 'S'"), "0\n");
    EXPECT_EQ(Sql("SELECT count(*) FROM COMUNI WHERE ISTATP=999"), "0\n");
    EXPECT_EQ(Sql("SELECT * FROM PROVINCIE WHERE ISTATP=15"), "15|Provincia di Milano|MI|3\n");
    EXPECT_EQ(Sql("SELECT count(*) FROM PROVINCIE WHERE ISTATP=999"), "0\n");
    EXPECT_EQ(Sql("SELECT count(*) FROM sqlite_master WHERE name IN ('COMUNITMP', 'PROVINCIETMP')"),
              "0\n");
    EXPECT_NE(Sql("SELECT count(*) FROM sqlite_master WHERE name='TABCOM'"), "0\n");
}

// The same stamp leaves the file alone, unless the provinces are empty.
TEST_F(RefreshTest, SameStampRefreshesOnlyEmptyProvinces) {
    StartServer();
    WriteDefaults("3.2");
    const std::string before = ReadFileBytes(Tabelle());
    Login("DEMO", "demo");
    EXPECT_EQ(ui.messages, std::vector<Message>{});
    EXPECT_EQ(gRuolo, 2);
    EXPECT_EQ(ReadFileBytes(Tabelle()), before);

    ResetEverything();
    ASSERT_EQ(Sql("DELETE FROM PROVINCIE"), "");
    Login("DEMO", "demo");
    EXPECT_EQ(ui.messages, std::vector<Message>{Box(kRefreshDone, vbInformation)});
    EXPECT_EQ(gRuolo, 2);
    EXPECT_EQ(Sql("SELECT * FROM PROVINCIE WHERE ISTATP=58"), "58|Roma|RM|12\n");
    EXPECT_EQ(NomeProvincia("58"), "Roma");
}

struct FailedRefreshCase {
    const char* name;
    const char* breakServer;
    const char* repairServer;
};

class FailedRefreshTest : public RefreshTest,
                          public ::testing::WithParamInterface<FailedRefreshCase> {};

TEST_P(FailedRefreshTest, LeavesTheTablesAndTheStamp) {
    const FailedRefreshCase& c = GetParam();
    StartServer();
    WriteDefaults("3.2", kStaleStamp);
    Administer(c.breakServer);
    const std::string before = Contents();
    ASSERT_NE(before.find("H501|58|91||Roma||"), std::string::npos);

    Login("DEMO", "demo");

    EXPECT_EQ(ui.messages, std::vector<Message>{Box(kRefreshFailed, vbExclamation)});
    ExpectDemoLoggedIn("DEMO", "demo");
    EXPECT_EQ(Contents(), before);
    EXPECT_EQ(ReadIni("GISPARAMS", "DATATABELLE", "", Defaults()), kStaleStamp);
    EXPECT_EQ(NomeComune("H501"), "Roma");
    // The next login tries again, and succeeds once the table is back.
    Administer(c.repairServer);
    ui.Reset();
    Login("DEMO", "demo");
    EXPECT_EQ(ui.messages, std::vector<Message>{Box(kRefreshDone, vbInformation)});
    EXPECT_EQ(ReadIni("GISPARAMS", "DATATABELLE", "", Defaults()), kServerStamp);
}

INSTANTIATE_TEST_SUITE_P(
    Login, FailedRefreshTest,
    ::testing::Values(
        // The municipality read fails, so the province read is not tried.
        FailedRefreshCase{"MunicipalityReadFails",
                          "ALTER TABLE TERVCOMUNI RENAME TO TERVCOMUNI_ALTROVE",
                          "ALTER TABLE TERVCOMUNI_ALTROVE RENAME TO TERVCOMUNI"},
        // The municipalities arrive but the province read fails.
        FailedRefreshCase{"ProvinceReadFails",
                          "ALTER TABLE TERVCOMUNI RENAME COLUMN DENO_PROV TO DENOMINAZIONE",
                          "ALTER TABLE TERVCOMUNI RENAME COLUMN DENOMINAZIONE TO DENO_PROV"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace terv::test
