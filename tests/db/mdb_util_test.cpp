// The shared helpers: single-value reads, column reads, stored queries, table copies, compaction.
#include "data/db/mdbUtil.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "DbTestUtil.h"

namespace terv {
namespace {

using test::FileExists;

TEST(MdbUtilTest, SingleValueReaders) {
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
}

TEST(MdbUtilTest, ReadColumnReplacesTheList) {
    TempFolder dir;
    Database db = MakeDb(dir, "t.mdb",
                         {"CREATE TABLE T(K TEXT(5))", "INSERT INTO T VALUES('b')",
                          "INSERT INTO T VALUES(NULL)", "INSERT INTO T VALUES('a')"});
    std::vector<std::string> list = {"old", "old", "old", "old"};
    EXPECT_EQ(DbReadColumn(db, "SELECT K FROM T", list), 3);
    EXPECT_EQ(list, (std::vector<std::string>{"b", "", "a"}));
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
    TableDef def = src.GetTableDef("FOTO_RILE");
    ASSERT_TRUE(CopyTableDef(def, dst, "FOTO_COPIA"));
    ASSERT_TRUE(CopyTableDef(def, src, "FOTO_RILETMP"));  // same names, same database
    TableDef copy = dst.GetTableDef("FOTO_COPIA");
    ASSERT_EQ(copy.fields.size(), 5u);
    for (size_t i = 0; i < copy.fields.size(); ++i) {
        EXPECT_EQ(copy.fields[i].name, def.fields[i].name);
        EXPECT_EQ(copy.fields[i].type, def.fields[i].type);
        EXPECT_EQ(copy.fields[i].size, def.fields[i].size);
        EXPECT_EQ(copy.fields[i].required, def.fields[i].required);
        EXPECT_EQ(copy.fields[i].defaultValue, def.fields[i].defaultValue);
    }
    EXPECT_TRUE(copy.fields[0].required);
    EXPECT_EQ(copy.fields[2].defaultValue, "'f.jpg'");
    EXPECT_THROW(dst.Execute("INSERT INTO FOTO_COPIA (PROG_FOTO) VALUES (1)"), DbError);
    dst.Execute("INSERT INTO FOTO_COPIA (ID_PART, PROG_FOTO) VALUES ('a', 1)");
    EXPECT_EQ(DbGetText(dst, "SELECT FILENAME FROM FOTO_COPIA"), "f.jpg");
    EXPECT_THROW(dst.Execute("INSERT INTO FOTO_COPIA (ID_PART, PROG_FOTO) VALUES ('A', 1)"),
                 DbError);
    dst.Execute("DELETE * FROM FOTO_COPIA");
    ASSERT_TRUE(CopyTableDef(src.GetTableDef("N"), dst, "N2"));
    EXPECT_EQ(dst.GetTableDef("N2").fields[0].type, "COUNTER");
    dst.Execute("INSERT INTO N2 (V) VALUES ('x')");
    EXPECT_EQ(DbGetLong(dst, "SELECT ID FROM N2 WHERE V = 'X'"), 1);
    EXPECT_EQ(copy.fields[0].size, 16);
    EXPECT_EQ(copy.fields[1].size, 4);
    ASSERT_EQ(copy.indexes.size(), 3u);
    for (size_t i = 0; i < copy.indexes.size(); ++i) {
        EXPECT_EQ(copy.indexes[i].name, def.indexes[i].name);
        EXPECT_EQ(copy.indexes[i].fields, def.indexes[i].fields);
        EXPECT_EQ(copy.indexes[i].unique, def.indexes[i].unique);
        EXPECT_EQ(copy.indexes[i].primary, def.indexes[i].primary);
    }
    EXPECT_EQ(copy.indexes[0].name, "PrimaryKey");
    EXPECT_EQ(DbGetLong(dst, "SELECT COUNT(*) FROM FOTO_COPIA"), 0);
    EXPECT_EQ(Sqlite3Shell(dir / "src.mdb",
                           "SELECT name FROM sqlite_master WHERE type='index' AND name LIKE "
                           "'FOTO_RILETMP.%' ORDER BY 1"),
              "FOTO_RILETMP.FN\nFOTO_RILETMP.FOTO_RILE_IDX\n");
    EXPECT_THROW(CopyTableDef(def, dst, "FOTO_COPIA"), DbError);
}

TEST(MdbUtilTest, CompactDbKeepsTheDataAndLeavesNoScratchFile) {
    TempFolder dir;
    const std::string path = dir / "x.dat";
    {
        Database db = MakeDb(dir, "x.dat", {"CREATE TABLE T(K TEXT(50))"});
        db.BeginTrans();
        for (int i = 0; i < 2000; ++i)
            db.Execute("INSERT INTO T VALUES('row " + std::to_string(i) + "')");
        db.CommitTrans();
        db.Execute("DELETE FROM T WHERE K<>'row 7'");
    }
    test::WriteFileBytes(path + "cmp", "left over");
    test::WriteFileBytes(path + "bak", "left over");
    auto before = std::filesystem::file_size(path);
    ASSERT_TRUE(CompactDb(path));
    EXPECT_FALSE(FileExists(path + "cmp"));
    EXPECT_FALSE(FileExists(path + "bak"));
    EXPECT_LT(std::filesystem::file_size(path), before);
    EXPECT_EQ(Sqlite3Shell(path, "SELECT K FROM T; PRAGMA integrity_check"), "row 7\nok\n");
    Database db = OpenDatabase(path);
    EXPECT_EQ(db.Locale(), dbLangGeneral);
}

TEST(MdbUtilTest, CompactDbFailureKeepsTheBackup) {
    TempFolder dir;
    const std::string path = dir / "broken.mdb";
    test::WriteFileBytes(path, std::string(5000, 'z'));
    EXPECT_FALSE(CompactDb(path));
    EXPECT_EQ(test::ReadFileBytes(path + "bak"), std::string(5000, 'z'));
    EXPECT_EQ(test::ReadFileBytes(path), std::string(5000, 'z'));
    EXPECT_FALSE(CompactDb(dir / "missing.mdb"));
}

}  // namespace
}  // namespace terv
