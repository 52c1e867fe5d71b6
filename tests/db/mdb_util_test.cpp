// The shared helpers: single-value reads, column reads, stored queries, table copies, compaction.
#include "data/db/mdbUtil.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "DbTestUtil.h"

namespace terv {
namespace {

using test::FileExists;

TEST(MdbUtilTest, SingleValueAndColumnReaders) {
    TempFolder dir;
    Database db = MakeDb(
        dir, "t.mdb",
        {"CREATE TABLE T(K TEXT(5), N LONG, D DOUBLE, S TEXT(10))",
         "INSERT INTO T VALUES('null',NULL,NULL,NULL)", "INSERT INTO T VALUES('half',2,2.5,'')",
         "INSERT INTO T VALUES('text',3,3.5,' 57,')"});
    struct Case {
        const char* where;
        int32_t asLong;
        const char* asText;
        const char* orX;
    };
    const Case cases[] = {
        {"K='none'", 0, "", "x"},
        {"K='null'", 0, "", "x"},
        {"K='half'", 2, "2", "2"},
        {"K='text'", 3, "3", "3"},
    };
    for (const Case& c : cases) {
        std::string where = std::string(" FROM T WHERE ") + c.where;
        EXPECT_EQ(DbGetLong(db, "SELECT N" + where), c.asLong) << c.where;
        EXPECT_EQ(DbGetText(db, "SELECT N" + where), c.asText) << c.where;
        EXPECT_EQ(DbGetTextOr(db, "SELECT N" + where, "x"), c.orX) << c.where;
    }
    EXPECT_EQ(DbGetLong(db, "SELECT D FROM T WHERE K='half'"), 2);  // half to even
    EXPECT_EQ(DbGetLong(db, "SELECT D FROM T WHERE K='text'"), 4);
    EXPECT_EQ(DbGetLong(db, "SELECT S FROM T WHERE K='text'"), 57);
    EXPECT_EQ(DbGetTextOr(db, "SELECT S FROM T WHERE K='half'", "x"), "");  // empty is not Null
    EXPECT_EQ(DbGetText(db, "SELECT D FROM T WHERE K='half'"), "2.5");
    EXPECT_THROW(DbGetLong(db, "SELECT NOPE FROM T"), DbError);
    // A column read replaces the list; Null reads as empty.
    std::vector<std::string> list = {"old", "old", "old", "old"};
    EXPECT_EQ(DbReadColumn(db, "SELECT S FROM T", list), 3);
    EXPECT_EQ(list, (std::vector<std::string>{"", "", " 57,"}));
    EXPECT_EQ(DbReadColumn(db, "SELECT K FROM T WHERE K='zz'", list), 0);
    EXPECT_TRUE(list.empty());
}

TEST(MdbUtilTest, SetQueryDefCreatesAndReplaces) {
    TempFolder dir;
    Database db = MakeDb(dir, "t.mdb",
                         {"CREATE TABLE T(K TEXT(5), N LONG)", "INSERT INTO T VALUES('a',1)",
                          "INSERT INTO T VALUES('B',2)"});
    SetQueryDef(db, "Q", "SELECT K FROM T WHERE N=1");
    EXPECT_EQ(DbGetText(db, "SELECT K FROM Q"), "a");
    SetQueryDef(db, "Q", "SELECT K FROM T WHERE K=\"b\"");
    EXPECT_EQ(DbGetText(db, "Q"), "B");
    EXPECT_TRUE(db.QueryDefExists("q"));
    EXPECT_EQ(Sqlite3Shell(dir / "t.mdb", "SELECT * FROM Q"), "B\n");
    EXPECT_THROW(SetQueryDef(db, "Q2", "DELETE FROM T"), DbError);
    EXPECT_THROW(db.DeleteQueryDef("Q2"), DbError);
}

// A table definition as text: a line per field (name, type, size, NOT NULL, default), then a line
// per index (kind, name, fields).
std::string Describe(const TableDef& def) {
    std::string text;
    for (const FieldDef& f : def.fields) {
        text += f.name + " " + f.type + " " + std::to_string(f.size) +
                (f.required ? " NOT NULL" : "") + (f.defaultValue.empty() ? "" : " = ") +
                f.defaultValue + "\n";
    }
    for (const IndexDef& i : def.indexes) {
        text += std::string(i.primary ? "PRIMARY " : "") + (i.unique ? "UNIQUE " : "") + i.name;
        for (const std::string& field : i.fields)
            text += " " + field;
        text += "\n";
    }
    return text;
}

TEST(MdbUtilTest, CopyTableDefCopiesFieldsSizesAndIndexes) {
    TempFolder dir;
    Database src =
        MakeDb(dir, "src.mdb",
               {"CREATE TABLE FOTO_RILE(ID_PART TEXT(16) NOT NULL,PROG_FOTO LONG,FILENAME "
                "TEXT(25) DEFAULT 'f.jpg',COORDX DOUBLE,[NOTE] TEXT(255), CONSTRAINT "
                "PrimaryKey PRIMARY KEY (ID_PART, PROG_FOTO))",
                "CREATE TABLE N (ID COUNTER, V TEXT(5))",
                "create index FOTO_RILE_IDX on FOTO_RILE(ID_PART,PROG_FOTO)",
                "CREATE UNIQUE INDEX FN ON FOTO_RILE(FILENAME)",
                "INSERT INTO FOTO_RILE VALUES('A',1,'f',1.5,NULL)"});
    Database dst = MakeDb(dir, "dst.mdb", {});
    const TableDef def = src.GetTableDef("FOTO_RILE");
    ASSERT_TRUE(CopyTableDef(def, dst, "FOTO_COPIA"));
    ASSERT_TRUE(CopyTableDef(def, src, "FOTO_RILETMP"));  // same names, same database
    ASSERT_TRUE(CopyTableDef(src.GetTableDef("N"), dst, "N2"));
    EXPECT_EQ(Describe(def),
              "ID_PART TEXT(16) 16 NOT NULL\nPROG_FOTO LONG 4\nFILENAME TEXT(25) 25 = 'f.jpg'\n"
              "COORDX DOUBLE 8\nNOTE TEXT(255) 255\nPRIMARY UNIQUE PrimaryKey ID_PART PROG_FOTO\n"
              "FOTO_RILE_IDX ID_PART PROG_FOTO\nUNIQUE FN FILENAME\n");
    EXPECT_EQ(Describe(dst.GetTableDef("FOTO_COPIA")), Describe(def));
    EXPECT_EQ(Describe(src.GetTableDef("FOTO_RILETMP")), Describe(def));
    EXPECT_EQ(Describe(dst.GetTableDef("N2")),
              "ID COUNTER 4\nV TEXT(5) 5\nPRIMARY UNIQUE PrimaryKey ID\n");
    // The copy keeps NOT NULL, the default and the primary key (ignoring case), not the rows.
    EXPECT_THROW(dst.Execute("INSERT INTO FOTO_COPIA (PROG_FOTO) VALUES (1)"), DbError);
    dst.Execute("INSERT INTO FOTO_COPIA (ID_PART, PROG_FOTO) VALUES ('a', 1)");
    EXPECT_EQ(DbGetText(dst, "SELECT FILENAME FROM FOTO_COPIA"), "f.jpg");
    EXPECT_THROW(dst.Execute("INSERT INTO FOTO_COPIA (ID_PART, PROG_FOTO) VALUES ('A', 1)"),
                 DbError);
    dst.Execute("INSERT INTO N2 (V) VALUES ('x')");
    EXPECT_EQ(DbGetLong(dst, "SELECT ID FROM N2 WHERE V = 'X'"), 1);
    EXPECT_THROW(CopyTableDef(def, dst, "FOTO_COPIA"), DbError);
}

TEST(MdbUtilTest, CompactDbKeepsTheDataAndLeavesNoScratchFileOrKeepsTheBackup) {
    TempFolder dir;
    const std::string path = dir / "x.dat";
    {
        Database db = MakeDb(dir, "x.dat", {"CREATE TABLE T(K TEXT(50))"});
        db.BeginTrans();
        for (int i = 0; i < 2000; ++i)
            db.Execute("INSERT INTO T VALUES('row " + std::to_string(i) + "')");
        db.CommitTrans();
        db.Execute("DELETE FROM T WHERE K<>'row 7'");
        EXPECT_EQ(db.RecordsAffected(), 1999);
    }
    test::WriteFileBytes(path + "cmp", "left over");
    test::WriteFileBytes(path + "bak", "left over");
    auto before = std::filesystem::file_size(path);
    ASSERT_TRUE(CompactDb(path));
    EXPECT_FALSE(FileExists(path + "cmp"));
    EXPECT_FALSE(FileExists(path + "bak"));
    EXPECT_LT(std::filesystem::file_size(path), before);
    EXPECT_EQ(Sqlite3Shell(path, "SELECT K FROM T; PRAGMA integrity_check"), "row 7\nok\n");
    EXPECT_EQ(OpenDatabase(path).Locale(), dbLangGeneral);
    // A file that is no database: it stays, and so does its backup.
    const std::string broken = dir / "broken.mdb";
    test::WriteFileBytes(broken, std::string(5000, 'z'));
    EXPECT_FALSE(CompactDb(broken));
    EXPECT_EQ(test::ReadFileBytes(broken + "bak"), std::string(5000, 'z'));
    EXPECT_EQ(test::ReadFileBytes(broken), std::string(5000, 'z'));
    EXPECT_FALSE(CompactDb(dir / "missing.mdb"));
}

}  // namespace
}  // namespace terv
