// The rewrite of Jet statements into SQLite statements, case by case.
#include "data/db/JetSql.h"

#include <gtest/gtest.h>

#include <map>

namespace terv {
namespace {

std::vector<std::string> Columns(const std::string& table) {
    static const std::map<std::string, std::vector<std::string>> kTables = {
        {"COMUNI", {"COD_NAZIONALE", "NOME"}},
        {"COMUNITMP", {"NOME", "cod_nazionale"}},
        {"WIDE", {"COD_NAZIONALE", "NOME", "EXTRA"}}};
    auto it = kTables.find(table);
    return it == kTables.end() ? std::vector<std::string>{} : it->second;
}

struct Case {
    const char* jet;
    const char* sqlite;
};

TEST(JetSqlTest, RewritesOnlyWhatSqliteReadsDifferently) {
    const Case cases[] = {
        {"create table UTIL_RILE( ID_PART TEXT(16),COORDX double,[NOTE] TEXT(255),CARICATO LONG)",
         "create table UTIL_RILE( ID_PART TEXT(16) COLLATE NOCASE,COORDX double,[NOTE] TEXT(255) "
         "COLLATE NOCASE,CARICATO LONG)"},
        {"CREATE TABLE T(A MEMO, B VARCHAR(3) NOT NULL, C TEXT COLLATE BINARY, D INTEGER)",
         "CREATE TABLE T(A LONGTEXT COLLATE NOCASE, B VARCHAR(3) COLLATE NOCASE NOT NULL, C TEXT "
         "COLLATE BINARY, D INTEGER)"},
        {"CREATE TABLE T (K TEXT(4), CONSTRAINT PrimaryKey PRIMARY KEY (K))",
         "CREATE TABLE T (K TEXT(4) COLLATE NOCASE, CONSTRAINT PrimaryKey PRIMARY KEY (K))"},
        {"ALTER TABLE PART_DICH ADD COLUMN DATA_LAV TEXT(14)",
         "ALTER TABLE PART_DICH ADD COLUMN DATA_LAV TEXT(14) COLLATE NOCASE"},
        {"SELECT * FROM T WHERE A=\"it's\"", "SELECT * FROM T WHERE A='it''s'"},
        {"SELECT * FROM T WHERE A LIKE 'F2*?'", "SELECT * FROM T WHERE A LIKE 'F2%_'"},
        {"SELECT DISTINCTROW A FROM T", "SELECT  A FROM T"},
        {"create index PART_DICH_COMU ON PART_DICH(COD_NAZIONALE)",
         "create index [PART_DICH.PART_DICH_COMU] ON PART_DICH(COD_NAZIONALE)"},
        {"CREATE INDEX K ON [T] (A) WITH PRIMARY", "CREATE UNIQUE INDEX [T.K] ON [T] (A) "},
        {"DROP INDEX K ON T", "DROP INDEX [T.K]"},
        {"INSERT INTO COMUNI SELECT * FROM COMUNITMP",
         "INSERT INTO COMUNI ([NOME],[cod_nazionale]) SELECT [NOME],[cod_nazionale] FROM "
         "COMUNITMP"},
        {"SELECT 'a -- b', \"x\" -- note\nFROM T", "SELECT 'a -- b', 'x' -- note\nFROM T"},
        {"SELECT FIRST(NUME_SCAR) FROM PART_DICH", "SELECT FIRST(NUME_SCAR) FROM PART_DICH"},
        {"  insert into COMUNI select * from COMUNITMP where 1",
         "  insert into COMUNI ([NOME],[cod_nazionale]) select [NOME],[cod_nazionale] from "
         "COMUNITMP where 1"},
        {"select * from T where a like \"x*\"", "select * from T where a like 'x%'"},
        {" drop index K on T", " drop index [T.K]"},
        {"INSERT INTO T VALUES('a*', 1)", "INSERT INTO T VALUES('a*', 1)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RewriteJetSql(c.jet, Columns), c.sqlite) << c.jet;
}

TEST(JetSqlTest, InsertSelectStarFailsOnAFieldTheTargetLacks) {
    EXPECT_THROW(RewriteJetSql("INSERT INTO COMUNI SELECT * FROM WIDE", Columns), JetSqlError);
    EXPECT_THROW(RewriteJetSql("INSERT INTO NOWHERE SELECT * FROM COMUNI", Columns), JetSqlError);
}

TEST(JetSqlTest, UpdatableSourceAddsTheRowId) {
    std::string table, sql;
    ASSERT_TRUE(UpdatableSource("SELECT * FROM PART_DICH WHERE A=1", table, sql));
    EXPECT_EQ(table, "PART_DICH");
    EXPECT_EQ(sql, "SELECT [PART_DICH].rowid, * FROM PART_DICH WHERE A=1");
    ASSERT_TRUE(UpdatableSource("select a.x from [T] as a order by x", table, sql));
    EXPECT_EQ(sql, "select a.rowid, a.x from [T] as a order by x");
    for (const char* readOnly :
         {"SELECT * FROM A INNER JOIN B ON A.X=B.X", "SELECT * FROM A, B", "SELECT COUNT(*) FROM A",
          "SELECT DISTINCT X FROM A", "SELECT X FROM A GROUP BY X", "SELECT * FROM (SELECT 1)"})
        EXPECT_FALSE(UpdatableSource(readOnly, table, sql)) << readOnly;
}

}  // namespace
}  // namespace terv
