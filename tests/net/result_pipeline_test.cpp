// Result rows into a local table while the answer is still arriving: the rows are added on a
// thread of their own, with the table's field checks tested by the writer. Each value the fields
// refuse stops the answer with the local database's own text and leaves the table as it was,
// however many rows came before it and whatever comes after it.
#include "NetFixture.h"
#include "data/db/Database.h"
#include "data/db/JetErrors.h"

namespace terv::test {
namespace {

const std::vector<std::string> kColumns = {"TESTO", "LUNGO", "PICCOLO", "AREA", "QUANDO", "SINO"};

// More rows than the writer keeps in hand, so that the row at stake is added behind the stream.
constexpr int kRowsBefore = 5000;

class ResultPipelineTest : public NetTest {
  protected:
    void SetUp() override {
        NetTest::SetUp();
        Database db = CreateDatabase(DbPath(), dbLangGeneral);
        db.Execute(
            "CREATE TABLE RISULTATO (TESTO TEXT(3), LUNGO LONG, PICCOLO BYTE, AREA DOUBLE, "
            "QUANDO DATETIME, SINO YESNO)");
    }

    std::string DbPath() const { return dir / "palmdb.mdb"; }

    // Good rows, then `row`, then the answer's ending.
    static std::vector<std::string> Answer(const std::string& row,
                                           std::vector<std::string> ending) {
        std::vector<std::string> records = {"C\t" + Join(kColumns)};
        for (int i = 0; i < kRowsBefore; ++i)
            records.push_back("R\tTa" + std::to_string(i % 10) + "\tI" + std::to_string(i) +
                              "\tI7\tF1.5\tN\tI0");
        records.push_back("R\t" + row);
        records.insert(records.end(), ending.begin(), ending.end());
        return records;
    }
    static std::string Join(const std::vector<std::string>& values) {
        std::string line;
        for (const std::string& v : values)
            line += (line.empty() ? "" : "\t") + v;
        return line;
    }
    static std::vector<std::string> End(int rows) { return {"E\tOK\t" + std::to_string(rows)}; }

    int32_t Select() {
        return B1_SelectToMdbTable("mario", "SELECT ...", 6, DbPath(), "RISULTATO", "");
    }
    std::string Query(const std::string& sql) const { return Sqlite3Shell(DbPath(), sql); }
    std::string CheckError(const char* jetText) const {
        return std::string(jetText) + " (\"" + DbPath() + "\": INSERT INTO RISULTATO)";
    }
};

TEST_F(ResultPipelineTest, ValuesTheFieldsRefuseStopTheAnswerAndLeaveTheTableEmpty) {
    using namespace jet_error;
    const std::pair<std::string, const char*> refused[] = {
        {"Tabcd\tN\tN\tN\tN\tN", kFieldTooSmall},
        {"T\xC3\xA0\xC3\xA8\xC3\xAC\xC3\xB2\tN\tN\tN\tN\tN", kFieldTooSmall},  // four letters
        {"I1234\tN\tN\tN\tN\tN", kFieldTooSmall},
        {"F0.125\tN\tN\tN\tN\tN", kFieldTooSmall},
        {"N\tI2147483648\tN\tN\tN\tN", kOverflow},
        {"N\tF2.5\tN\tN\tN\tN", kTypeMismatch},
        {"N\tN\tI256\tN\tN\tN", kOverflow},
        {"N\tN\tI-1\tN\tN\tN", kOverflow},
        {"N\tN\tN\tN\tD20240110103000\tN", kTypeMismatch},
        {"N\tN\tN\tN\tT2024-21-10 10:30:00\tN", kTypeMismatch},
        {"N\tN\tN\tN\tN\tI1", kTypeMismatch},
    };
    for (const auto& [row, text] : refused) {
        SCOPED_TRACE(row);
        server.Enqueue(Records(Answer(row, End(kRowsBefore + 1))));
        EXPECT_EQ(Select(), -1);
        EXPECT_EQ(LastError(), CheckError(text));
        EXPECT_EQ(Query("SELECT count(*) FROM RISULTATO"), "0\n");
    }
}

TEST_F(ResultPipelineTest, ValuesAtTheEdgeOfTheFieldsAreTakenAsTheyAre) {
    const std::vector<std::string> rows = {
        "T\xC3\xA0\xC3\xA8\xC3\xAC\tI2147483647\tI255\tI3\tT2024-01-10 10:30:00\tI-1",
        "I123\tF3\tI0\tF-0.5\tN\tI0",
        "F1.5\tI-2147483648\tN\tN\tN\tN",
    };
    std::vector<std::string> records = Answer(rows[0], {});
    for (size_t i = 1; i < rows.size(); ++i)
        records.push_back("R\t" + rows[i]);
    records.push_back(End(kRowsBefore + 3)[0]);
    server.Enqueue(Records(records));
    ASSERT_EQ(Select(), 0) << LastError();
    std::string columns = "''";
    for (const std::string& c : kColumns)
        columns += "||typeof(" + c + ")||':'||ifnull(" + c + ",'')||'|'";
    EXPECT_EQ(Query("SELECT " + columns + " FROM RISULTATO WHERE rowid > " +
                    std::to_string(kRowsBefore) + " ORDER BY rowid"),
              "text:\xC3\xA0\xC3\xA8\xC3\xAC|integer:2147483647|integer:255|real:3.0|"
              "text:2024-01-10 10:30:00|integer:-1|\n"
              "text:123|integer:3|integer:0|real:-0.5|null:|integer:0|\n"
              "text:1.5|integer:-2147483648|null:|null:|null:|null:|\n");
    EXPECT_EQ(Query("SELECT count(*), sum(LUNGO) FROM RISULTATO WHERE rowid <= " +
                    std::to_string(kRowsBefore)),
              std::to_string(kRowsBefore) + "|" +
                  std::to_string(int64_t{kRowsBefore} * (kRowsBefore - 1) / 2) + "\n");
}

TEST_F(ResultPipelineTest, ARefusedRowComesFirstWhateverEndsTheAnswerAfterIt) {
    const std::string bad = "Tabcd\tN\tN\tN\tN\tN";
    const std::vector<std::vector<std::string>> endings = {
        {"R\tI1"},                             // malformed
        {"E\tERR\t1\tORA-01013: interrotto"},  // the server's error
        {"E\tOK\t3"},                          // a count that disagrees
        {},                                    // cut: no end record
    };
    for (const auto& ending : endings) {
        SCOPED_TRACE(Join(ending));
        server.Enqueue(Records(Answer(bad, ending)));
        EXPECT_EQ(Select(), -1);
        EXPECT_EQ(LastError(), CheckError(jet_error::kFieldTooSmall));
        EXPECT_EQ(Query("SELECT count(*) FROM RISULTATO"), "0\n");
    }
}

TEST_F(ResultPipelineTest, ATableCheckOfItsOwnJudgesEveryRow) {
    Query(
        "CREATE TABLE PROPRIA (TESTO TEXT(3) CONSTRAINT [jet_size TESTO] CHECK "
        "(length(TESTO) <= 3), LUNGO LONG CONSTRAINT [PICCOLO] CHECK (LUNGO < 10))");
    std::vector<std::string> records = {"C\tTESTO\tLUNGO"};
    for (int i = 0; i < kRowsBefore; ++i)
        records.push_back("R\tTab\tI" + std::to_string(i % 11));
    records.push_back(End(kRowsBefore)[0]);
    server.Enqueue(Records(records));
    // The eleventh row is the first the table's own check refuses.
    EXPECT_EQ(B1_SelectToMdbTable("mario", "SELECT ...", 2, DbPath(), "PROPRIA", ""), -1);
    EXPECT_EQ(LastError(),
              "CHECK constraint failed: PICCOLO (\"" + DbPath() + "\": INSERT INTO PROPRIA)");
    EXPECT_EQ(Query("SELECT count(*) FROM PROPRIA"), "0\n");
}

}  // namespace
}  // namespace terv::test
