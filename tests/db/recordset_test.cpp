// Forward-only, table and dynaset recordsets: reading, Null, positions, Edit/Update, Seek.
#include "data/db/Recordset.h"

#include <gtest/gtest.h>

#include "DbTestUtil.h"
#include "platform/VbText.h"

namespace terv {
namespace {

Database Parcels(const TempFolder& dir) {
    return MakeDb(dir, "palmdb.mdb",
                  {"create table PART_DICH(ID_PART TEXT(16),COD_NAZIONALE TEXT(4),FOGLIO "
                   "INTEGER,SUB TEXT(3),COORDX DOUBLE,NUME_SCAR LONG,FLAG_LAVO TEXT(1))",
                   "INSERT INTO PART_DICH VALUES('F205000745_','F205',7,NULL,12.5,57,'N')",
                   "INSERT INTO PART_DICH VALUES('F205000746A','F205',7,'A',0,57,'S')",
                   "INSERT INTO PART_DICH VALUES('A001000101_','A001',1,'',NULL,57,'s')"});
}

TEST(RecordsetTest, ForwardOnlyReadsValuesWithTheirTypes) {
    TempFolder dir;
    Database db = Parcels(dir);
    Recordset rs = db.OpenRecordset("SELECT * FROM PART_DICH", dbOpenForwardOnly);
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(rs.FieldCount(), 7);
    EXPECT_EQ(rs.FieldName(1), "COD_NAZIONALE");
    EXPECT_EQ(rs.Field("id_part"), Variant("F205000745_"));
    EXPECT_EQ(rs.Field("FOGLIO"), Variant(7));
    EXPECT_EQ(rs.Field("COORDX"), Variant(12.5));
    EXPECT_TRUE(rs.Field("SUB").IsNull());
    EXPECT_FALSE(rs.HasField("NOPE"));
    EXPECT_THROW(rs.Field("NOPE"), DbError);
    rs.MoveNext();
    rs.MoveNext();
    EXPECT_EQ(rs.Field("SUB"), Variant(""));  // empty text is not Null
    EXPECT_TRUE(rs.Field("COORDX").IsNull());
    EXPECT_EQ(rs.AbsolutePosition(), 2);
    rs.MoveNext();
    EXPECT_TRUE(rs.Eof());
    EXPECT_EQ(rs.AbsolutePosition(), -1);
    EXPECT_THROW(rs.MoveNext(), DbError);
    EXPECT_THROW(rs.Field("SUB"), DbError);
    EXPECT_THROW(rs.Edit(), DbError);
}

TEST(RecordsetTest, DynasetEditUpdateWritesTheCurrentRow) {
    TempFolder dir;
    Database db = Parcels(dir);
    Recordset rs = db.OpenRecordset("PART_DICH", dbOpenDynaset);
    EXPECT_EQ(rs.RecordCount(), 3);
    std::vector<long> positions;
    for (; !rs.Eof(); rs.MoveNext()) {
        positions.push_back(rs.AbsolutePosition());
        if (rs.Field("SUB").IsNull()) {
            rs.Edit();
            rs.SetField("FLAG_LAVO", Variant("X"));
            rs.SetField("NUME_SCAR", Variant("58"));  // stored as a number, as Jet would
            rs.Update();
            EXPECT_EQ(rs.Field("NUME_SCAR"), Variant(58));
        }
    }
    EXPECT_EQ(positions, (std::vector<long>{0, 1, 2}));
    rs.MovePrevious();
    EXPECT_EQ(rs.AbsolutePosition(), 2);
    rs.MoveFirst();
    EXPECT_EQ(rs.Field("FLAG_LAVO"), Variant("X"));
    EXPECT_EQ(Sqlite3Shell(dir / "palmdb.mdb",
                           "SELECT ID_PART,NUME_SCAR,typeof(NUME_SCAR),FLAG_LAVO FROM PART_DICH"),
              "F205000745_|58|integer|X\nF205000746A|57|integer|S\nA001000101_|57|integer|s\n");
}

TEST(RecordsetTest, DynasetOverASelectIsUpdatableAndAddNewAppends) {
    TempFolder dir;
    Database db = Parcels(dir);
    Recordset rs = db.OpenRecordset("SELECT ID_PART, FLAG_LAVO FROM PART_DICH WHERE FLAG_LAVO='s'");
    ASSERT_EQ(rs.RecordCount(), 2);  // 'S' and 's': Jet compares without case
    rs.Edit();
    rs.SetField("FLAG_LAVO", Variant());
    rs.Update();
    EXPECT_TRUE(rs.Field(1).IsNull());
    rs.AddNew();
    rs.SetField("ID_PART", Variant("NEW"));
    rs.Update();
    EXPECT_EQ(rs.RecordCount(), 3);
    EXPECT_EQ(rs.AbsolutePosition(), 0);
    rs.MoveLast();
    EXPECT_EQ(rs.Field("ID_PART"), Variant("NEW"));
    EXPECT_EQ(
        Sqlite3Shell(dir / "palmdb.mdb", "SELECT count(*) FROM PART_DICH WHERE FLAG_LAVO IS NULL"),
        "2\n");
}

TEST(RecordsetTest, JoinsViewsAndSnapshotsAreReadOnlyAndEmptyOnesAreAtBothEnds) {
    TempFolder dir;
    Database db = Parcels(dir);
    db.CreateQueryDef("Q", "SELECT * FROM PART_DICH");
    for (auto [source, type] :
         {std::pair{"SELECT A.ID_PART FROM PART_DICH A INNER JOIN PART_DICH B ON A.ID_PART = "
                    "B.ID_PART",
                    dbOpenDynaset},
          std::pair{"Q", dbOpenDynaset}, std::pair{"PART_DICH", dbOpenSnapshot}}) {
        Recordset rs = db.OpenRecordset(source, type);
        EXPECT_THROW(rs.Edit(), DbError) << source;
        EXPECT_THROW(rs.AddNew(), DbError) << source;
    }
    EXPECT_THROW(db.OpenRecordset("Q", dbOpenTable), DbError);
    EXPECT_THROW(db.OpenRecordset("SELECT * FROM PART_DICH", dbOpenTable), DbError);
    for (RecordsetType type : {dbOpenForwardOnly, dbOpenSnapshot, dbOpenDynaset}) {
        Recordset rs = db.OpenRecordset("SELECT * FROM PART_DICH WHERE FOGLIO=99", type);
        EXPECT_TRUE(rs.Eof());
        EXPECT_TRUE(rs.Bof());
        EXPECT_EQ(rs.RecordCount(), 0);
        EXPECT_EQ(rs.AbsolutePosition(), -1);
    }
}

TEST(RecordsetTest, TableSeekFindsTheFirstMatchAndReadsOnInIndexOrder) {
    TempFolder dir;
    Database db = MakeDb(dir, "ric.mdb",
                         {"create table UTIL_RILE( ID_PART TEXT(16),CODI_UTIL TEXT(3),[NOTE] "
                          "TEXT(255))",
                          "CREATE INDEX UTIL_RILE_IP ON UTIL_RILE(ID_PART)",
                          "INSERT INTO UTIL_RILE VALUES('B','003',NULL)",
                          "INSERT INTO UTIL_RILE VALUES('A','001','x')",
                          "INSERT INTO UTIL_RILE VALUES('C','009',NULL)",
                          "INSERT INTO UTIL_RILE VALUES('b','002','it''s')",
                          "CREATE TABLE COMUNI (COD_NAZIONALE TEXT(4) CONSTRAINT PrimaryKey "
                          "PRIMARY KEY, NOME TEXT(50))",
                          "CREATE TABLE N (ID INTEGER PRIMARY KEY, V TEXT(5))",
                          "INSERT INTO COMUNI VALUES('F205','Milano')",
                          "INSERT INTO COMUNI VALUES('A029','Aci Sant''Antonio')",
                          "INSERT INTO N VALUES(5,'five')", "INSERT INTO N VALUES(2,'two')"});
    Recordset rs = db.OpenRecordset("UTIL_RILE", dbOpenTable);
    EXPECT_EQ(rs.RecordCount(), 4);
    rs.SetIndex("UTIL_RILE_IP");
    EXPECT_EQ(rs.Field("ID_PART"), Variant("A"));
    rs.Seek("=", {Variant("B")});
    ASSERT_FALSE(rs.NoMatch());
    std::vector<std::string> found;
    for (; !rs.Eof() && EqualsNoCase(rs.Field("ID_PART").AsText(), "B"); rs.MoveNext())
        found.push_back(rs.Field("CODI_UTIL").AsText() + rs.Field("NOTE").AsText());
    EXPECT_EQ(found, (std::vector<std::string>{"003", "002it's"}));
    EXPECT_EQ(rs.Field("ID_PART"), Variant("C"));
    rs.Seek("=", {Variant("BB")});
    EXPECT_TRUE(rs.NoMatch());
    EXPECT_TRUE(rs.Eof());
    rs.Seek(">", {Variant("b")});
    EXPECT_FALSE(rs.NoMatch());
    EXPECT_EQ(rs.Field("ID_PART"), Variant("C"));
    rs.Seek("=", {Variant("C")});
    rs.Edit();
    rs.SetField("NOTE", Variant("seen"));
    rs.Update();
    EXPECT_EQ(rs.Field("NOTE"), Variant("seen"));
    EXPECT_THROW(rs.SetIndex("NOPE"), DbError);
    EXPECT_EQ(Sqlite3Shell(dir / "ric.mdb", "SELECT [NOTE] FROM UTIL_RILE WHERE ID_PART='C'"),
              "seen\n");
    // The primary key: on text, ignoring case; on a whole number.
    Recordset comuni = db.OpenRecordset("COMUNI", dbOpenTable);
    comuni.SetIndex("PrimaryKey");
    comuni.Seek("=", {Variant("f205")});
    ASSERT_FALSE(comuni.NoMatch());
    EXPECT_EQ(comuni.Field("NOME"), Variant("Milano"));
    comuni.Seek("=", {Variant("A029")});
    EXPECT_EQ(comuni.Field("NOME"), Variant("Aci Sant'Antonio"));
    Recordset n = db.OpenRecordset("N", dbOpenTable);
    n.SetIndex("PrimaryKey");
    EXPECT_EQ(n.Field("V"), Variant("two"));
    n.Seek("=", {Variant(5)});
    EXPECT_EQ(n.Field("V"), Variant("five"));
}

}  // namespace
}  // namespace terv
