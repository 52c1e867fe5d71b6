// Creating, opening and closing local databases, and the errors of bad files and statements.
#include "data/db/Database.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "DbTestUtil.h"

namespace terv {
namespace {

TEST(DatabaseTest, CreateKeepsTheLocaleAndTheMdbNameAndReadOnlyRefusesWrites) {
    TempFolder dir;
    {
        Database db = CreateDatabase(dir / "palmdb.mdb", dbLangGeneral);
        EXPECT_EQ(db.Locale(), ";LANGID=0x0409;CP=1252;COUNTRY=0");
        db.Execute("CREATE TABLE NORME(CODI_NORMA TEXT(3),DESCR TEXT(50))", dbFailOnError);
        EXPECT_EQ(db.TableNames(), std::vector<std::string>{"NORME"});
    }
    Database again = OpenDatabase(dir / "palmdb.mdb", false, true);
    EXPECT_EQ(again.Locale(), ";LANGID=0x0409;CP=1252;COUNTRY=0");
    EXPECT_TRUE(again.ReadOnly());
    EXPECT_THROW(again.Execute("INSERT INTO NORME VALUES('x', 'y')", dbFailOnError), DbError);
    EXPECT_EQ(Sqlite3Shell(dir / "palmdb.mdb", "SELECT Value FROM MSysDbProperties"),
              ";LANGID=0x0409;CP=1252;COUNTRY=0\n");
}

TEST(DatabaseTest, BadFilesGiveAnErrorNamingTheFile) {
    TempFolder dir;
    test::WriteFileBytes(dir / "text.mdb", std::string(4096, 'x'));
    {
        Database good = MakeDb(dir, "good.mdb", {"CREATE TABLE T(A TEXT(10))"});
        for (int i = 0; i < 200; ++i)
            good.Execute("INSERT INTO T VALUES('" + std::to_string(i) + "')", dbFailOnError);
    }
    // A database whose pages after the first are garbage: the schema is gone.
    std::string bytes = test::ReadFileBytes(dir / "good.mdb");
    test::WriteFileBytes(dir / "cut.mdb", bytes.substr(0, 1024) + std::string(3072, '\xff'));
    const DbError exists = ThrownDbError([&] { CreateDatabase(dir / "text.mdb", dbLangGeneral); });
    EXPECT_EQ(exists.file(), dir / "text.mdb");
    EXPECT_EQ(exists.message(), "database already exists");
    for (const char* name : {"missing.mdb", "text.mdb", "cut.mdb"}) {
        const DbError e = ThrownDbError(
            [&] { OpenDatabase(dir / name).OpenRecordset("SELECT * FROM T", dbOpenSnapshot); });
        EXPECT_EQ(e.file(), dir / name);
        EXPECT_NE(std::string(e.what()).find(dir / name), std::string::npos);
    }
}

TEST(DatabaseTest, StatementErrorsNameTheStatement) {
    TempFolder dir;
    Database db = MakeDb(dir, "a.mdb", {"CREATE TABLE T(A TEXT(10))"});
    const char* bad[] = {"SELEC * FROM T", "DROP TABLE COMUNITMP", "SELECT * FROM T",
                         "INSERT INTO T VALUES('a'); INSERT INTO T VALUES('b')",
                         "INSERT INTO T SELECT * FROM MISSING_TOO"};
    for (const char* sql : bad) {
        const DbError e = ThrownDbError([&] { db.Execute(sql, dbFailOnError); });
        EXPECT_EQ(e.statement(), sql);
        EXPECT_EQ(e.file(), dir / "a.mdb");
    }
    EXPECT_EQ(Sqlite3Shell(dir / "a.mdb", "SELECT count(*) FROM T"), "0\n");
}

TEST(DatabaseTest, RowsAreAppendedFromAnotherFileAllOrNone) {
    TempFolder dir;
    const std::string from = dir / "d'Amico.mdb";
    {
        Database source = MakeDb(dir, "d'Amico.mdb", {"CREATE TABLE T(A TEXT(10), B LONG)"});
        source.Execute("INSERT INTO T VALUES('x', 1)", dbFailOnError);
        source.Execute("INSERT INTO T VALUES('y', 1)", dbFailOnError);
    }
    Database db = MakeDb(dir, "a.mdb",
                         {"CREATE TABLE T(A TEXT(10), B LONG)", "CREATE UNIQUE INDEX U ON T(A)"});
    db.AppendRowsFrom(from, "T");
    // Both rows are there already: the unique index refuses them, and neither comes twice.
    EXPECT_THROW(db.AppendRowsFrom(from, "T"), DbError);
    EXPECT_EQ(Sqlite3Shell(dir / "a.mdb", "SELECT A, B FROM T ORDER BY A"), "x|1\ny|1\n");
    for (const auto& [file, table] : {std::pair{dir / "missing.mdb", "T"}, {from, "NOTAB"}}) {
        const DbError e = ThrownDbError([&] { db.AppendRowsFrom(file, table); });
        EXPECT_EQ(e.file(), dir / "a.mdb") << file;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "missing.mdb"));
    // Each failure let go of the other file: a further one can be appended.
    MakeDb(dir, "b.mdb", {"CREATE TABLE T(A TEXT(10), B LONG)", "INSERT INTO T VALUES('z', 2)"});
    db.AppendRowsFrom(dir / "b.mdb", "T");
    EXPECT_EQ(Sqlite3Shell(dir / "a.mdb", "SELECT COUNT(*) FROM T"), "3\n");
}

TEST(DatabaseTest, ClosedDatabaseAndItsRecordsetsThrow) {
    TempFolder dir;
    Database db = MakeDb(dir, "t.mdb", {"CREATE TABLE T(A TEXT(10))", "INSERT INTO T VALUES('x')"});
    Recordset rs = db.OpenRecordset("T", dbOpenTable);
    db.Close();
    db.Close();
    EXPECT_FALSE(db.IsOpen());
    EXPECT_THROW(db.Execute("DELETE FROM T"), DbError);
    EXPECT_THROW(rs.MoveNext(), DbError);
    EXPECT_THROW(Database().OpenRecordset("T"), DbError);
}

}  // namespace
}  // namespace terv
