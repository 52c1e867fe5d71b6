// Contract tests: the client libraries against a real terv-central on a free loopback port.
// Every operation succeeds and fails as the wire protocol says, the exact files and tables are
// written, and the message boxes and HTTP log lines are the program's. A cut answer and single
// sign-on against the real server run in the export, return and login tests.
#include "../central/ChildServer.h"
#include "NetFixture.h"
#include "ServerValues.h"
#include "data/db/Database.h"

namespace terv::test {
namespace {

class ContractTest : public NetTest {
  protected:
    void SetUp() override {
        NetTest::SetUp();
        net::SetTimeLimits({.connectMillis = 5000, .idleMillis = 20000});
        const int port = central.Port();
        ASSERT_GT(port, 0) << "terv-central did not say where it listens";
        const std::string base = "http://127.0.0.1:" + std::to_string(port) + "/terv/";
        B1_SetHTTPParams(base + "kovJsSQL?function=", "", "");
        DrvSDESetHttpParams(base + "kovJsSDO", "", "");
    }

    central::test::ChildServer central{{"--db", dir / "central.db", "--mode", "plain"}};
};

using Msg = RecordingUiPort::Message;

TEST_F(ContractTest, ExecuteThenReadIntoTextFilesAndATable) {
    ASSERT_EQ(ExecSql("mario",
                      "INSERT INTO PALM_SCARICHI (NUME_SCAR, UTENTE_SCARICO, DESCRIZIONE) VALUES "
                      "(7001, 'mario', 'Città, prima');INSERT INTO PALM_SCARICHI (NUME_SCAR, "
                      "UTENTE_SCARICO, DESCRIZIONE) VALUES (7002, 'mario', '')",
                      false),
              0);
    const std::string out = dir / "scarichi.txt";
    ASSERT_EQ(SelectToTxt("mario",
                          "SELECT NUME_SCAR, DESCRIZIONE, UTENTE_SCARICO FROM PALM_SCARICHI "
                          "WHERE NUME_SCAR IN (7001, 7002) ORDER BY NUME_SCAR",
                          3, out, false),
              0);
    // Empty text is NULL on the server and arrives as nothing between the commas.
    EXPECT_EQ(ReadFileBytes(out), "7001,Citt\xE0, prima,mario\r\n7002,,mario\r\n");
    std::string value;
    EXPECT_EQ(GetQueryString(dir / "t.dat",
                             "SELECT DESCRIZIONE FROM PALM_SCARICHI WHERE NUME_SCAR IN "
                             "(7001,7002) ORDER BY NUME_SCAR",
                             value),
              1);  // the NULL row is a blank line, skipped
    EXPECT_EQ(value, "Città, prima");
    ASSERT_EQ(SdoRead(0, "PALM_SCARICHI|*NUME_SCAR|NUME_SCAR,UTENTE_SCARICO|NUME_SCAR=7002", 0, 0,
                      0, 0, 0, 0, 0, 0, out, "", "", false),
              0);
    EXPECT_EQ(ReadFileBytes(out), "7002,mario,\r\n");

    const std::string db = dir / "palmdb.mdb";
    CreateDatabase(db, dbLangGeneral)
        .Execute("CREATE TABLE SCARICHI (NUME_SCAR LONG, DESCRIZIONE TEXT(50), DATA TEXT(14))");
    ASSERT_EQ(SelectToMdb("mario",
                          "SELECT NUME_SCAR, DESCRIZIONE, TO_CHAR(DATA_SCARICO, "
                          "'YYYYMMDDHH24MISS') FROM PALM_SCARICHI WHERE NUME_SCAR = 7002",
                          3, db, "SCARICHI", "", false),
              0);
    Database local = OpenDatabase(db);
    Recordset rs = local.OpenRecordset("SELECT * FROM SCARICHI", dbOpenForwardOnly);
    ASSERT_FALSE(rs.Eof());
    EXPECT_TRUE(rs.Field("NUME_SCAR").IsInteger());
    EXPECT_EQ(rs.Field("NUME_SCAR").AsLong(), 7002);
    EXPECT_TRUE(rs.Field("DESCRIZIONE").IsNull());
    EXPECT_EQ(rs.Field("DATA").AsText().size(), 14u);

    const int32_t first = GetSequence(out, "PALM_SCARICHI_SEQ");
    const int32_t second = GetSequence(out, "PALM_SCARICHI_SEQ");
    EXPECT_GT(first, 0);
    EXPECT_GT(second, first);
    EXPECT_EQ(ReadFileBytes(out), std::to_string(second) + ",\r\n");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ContractTest, StatementErrorsAreOracleErrorsShownAndLogged) {
    const std::string out = dir / "x.txt";
    EXPECT_EQ(SelectToTxt("mario", "SELECT A FROM NESSUNA_TABELLA", 1, out, false), -1);
    const std::string text = "ORA-00942: table or view does not exist";
    EXPECT_EQ(ui.messages, (std::vector<Msg>{{text, vbExclamation, "SQL"}}));
    EXPECT_EQ(LogBytes(), "Select TXT: (mario) SELECT A FROM NESSUNA_TABELLA\r\n" + text + "\r\n");
    EXPECT_FALSE(FileExists(out));
    EXPECT_EQ(ExecSql("mario", "UPDATE SET WHERE", true), -1);
    EXPECT_EQ(gLastError.rfind("ORA-", 0), 0u) << gLastError;
}

// 103 writes through SdoWrite in an open batch, the one at `duplicate` repeating the key of the
// write at 10: the batch ended by the 102nd write holds the first 101, the last batch the other 2.
TEST_F(ContractTest, BatchOf103WritesWithADuplicateStoresTheOther102InEveryMode) {
    const std::string loaded = "ORA-20001: record already loaded (PALMR_NORME_RILE_PK)";
    const std::string unique = "ORA-00001: unique constraint (TERV.PALM_NORME_PK) violated";
    struct Case {
        std::string table, key, text;
        int32_t mode;
        int duplicate;
        int32_t writeResult, endResult;  // of the 102nd write and of SdoBatchEnd
        bool counted, box;
        std::string log;  // after the write line of the 102nd write when it failed
    };
    const std::string stop = "Stop Update: \r\n";
    const Case cases[] = {
        {"PALMR_NORME_RILE", "ID_PART", loaded, 0, 60, 0, 0, false, false, ""},
        {"PALMR_NORME_RILE", "ID_PART", loaded, 2, 60, -1, 0, true, false, loaded + "\r\n"},
        {"PALM_NORME", "CODI_NORMA", unique, 0, 60, -1, 0, true, true, unique + "\r\n"},
        {"PALM_NORME", "CODI_NORMA", unique, 2, 60, -1, 0, true, false, unique + "\r\n"},
        {"PALMR_NORME_RILE", "ID_PART", loaded, 0, 102, 0, -1, false, false,
         stop + loaded + "\r\n"},
        {"PALM_NORME", "CODI_NORMA", unique, 0, 102, 0, -1, true, false,
         stop + unique + "\r\nWrite failed: 1 " + unique + "\r\n"},
    };
    int round = 0;
    const char* const kDigits36 = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table + " mode " + std::to_string(c.mode) + " at " +
                     std::to_string(c.duplicate));
        ui.Reset();
        WriteFileBytes(LogPath(), "");
        const int32_t before = gErrorCount;
        // Keys of three characters (CODI_NORMA is TEXT(3)): the round's letter, then two digits
        // of base 36.
        const std::string prefix(1, char('A' + round++));
        auto attributes = [&](int i) {
            const int n = i == c.duplicate ? 10 : i;
            const std::string key = prefix + kDigits36[n / 36] + kDigits36[n % 36];
            return c.key + "|" + key + (c.key == "ID_PART" ? "|CODI_NORMA|N1|" : "|");
        };
        SdoBatchStart();
        for (int i = 0; i < 103; ++i) {
            const int32_t result = SdoWrite(c.table, "I", 0, "", 0, attributes(i), "", c.mode);
            EXPECT_EQ(result, i == 101 ? c.writeResult : 0) << i;
        }
        EXPECT_EQ(SdoBatchEnd(false), c.endResult);
        EXPECT_EQ(gErrorCount - before, c.counted ? 1 : 0);
        const std::string writeLine =
            "Write: " + c.table + " O: I Id: 0 SF:  N: 0 A: " + attributes(101) + " W: \r\n";
        EXPECT_EQ(LogBytes(), (c.writeResult != 0 ? writeLine : "") + c.log);
        if (c.box)
            EXPECT_EQ(
                ui.messages,
                (std::vector<Msg>{{"Errore scrittura SDO: " + c.text, vbExclamation, "SDO"}}));
        else
            EXPECT_TRUE(ui.messages.empty());
        std::string stored;
        ASSERT_EQ(GetQueryString(dir / "t.dat",
                                 "SELECT COUNT(*) FROM " + c.table + " WHERE " + c.key + " LIKE '" +
                                     prefix + "%'",
                                 stored),
                  1);
        EXPECT_EQ(stored, "102");
    }
}

}  // namespace
}  // namespace terv::test
