// The handheld's SQLite writer, its value formatters and the handheld tables in both flavours,
// read back with the sqlite3 shell.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "../support/TestSupport.h"
#include "ItalianLocale.h"
#include "data/db/Database.h"
#include "export/HandheldSchema.h"
#include "export/HandheldValues.h"
#include "export/sql_lite.h"

namespace terv::test {
namespace {

namespace fs = std::filesystem;

// The file appears under its name only when closed with every good statement; a full file, a
// build given up or a missing folder leave nothing under it.
TEST(SqliteWriter, FileAppearsOnlyWhenClosedAndNeverAfterAFailure) {
    TempFolder dir;
    const std::string file = dir / "db_comu.db";
    int32_t h = sqll_createdb(file);
    ASSERT_GT(h, 0) << sqll_errmsg();
    EXPECT_EQ(sqll_execute(h, "CREATE TABLE T(A VARCHAR(5) PRIMARY KEY, B REAL)"), 0);
    EXPECT_EQ(sqll_execute(h, "INSERT INTO T VALUES('x',1.5)"), 0);
    EXPECT_NE(sqll_execute(h, "INSERT INTO T VALUES('x',2)"), 0);  // duplicate key: row dropped
    EXPECT_NE(sqll_errmsg(), "");
    EXPECT_NE(sqll_execute(h, "INSERT INTO T VALUES('Albiano d'Ivrea',2)"), 0);
    EXPECT_EQ(sqll_execute(h, "INSERT INTO T VALUES('y',NULL)"), 0);
    EXPECT_FALSE(fs::exists(file)) << "a file under the final name before close";
    EXPECT_TRUE(fs::exists(SqllTemporaryName(file)));
    EXPECT_EQ(sqll_closeDb(h), 0) << sqll_errmsg();
    EXPECT_FALSE(fs::exists(SqllTemporaryName(file)));
    EXPECT_EQ(Sqlite3Shell(file, "SELECT A, B FROM T ORDER BY A"), "x|1.5\ny|\n");
    EXPECT_EQ(Sqlite3Shell(file, "PRAGMA integrity_check"), "ok\n");
    EXPECT_EQ(sqll_closeDb(h), -1);
    EXPECT_EQ(sqll_execute(h, "INSERT INTO T VALUES('z',1)"), -1);

    // A table copied whole from a finished file, whose name may hold a quote.
    const std::string source = dir / "d'Amico.db";
    fs::copy_file(file, source);
    const std::string copy = dir / "copy.db";
    h = sqll_createdb(copy);
    sqll_execute(h, "CREATE TABLE T(A VARCHAR(5) PRIMARY KEY, B REAL)");
    EXPECT_NE(sqll_copy_table(h, dir / "none.db", "T"), 0);
    EXPECT_FALSE(fs::exists(dir / "none.db"));
    EXPECT_EQ(sqll_copy_table(h, source, "T"), 0) << sqll_errmsg();
    EXPECT_EQ(sqll_execute(h, "INSERT INTO T VALUES('z',3)"), 0);
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_EQ(sqll_closeDb(h), 0) << sqll_errmsg();
    EXPECT_EQ(Sqlite3Shell(copy, "SELECT A, B FROM T ORDER BY A"), "x|1.5\ny|\nz|3.0\n");

    // A database that starts as a copy of a finished one, which stays as it was.
    const std::string started = dir / "started.db";
    EXPECT_EQ(sqll_createdb_from(started, dir / "none.db"), 0);
    EXPECT_FALSE(fs::exists(started) || fs::exists(SqllTemporaryName(started)));
    h = sqll_createdb_from(started, file);
    ASSERT_GT(h, 0) << sqll_errmsg();
    EXPECT_EQ(sqll_execute(h, "INSERT INTO T VALUES('w',4)"), 0);
    EXPECT_FALSE(fs::exists(started));
    EXPECT_EQ(sqll_closeDb(h), 0) << sqll_errmsg();
    EXPECT_EQ(Sqlite3Shell(started, "SELECT A, B FROM T ORDER BY A"), "w|4.0\nx|1.5\ny|\n");
    EXPECT_EQ(Sqlite3Shell(file, "SELECT A FROM T ORDER BY A"), "x\ny\n");

    // A full file: the writer stops accepting rows and the close discards it.
    const std::string full = dir / "full.db";
    h = sqll_createdb(full);
    ASSERT_GT(h, 0);
    sqll_execute(h, "CREATE TABLE T(A TEXT)");
    sqll_execute(h, "PRAGMA max_page_count=3");
    int32_t failed = 0;
    for (int i = 0; i < 200 && failed == 0; ++i)
        failed = sqll_execute(h, "INSERT INTO T VALUES('" + std::string(400, 'x') + "')");
    EXPECT_NE(failed, 0);
    EXPECT_NE(sqll_execute(h, "CREATE TABLE U(A TEXT)"), 0);
    EXPECT_NE(sqll_closeDb(h), 0);
    EXPECT_FALSE(fs::exists(full));
    EXPECT_FALSE(fs::exists(SqllTemporaryName(full)));
    // A build given up before its close.
    const std::string dropped = dir / "dropped.db";
    h = sqll_createdb(dropped);
    sqll_execute(h, "CREATE TABLE T(A TEXT)");
    EXPECT_EQ(sqll_discard(h), 0);
    EXPECT_FALSE(fs::exists(dropped));
    EXPECT_FALSE(fs::exists(SqllTemporaryName(dropped)));
    // A folder that does not exist.
    EXPECT_EQ(sqll_createdb(dir / "missing/db_comu.db"), 0);
    EXPECT_NE(sqll_errmsg(), "");
}

TEST(SqliteWriter, FillsALocalTableByColumnName) {
    TempFolder dir;
    const std::string file = dir / "palm.db";
    const int32_t h = sqll_createdb(file);
    sqll_execute(h, "CREATE TABLE UTIL_RILE(ID_PART TEXT, CODI_UTIL TEXT, NOTE TEXT, X REAL)");
    sqll_execute(h, "INSERT INTO UTIL_RILE VALUES('F205000745_','001','d''Amico',12.5)");
    sqll_execute(h, "INSERT INTO UTIL_RILE VALUES('F205000746_','002',NULL,0)");
    ASSERT_EQ(sqll_closeDb(h), 0);
    Database mdb = CreateDatabase(dir / "rientro.mdb", dbLangGeneral);
    mdb.Execute("CREATE TABLE STAGE(NOTE TEXT(255), ID_PART TEXT(16), CARICATO LONG)");
    ASSERT_EQ(sqll_fill_mdbtable(file, "UTIL_RILE", mdb, "STAGE"), 0) << sqll_errmsg();
    Recordset rs = mdb.OpenRecordset("SELECT ID_PART, NOTE, CARICATO FROM STAGE ORDER BY ID_PART",
                                     dbOpenForwardOnly);
    std::string rows;
    for (; !rs.Eof(); rs.MoveNext()) {
        rows += rs.Field(0).AsText() + "|" +
                (rs.Field(1).IsNull() ? "<null>" : rs.Field(1).AsText()) + "|" +
                (rs.Field(2).IsNull() ? "<null>" : "?") + "\n";
    }
    EXPECT_EQ(rows, "F205000745_|d'Amico|<null>\nF205000746_|<null>|<null>\n");
    EXPECT_NE(sqll_fill_mdbtable(file, "NESSUNA", mdb, "STAGE"), 0);
    EXPECT_NE(sqll_fill_mdbtable(dir / "missing.db", "UTIL_RILE", mdb, "STAGE"), 0);
}

TEST(HandheldValues, TextAndNumberFormsWhateverTheLocale) {
    ItalianNumbers italian(true);
    ASSERT_TRUE(italian.Active()) << "no Italian locale to test under";
    const struct {
        Variant value;
        const char* text;
        const char* number;
    } cases[] = {
        {Variant(), "NULL", "NULL"},
        {Variant(" "), "NULL", "0"},
        {Variant(""), "NULL", "0"},
        {Variant(" A "), "'A'", "0"},
        {Variant("Albiano d'Ivrea"), "'Albiano d''Ivrea'", "0"},
        {Variant(12.5), "'12.5'", "12.5"},
        {Variant(0.0), "'0'", "0"},
        {Variant(-0.25), "'-.25'", "-.25"},
        {Variant(int64_t{1234567}), "'1234567'", "1234567"},
        {Variant(4601234.125), "'4601234.125'", "4601234.125"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SqlText(c.value), c.text) << c.text;
        EXPECT_EQ(SqlNumber(c.value), c.number) << c.number;
    }
    EXPECT_EQ(SqlQuoted("D'Amico"), "'D''Amico'");
    EXPECT_EQ(SqlQuoted(""), "''");
}

TEST(HandheldValues, PreparedInsertStoresWhatTheStatementTextStores) {
    // The same PART_DICH rows as INSERT text and through the prepared insert, compared cell by
    // cell, type and exact value.
    ItalianNumbers italian(true);
    const Variant values[] = {Variant(),
                              Variant(" "),
                              Variant(" A "),
                              Variant("D'Amico"),
                              Variant("12.5abc"),
                              Variant(" 7 "),
                              Variant(12.5),
                              Variant(0.0),
                              Variant(-0.5),
                              Variant(0.1 + 0.2),
                              Variant(4601234.125),
                              Variant(1e16),
                              Variant(-2.5e-7),
                              Variant(int64_t{1234567}),
                              Variant(int64_t{123456789012345678})};
    TempFolder dir;
    const std::string text = dir / "text.db";
    const std::string bound = dir / "bound.db";
    const int32_t t = sqll_createdb(text);
    const int32_t b = sqll_createdb(bound);
    CreateComuneTables(t, nullptr);
    CreateComuneTables(b, nullptr);
    const std::set<int> numbers = {5, 8, 9, 11, 12};
    int id = 0;
    for (const Variant& v : values) {
        std::string sql = "INSERT INTO PART_DICH VALUES('P" + std::to_string(++id) + "'";
        std::vector<SqllValue> row = {{SqllValue::kText, "P" + std::to_string(id)}};
        for (int c = 1; c < 15; ++c) {
            const bool number = numbers.count(c) > 0;
            sql += "," + (number ? SqlNumber(v) : SqlText(v));
            row.push_back(number ? NumberValue(v) : TextValue(v));
        }
        EXPECT_EQ(sqll_execute(t, sql + ")"), 0) << sql;
        EXPECT_EQ(sqll_insert(b, "PART_DICH", row), 0) << sqll_errmsg();
    }
    ASSERT_EQ(sqll_closeDb(t), 0);
    ASSERT_EQ(sqll_closeDb(b), 0);
    std::string same =
        "SELECT COUNT(*) FROM PART_DICH a JOIN b.PART_DICH o USING (ID_PART) WHERE 1";
    for (const char* c :
         {"COD_NAZIONALE", "PROV", "COMU", "SEZI", "FOGLIO", "PART", "SUB", "COORDX", "COORDY",
          "TIPO_LAVO", "NUME_SCAR", "NUME_FOTO_RICH", "FLAG_LAVO", "COD_AGRONOMO"}) {
        same += std::string(" AND a.") + c + " IS o." + c + " AND typeof(a." + c + ")=typeof(o." +
                c + ")";
    }
    EXPECT_EQ(Sqlite3Shell(text, "ATTACH '" + bound + "' AS b; " + same),
              std::to_string(id) + "\n");
    EXPECT_EQ(Sqlite3Shell(bound, "SELECT COUNT(*) FROM PART_DICH"), std::to_string(id) + "\n");
    // A statement failure drops the row and the writer goes on.
    const std::string again = dir / "again.db";
    const int32_t a = sqll_createdb(again);
    CreateComuneTables(a, nullptr);
    const std::vector<SqllValue> norma = {{SqllValue::kText, "001"}, {}};
    EXPECT_EQ(sqll_insert(a, "NORME", norma), 0);
    EXPECT_NE(sqll_insert(a, "NORME", norma), 0);
    EXPECT_NE(sqll_insert(a, "NESSUNA", norma), 0);
    EXPECT_EQ(sqll_insert(a, "NORME", {{SqllValue::kText, "002"}, {}}), 0);
    EXPECT_EQ(sqll_closeDb(a), 0);
    EXPECT_EQ(Sqlite3Shell(again, "SELECT group_concat(CODI_NORMA) FROM NORME"), "001,002\n");
}

TEST(HandheldSchemaTest, SqliteTablesOfTheHandheld) {
    TempFolder dir;
    const std::string main = dir / "terv34bis_ppc.db";
    const std::string comu = dir / "db_comu.db";
    int32_t h = sqll_createdb(main);
    CreateMainTables(h, nullptr);
    ASSERT_EQ(sqll_closeDb(h), 0);
    h = sqll_createdb(comu);
    CreateComuneTables(h, nullptr);
    ASSERT_EQ(sqll_closeDb(h), 0);
    EXPECT_EQ(Sqlite3Shell(main, "SELECT name FROM sqlite_master WHERE type='table'"),
              "COMUNI\nAGRONOMI\n");
    EXPECT_EQ(Sqlite3Shell(comu, "SELECT name FROM sqlite_master WHERE type='table'"),
              "PART_DICH\nUTIL_RILE\nFAG_RILE\nNORME_RILE\nUTIL_DICH\nNORME\nCODI_DICH\n"
              "CODI_RILE_UTIL\nCODI_RILE_VARI\n");
    const struct {
        const std::string& file;
        std::string table;
        const char* columns;
    } tables[] = {
        {main, "COMUNI",
         "COD_NAZIONALE VARCHAR(4) 1\nDENO_COMU VARCHAR(50) 0\nSIGLA_PROV VARCHAR(2) 0\n"},
        {main, "AGRONOMI", "COD_AGRONOMO VARCHAR(11) 0\nNOME VARCHAR(50) 0\nPWD VARCHAR(10) 0\n"},
        {comu, "PART_DICH",
         "ID_PART VARCHAR(16) 1\nCOD_NAZIONALE VARCHAR(4) 0\nPROV VARCHAR(3) 0\nCOMU VARCHAR(3) "
         "0\nSEZI VARCHAR(1) 0\nFOGLIO INTEGER 0\nPART VARCHAR(5) 0\nSUB VARCHAR(3) 0\nCOORDX REAL "
         "0\nCOORDY REAL 0\nTIPO_LAVO VARCHAR(1) 0\nNUME_SCAR INTEGER 0\nNUME_FOTO_RICH INTEGER "
         "0\nFLAG_LAVO VARCHAR(1) 0\nCOD_AGRONOMO VARCHAR(11) 0\n"},
        {comu, "UTIL_DICH",
         "ID_PART VARCHAR(16) 1\nCODI_UTIL VARCHAR(3) 2\nCODI_VARI VARCHAR(3) 3\nSUPE_DICH INTEGER "
         "0\n"},
        {comu, "CODI_DICH",
         "ELEG VARCHAR(1) 0\nCODI_UTIL VARCHAR(3) 1\nCODI_VARI VARCHAR(3) 2\nDESCR VARCHAR(150) "
         "0\n"},
        {comu, "CODI_RILE_UTIL",
         "CODI_UTIL VARCHAR(3) 1\nDESCR VARCHAR(90) 0\nDESC_BREVE VARCHAR(10) 0\n"},
        {comu, "CODI_RILE_VARI",
         "CODI_UTIL VARCHAR(3) 1\nCODI_VARI VARCHAR(3) 2\nDESCR VARCHAR(25) 0\n"},
        {comu, "NORME", "CODI_NORMA VARCHAR(3) 1\nDESCR VARCHAR(50) 0\n"},
        {comu, "UTIL_RILE",
         "ID_PART VARCHAR(16) 1\nCODI_UTIL VARCHAR(3) 2\nSTAT_COLT VARCHAR(3) 3\nCOORDX REAL "
         "0\nCOORDY REAL 0\nNOTE VARCHAR(255) 0\n"},
        {comu, "FAG_RILE",
         "ID_PART VARCHAR(16) 1\nPROG_POLI INTEGER 2\nSEST_REGO VARCHAR(1) 0\nDIST_TRA_FILA "
         "INTEGER 0\nDIST_SU_FILA INTEGER 0\nNUME_NOCC INTEGER 0\nNUME_NOCE INTEGER 0\nNUME_MAND "
         "INTEGER 0\nNUME_PIST INTEGER 0\nNUME_CARR INTEGER 0\nNUME_CAST INTEGER 0\nNUME_ALTR "
         "INTEGER 0\nFLAG_PROD VARCHAR(1) 0\nFLAG_ERBA VARCHAR(1) 0\n"},
        {comu, "NORME_RILE",
         "ID_PART VARCHAR(16) 1\nCODI_NORMA VARCHAR(3) 2\nVIOLAZIONE INTEGER 0\n"},
    };
    for (const auto& t : tables) {  // name, type, primary-key position of each column
        EXPECT_EQ(Sqlite3Shell(t.file, "SELECT name||' '||type||' '||pk FROM pragma_table_info('" +
                                           t.table + "')"),
                  t.columns)
            << t.table;
    }
}

TEST(HandheldSchemaTest, LocalFlavourAndTransitTables) {
    TempFolder dir;
    Database local = CreateDatabase(dir / "rientro.mdb", dbLangGeneral);
    CreateMainTables(0, &local);
    CreateComuneTables(0, &local);
    EXPECT_EQ(local.TableNames(),
              (std::vector<std::string>{"COMUNI", "AGRONOMI", "PART_DICH", "UTIL_RILE", "FAG_RILE",
                                        "NORME_RILE", "FOTO_RILE", "UTIL_DICH", "NORME",
                                        "CODI_DICH", "CODI_RILE_UTIL", "CODI_RILE_VARI"}));
    EXPECT_EQ(local.ColumnNames("PART_DICH").back(), "CARICATO");
    EXPECT_EQ(local.ColumnNames("FOTO_RILE").size(), 9u);
    EXPECT_EQ(local.ColumnNames("UTIL_RILE")[5], "NOTE");
    EXPECT_THROW(CreateMainTables(0, &local), DbError);  // tables exist: the failure is raised

    Database palm = CreateDatabase(dir / "palmdb.mdb", dbLangGeneral);
    for (const std::string& sql : PalmDbTableStatements())
        palm.Execute(sql, dbFailOnError);
    for (const std::string& sql : PalmDbIndexStatements())
        palm.Execute(sql, dbFailOnError);
    EXPECT_EQ(palm.TableNames(), (std::vector<std::string>{"PART_DICH", "UTIL_DICH", "CODI_DICH",
                                                           "CODI_RILE_UTIL", "NORME", "AGRONOMI",
                                                           "UTIL_RILE", "FAG_RILE", "NORME_RILE"}));
    EXPECT_EQ(palm.ColumnNames("PART_DICH").size(), 15u);
    EXPECT_EQ(palm.ColumnNames("FAG_RILE").size(), 16u);
}

}  // namespace
}  // namespace terv::test
