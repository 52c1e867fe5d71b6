// Result rows into tables of real local databases: typed values, column matching, all-or-none
// on failure, and the descriptor read into a table.
#include <sqlite3.h>

#include "NetFixture.h"
#include "data/db/Database.h"

namespace terv::test {
namespace {

class SelectToMdbTest : public NetTest {
  protected:
    void SetUp() override {
        NetTest::SetUp();
        Database db = CreateDatabase(DbPath(), dbLangGeneral);
        db.Execute(
            "CREATE TABLE PARTICELLE (ID_PART TEXT(16), NUMERO LONG, AREA DOUBLE, "
            "NOTE TEXT(50), DATA_AGG TEXT(14))");
        db.Execute("INSERT INTO PARTICELLE (ID_PART) VALUES ('esistente')");
    }

    std::string DbPath() const { return dir / "palmdb.mdb"; }

    // Each row of the table as "typeof:value|..." read straight through SQLite.
    std::vector<std::string> Rows() const {
        sqlite3* db = nullptr;
        sqlite3_open_v2(DbPath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT * FROM PARTICELLE ORDER BY rowid", -1, &st, nullptr);
        std::vector<std::string> rows;
        while (sqlite3_step(st) == SQLITE_ROW) {
            std::string row;
            for (int i = 0; i < sqlite3_column_count(st); ++i) {
                const char* text = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
                const char* type = "";
                switch (sqlite3_column_type(st, i)) {
                    case SQLITE_NULL:
                        type = "null";
                        break;
                    case SQLITE_INTEGER:
                        type = "int";
                        break;
                    case SQLITE_FLOAT:
                        type = "real";
                        break;
                    default:
                        type = "text";
                        break;
                }
                row += std::string(type) + ":" + (text ? text : "") + "|";
            }
            rows.push_back(row);
        }
        sqlite3_finalize(st);
        sqlite3_close(db);
        return rows;
    }

    const std::string kExisting = "text:esistente|null:|null:|null:|null:|";
};

TEST_F(SelectToMdbTest, AddsTypedRowsInOneGo) {
    server.Enqueue(Records(
        RowsAnswer({"ID_PART", "NUMERO", "AREA", "NOTE", "DATA_AGG"},
                   {{"TA001000100012_", "I12", "F1250.75", "TÈ già così", "D20240315074508"},
                    {"TA001000100013_", "N", "I3", "N", "N"},
                    {"I42", "T7", "F-0.5", "I9007199254740993", "N"}})));
    ASSERT_EQ(B1_SelectToMdbTable("mario", "SELECT ...", 5, DbPath(), "PARTICELLE", ""), 0);
    EXPECT_EQ(Rows(), (std::vector<std::string>{
                          kExisting,
                          "text:A001000100012_|int:12|real:1250.75|text:È già così|"
                          "text:20240315074508|",
                          "text:A001000100013_|null:|real:3.0|null:|null:|",
                          "text:42|int:7|real:-0.5|text:9007199254740993|null:|",
                      }));
}

TEST_F(SelectToMdbTest, MatchesColumnsByNameOtherwiseByPosition) {
    server.Enqueue(Records(RowsAnswer({"numero", "id_part"}, {{"I5", "TX1"}})));
    ASSERT_EQ(
        B1_SelectToMdbTable("mario", "SELECT NUMERO, ID_PART ...", 2, DbPath(), "PARTICELLE", ""),
        0);
    server.Enqueue(Records(RowsAnswer({"UPPER(COD)", "NVL(N,0)"}, {{"TX2", "I6"}})));
    ASSERT_EQ(B1_SelectToMdbTable("mario", "SELECT UPPER(COD), NVL(N,0) ...", 2, DbPath(),
                                  "PARTICELLE", ""),
              0);
    const auto rows = Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1], "text:X1|int:5|null:|null:|null:|");
    EXPECT_EQ(rows[2], "text:X2|int:6|null:|null:|null:|");
}

TEST_F(SelectToMdbTest, FailedOrCutAnswerAddsNoRow) {
    FakeAnswer cut = Records({"C\tID_PART", "R\tTP1", "R\tTP2"});
    cut.cut = true;
    const FakeAnswer answers[] = {
        cut,
        ServerError("ORA-00904: \"NUMER\": invalid identifier"),
        Records({"C\tID_PART", "R\tTP1", "R\tTP2"}),        // no end record
        Records({"C\tNUMERO", "R\tTuno", "E\tOK\t1"}),      // text for a number field
        Records({"C\tID_PART", "R\tTP1\tI2", "E\tOK\t1"}),  // more values than columns
    };
    for (const FakeAnswer& a : answers) {
        server.Enqueue(a);
        EXPECT_NE(B1_SelectToMdbTable("mario", "SELECT ...", 1, DbPath(), "PARTICELLE", ""), 0);
        EXPECT_EQ(Rows(), (std::vector<std::string>{kExisting}));
    }
    char buffer[1024];
    KOVICLIGetLastError(buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer), "The server sent a row of 2 values for 1 columns");
}

TEST_F(SelectToMdbTest, TextForANumberFieldIsAConversionError) {
    server.Enqueue(Records({"C\tNUMERO", "R\tTuno", "E\tOK\t1"}));
    EXPECT_EQ(B1_SelectToMdbTable("mario", "SELECT ...", 1, DbPath(), "PARTICELLE", ""), -1);
    char buffer[1024];
    KOVICLIGetLastError(buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer),
              "Data type conversion error: \"uno\" into the number field \"NUMERO\" of "
              "\"PARTICELLE\"");
}

TEST_F(SelectToMdbTest, MissingTableOrDatabaseFailsBeforeAnyRequest) {
    EXPECT_EQ(B1_SelectToMdbTable("mario", "SELECT 1 FROM DUAL", 1, DbPath(), "NESSUNA", ""), -1);
    EXPECT_EQ(B1_SelectToMdbTable("mario", "SELECT 1 FROM DUAL", 1, dir / "manca.mdb", "T", ""),
              -1);
    WriteFileBytes(dir / "rotto.mdb", "questo non e' un database");
    EXPECT_EQ(B1_SelectToMdbTable("mario", "SELECT 1 FROM DUAL", 1, dir / "rotto.mdb", "T", ""),
              -1);
    EXPECT_TRUE(server.OperationRequests().empty());
    char buffer[1024];
    KOVICLIGetLastError(buffer, sizeof buffer);
    EXPECT_NE(std::string(buffer).find("rotto.mdb"), std::string::npos) << buffer;
}

TEST_F(SelectToMdbTest, SelectToMdbFailureIsShownAndLogged) {
    server.Enqueue(ServerError("ORA-00942: table or view does not exist"));
    EXPECT_EQ(SelectToMdb("mario", "SELECT X FROM NOTAB", 1, DbPath(), "PARTICELLE", "", false),
              -1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "ORA-00942: table or view does not exist");
    EXPECT_EQ(ui.messages[0].title, "SQL");
    EXPECT_EQ(LogBytes(),
              "Select MDB: (mario) SELECT X FROM NOTAB\r\n"
              "ORA-00942: table or view does not exist\r\n");
}

TEST_F(SelectToMdbTest, DescriptorReadIntoATable) {
    server.Enqueue(Records(RowsAnswer({"ID_PART", "NUMERO"}, {{"TP9", "I90"}})));
    ASSERT_EQ(SdoRead(0, "PARTICELLE_SRV|*ID_PART|ID_PART,NUMERO|COD='X'", 0, 0, 0, 0, 0, 0, 0, 0,
                      DbPath(), "PARTICELLE", "", false),
              0);
    server.Enqueue(Records(RowsAnswer({"ID_PART"}, {{"TP10"}})));
    SdoBlockAdd(0, "PARTICELLE_SRV|*ID_PART|ID_PART|", DbPath(), "PARTICELLE", "", "", 1.0, 1.0,
                0.0, "");
    ASSERT_EQ(SdoBlockGo(0, 0, 0, 0, 0, 0, 0, 0, 0, false), 0);
    EXPECT_EQ(Rows(), (std::vector<std::string>{kExisting, "text:P9|int:90|null:|null:|null:|",
                                                "text:P10|null:|null:|null:|null:|"}));
}

}  // namespace
}  // namespace terv::test
