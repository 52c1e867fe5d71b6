// SQLite failures as the central system's error texts, and a busy database as a transient
// failure.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "CentralFixture.h"
#include "OraError.h"

namespace terv::central::test {
namespace {

// Failures the dialect and statement tests cannot provoke through SQL; the others are asserted
// there as the server answers them.
TEST(OraErrorTest, MapsSqliteFailures) {
    struct Case {
        int code;
        const char* message;
        const char* text;
        bool transient;
    } cases[] = {
        {SQLITE_LOCKED, "database table is locked",
         "ORA-00054: resource busy and acquire with NOWAIT specified or timeout expired", true},
        {SQLITE_ERROR, "no such column: a.b", "ORA-00904: \"A\".\"B\": invalid identifier", false},
        {SQLITE_CONSTRAINT_UNIQUE, "UNIQUE constraint failed: index 'palmr_foto_rile_PK'",
         "ORA-20001: record already loaded (PALMR_FOTO_RILE_PK)", false},
        {SQLITE_ERROR, "table T has 2 columns but 3 values were supplied",
         "ORA-00913: too many values", false},
        {SQLITE_ERROR, "2 values for 3 columns", "ORA-00947: not enough values", false},
        {SQLITE_ERROR, "incomplete input", "ORA-00921: unexpected end of SQL command", false},
        {SQLITE_ERROR, "cannot modify PALM_UTIL_RILE because it is a view",
         "ORA-01732: data manipulation operation not legal on this view", false},
        {SQLITE_ERROR, "ambiguous column name: ID", "ORA-00918: column ambiguously defined", false},
        {SQLITE_CORRUPT, "database disk image is malformed",
         "ORA-01578: ORACLE data block corrupted", false},
        {SQLITE_ERROR, "something new", "ORA-00600: internal error code, arguments: [1]", false},
    };
    for (const Case& c : cases) {
        const OraError e = MapSqliteError(c.code, c.message);
        EXPECT_EQ(e.text, c.text) << c.message;
        EXPECT_EQ(e.transient, c.transient) << c.message;
    }
}

using BusyTest = CentralDb;

TEST_F(BusyTest, ALockedDatabaseIsATransientFailure) {
    std::string error;
    auto other = Connection::Open(folder_ / "central.db", &functions_, &error);
    ASSERT_TRUE(other) << error;
    ASSERT_TRUE(other->Exec("BEGIN IMMEDIATE", &error)) << error;
    sqlite3_busy_timeout(conn_->db(), 0);
    EXPECT_EQ(Execute("DELETE FROM PALM_NORME"),
              "E\tERR\t1\tORA-00054: resource busy and acquire with NOWAIT specified or timeout "
              "expired\n");
    EXPECT_EQ(Write({{"PALM_NORME", "I", "CODI_NORMA|001", ""}}),
              "E\tERR\t1\tORA-00054: resource busy and acquire with NOWAIT specified or timeout "
              "expired\n");
    EXPECT_EQ(Rows("SELECT PALM_SCARICHI_SEQ.NEXTVAL FROM DUAL"),
              (std::vector<std::string>{"E ERR 1 ORA-00054: resource busy and acquire with NOWAIT "
                                        "specified or timeout expired"}));
    // Readers go on while the writer holds its lock.
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM PALM_NORME"), (std::vector<std::string>{"I0", "E OK 1"}));
    ASSERT_TRUE(other->Exec("ROLLBACK", &error)) << error;
    EXPECT_EQ(Execute("DELETE FROM PALM_NORME"), "E\tOK\t0\n");
}

TEST_F(BusyTest, AFailingRowEndsTheStreamWithTheError) {
    Sql("INSERT INTO PALM_NORME VALUES ('001','20260101'),('002','nodate')");
    EXPECT_EQ(Rows("SELECT TO_DATE(DESCR,'YYYYMMDD') FROM PALM_NORME ORDER BY CODI_NORMA"),
              (std::vector<std::string>{"D20260101000000",
                                        "E ERR 0 ORA-01858: a non-numeric character was found "
                                        "where a numeric was expected"}));
}

}  // namespace
}  // namespace terv::central::test
