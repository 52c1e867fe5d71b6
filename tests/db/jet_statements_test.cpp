// The local statements of the export, return and receipt procedures, run unchanged on small
// databases, with the data that tells Jet's answers from a naive translation.
#include <gtest/gtest.h>

#include "DbTestUtil.h"
#include "data/db/mdbUtil.h"
#include "platform/VbText.h"

namespace terv {
namespace {

// The transit database as the export creates it.
Database Palmdb(const TempFolder& dir) {
    return MakeDb(
        dir, "palmdb.mdb",
        {"create table PART_DICH(ID_PART TEXT(16),COD_NAZIONALE TEXT(4),PROV TEXT(3),COMU "
         "TEXT(3),SEZI TEXT(1),FOGLIO INTEGER,PART TEXT(5),SUB TEXT(3),COORDX DOUBLE,COORDY "
         "DOUBLE,TIPO_LAVO TEXT(1),NUME_SCAR LONG,NUME_FOTO_RICH LONG,FLAG_LAVO "
         "TEXT(1),COD_AGRONOMO TEXT(11))",
         "create table UTIL_DICH(    ID_PART TEXT(16),   CODI_UTIL TEXT(3),  CODI_VARI TEXT(3),  "
         "SUPE_DICH DOUBLE)",
         "CREATE TABLE CODI_DICH(CODI_UTIL TEXT(3),CODI_VARI TEXT(3),DESCR TEXT(150))",
         "CREATE TABLE CODI_RILE_UTIL(CODI_UTIL TEXT(3),DESCR TEXT(90),DESC_BREVE TEXT(10))",
         "CREATE TABLE NORME(CODI_NORMA TEXT(3),DESCR TEXT(50))",
         "CREATE TABLE AGRONOMI(COD_AGRONOMO TEXT(11),NOME TEXT(50),PWD TEXT(10))",
         "create table UTIL_RILE( ID_PART TEXT(16),CODI_UTIL TEXT(3),STAT_COLT TEXT(3),COORDX "
         "double,COORDY double,[NOTE] TEXT(255),CARICATO LONG,DATA_LAV TEXT(14))",
         "create table FAG_RILE(  ID_PART TEXT(16),    PROG_POLI INTEGER,  SEST_REGO TEXT(1),   "
         "DIST_TRA_FILA INTEGER,  DIST_SU_FILA INTEGER,   NUME_NOCC INTEGER,  NUME_NOCE INTEGER,  "
         "NUME_MAND INTEGER,  NUME_PIST INTEGER,  NUME_CARR INTEGER,  NUME_CAST INTEGER,  "
         "NUME_ALTR INTEGER,  FLAG_PROD TEXT(1),   FLAG_ERBA TEXT(1),CARICATO LONG,DATA_LAV "
         "TEXT(14))",
         "create table NORME_RILE( ID_PART TEXT(16),    CODI_NORMA TEXT(3), VIOLAZIONE "
         "INTEGER,CARICATO LONG,DATA_LAV TEXT(14))"});
}

void Part(Database& db, const std::string& id, const std::string& comune, int foglio,
          const std::string& flag, const std::string& scar = "57") {
    db.Execute(
        "INSERT INTO PART_DICH (ID_PART,COD_NAZIONALE,FOGLIO,PART,SUB,NUME_SCAR,FLAG_LAVO) "
        "VALUES('" +
            id + "','" + comune + "'," + std::to_string(foglio) + ",'" + id.substr(8, 2) + "','" +
            id.substr(10) + "'," + scar + ",'" + flag + "')",
        dbFailOnError);
}

TEST(JetStatementsTest, ExportTablesIndexesAndMunicipalityList) {
    TempFolder dir;
    Database db = Palmdb(dir);
    Part(db, "F205000745_", "F205", 7, "N");
    Part(db, "A001000101_", "A001", 1, "N");
    Part(db, "F205000746_", "f205", 7, "N");  // the same municipality for Jet
    db.Execute("create index PART_DICH_COMU ON PART_DICH(COD_NAZIONALE)", dbFailOnError);
    db.Execute("create index UTIL_DICH_PART ON UTIL_DICH(ID_PART)", dbFailOnError);
    std::vector<std::string> comuni;
    EXPECT_EQ(
        DbReadColumn(db, "SELECT COD_NAZIONALE FROM PART_DICH GROUP BY COD_NAZIONALE", comuni), 2);
    EXPECT_EQ(comuni[0], "A001");
    EXPECT_TRUE(EqualsNoCase(comuni[1], "F205"));
    EXPECT_EQ(
        Sqlite3Shell(dir / "palmdb.mdb",
                     "SELECT name FROM sqlite_master WHERE type='index' AND tbl_name LIKE '%DICH' "
                     "ORDER BY name"),
        "PART_DICH.PART_DICH_COMU\nUTIL_DICH.UTIL_DICH_PART\n");
    TableDef def = db.GetTableDef("UTIL_RILE");
    ASSERT_EQ(def.fields.size(), 8u);
    EXPECT_EQ(def.fields[5].name, "NOTE");
    EXPECT_EQ(def.fields[5].size, 255);
}

TEST(JetStatementsTest, BuildReadsSumDeclarationsPerParcelUseAndVariety) {
    TempFolder dir;
    Database db = Palmdb(dir);
    Part(db, "F205000745_", "F205", 7, "N");
    Part(db, "A001000101_", "A001", 1, "N");
    for (const char* row : {"'F205000745_','001','002',1.5", "'F205000745_','001','002',2.25",
                            "'f205000745_','001','002',1", "'F205000745_','001','003',NULL",
                            "'A001000101_','001','002',9"})
        db.Execute(std::string("INSERT INTO UTIL_DICH VALUES(") + row + ")", dbFailOnError);
    Recordset rs = db.OpenRecordset(
        "SELECT UTIL_DICH.ID_PART, UTIL_DICH.CODI_UTIL, UTIL_DICH.CODI_VARI, "
        "SUM(UTIL_DICH.SUPE_DICH) AS SUPE_DICH FROM PART_DICH INNER JOIN UTIL_DICH ON "
        "PART_DICH.ID_PART = UTIL_DICH.ID_PART WHERE (((PART_DICH.COD_NAZIONALE)='f205')) GROUP "
        "BY UTIL_DICH.ID_PART, UTIL_DICH.CODI_UTIL, UTIL_DICH.CODI_VARI",
        dbOpenForwardOnly);
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(rs.Field("CODI_VARI"), Variant("002"));
    EXPECT_EQ(rs.Field("SUPE_DICH"), Variant(4.75));
    rs.MoveNext();
    EXPECT_EQ(rs.Field("CODI_VARI"), Variant("003"));
    EXPECT_TRUE(rs.Field("SUPE_DICH").IsNull());  // a sum of Nulls only is Null
    rs.MoveNext();
    EXPECT_TRUE(rs.Eof());

    Recordset parts = db.OpenRecordset(
        "select * from PART_DICH where cod_nazionale='f205' order by foglio,part,sub",
        dbOpenForwardOnly);
    EXPECT_EQ(parts.Field("ID_PART"), Variant("F205000745_"));
}

TEST(JetStatementsTest, NestedParenthesisJoinsRunAsJetWrites) {
    TempFolder dir;
    Database db = Palmdb(dir);
    Part(db, "F205000745_", "F205", 7, "S");
    db.Execute("INSERT INTO UTIL_RILE (ID_PART,CODI_UTIL) VALUES('F205000745_','001')");
    db.Execute(
        "INSERT INTO NORME_RILE (ID_PART,CODI_NORMA,VIOLAZIONE) VALUES('f205000745_','12',1)");
    Recordset rs = db.OpenRecordset(
        "SELECT PART_DICH.ID_PART, UTIL_RILE.CODI_UTIL, NORME_RILE.CODI_NORMA FROM (PART_DICH "
        "INNER JOIN UTIL_RILE ON PART_DICH.ID_PART = UTIL_RILE.ID_PART) INNER JOIN NORME_RILE ON "
        "UTIL_RILE.ID_PART = NORME_RILE.ID_PART",
        dbOpenSnapshot);
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.Field("CODI_NORMA"), Variant("12"));
}

TEST(JetStatementsTest, FirstAndLastKeepTheRowsReadNullIncluded) {
    TempFolder dir;
    Database db = Palmdb(dir);
    EXPECT_EQ(DbGetLong(db, "SELECT FIRST(NUME_SCAR) FROM PART_DICH"), 0);
    EXPECT_EQ(DbGetText(db, "SELECT FIRST(ID_PART) FROM PART_DICH"), "");
    db.Execute("INSERT INTO PART_DICH (ID_PART,NUME_SCAR) VALUES(NULL,NULL)");
    Part(db, "F205000745_", "F205", 7, "S", "57");
    Part(db, "F205000746_", "F205", 7, "S", "58");
    // The first row read has Null: Jet gives Null, not the first non-Null value.
    EXPECT_EQ(DbGetTextOr(db, "SELECT FIRST(NUME_SCAR) FROM PART_DICH", "null"), "null");
    EXPECT_EQ(DbGetLong(db, "SELECT LAST(NUME_SCAR) FROM PART_DICH"), 58);
    db.Execute("DELETE FROM PART_DICH WHERE ID_PART IS NULL");
    EXPECT_EQ(DbGetLong(db, "SELECT FIRST(NUME_SCAR) FROM PART_DICH"), 57);
    EXPECT_EQ(DbGetText(db, "SELECT FIRST(ID_PART) FROM PART_DICH"), "F205000745_");
    EXPECT_EQ(DbGetText(db, "SELECT LAST(ID_PART) FROM PART_DICH WHERE ID_PART LIKE '*745?'"),
              "F205000745_");
}

TEST(JetStatementsTest, MergeDatingPassAndPhotoImport) {
    TempFolder dir;
    Database db = Palmdb(dir);
    db.Execute(
        "create table FOTO_RILE(ID_PART TEXT(16),PROG_FOTO LONG,FILENAME "
        "TEXT(25),DATA_LAV TEXT(14),COORDX DOUBLE,COORDY DOUBLE,ANGOLO LONG,CARICATO "
        "LONG,FOTOEFF LONG)",
        dbFailOnError);
    db.Execute("create index FOTO_RILE_IDX on FOTO_RILE(ID_PART,PROG_FOTO)", dbFailOnError);
    db.Execute(
        "insert into FOTO_RILE(ID_PART,PROG_FOTO,FILENAME,DATA_LAV,COORDX,COORDY,ANGOLO,"
        "FOTOEFF)values('F205000745_',1,'F20557campo1','20240101120000',1.5,2.5,90,1)");
    db.Execute(
        "insert into FOTO_RILE(ID_PART,PROG_FOTO,FILENAME,DATA_LAV,COORDX,COORDY,ANGOLO,"
        "FOTOEFF)values('F205000745_',2,'F20557campo2','20240301120000',1.5,2.5,90,0)");
    EXPECT_EQ(DbGetLong(db,
                        "SELECT COUNT(*) FROM FOTO_RILE WHERE ID_PART='f205000745_' AND "
                        "PROG_FOTO=2"),
              1);
    EXPECT_EQ(
        DbGetTextOr(db, "SELECT MAX(DATA_LAV) FROM FOTO_RILE where ID_PART='F205000745_'", ""),
        "20240301120000");
    EXPECT_EQ(DbGetTextOr(db, "SELECT MAX(DATA_LAV) FROM FOTO_RILE where ID_PART='X'", ""), "");
}

TEST(JetStatementsTest, UploadAndReceiptStatements) {
    TempFolder dir;
    Database db = Palmdb(dir);
    db.Execute(
        "create table FOTO_RILE(ID_PART TEXT(16),PROG_FOTO LONG,CARICATO LONG,FOTOEFF "
        "LONG)");
    Part(db, "F205000745_", "F205", 7, "N");
    Part(db, "F205000746_", "F205", 7, "n");  // not surveyed, whatever the case
    Part(db, "F205000747_", "F205", 7, "S");
    std::vector<std::string> ids;
    EXPECT_EQ(DbReadColumn(db, "select * from PART_DICH where flag_lavo<>'N'", ids), 1);
    EXPECT_EQ(ids[0], "F205000747_");
    for (const char* ix : {"CREATE INDEX UTIL_RILE_IP ON UTIL_RILE(ID_PART)",
                           "CREATE INDEX NORME_RILE_IP ON NORME_RILE(ID_PART)",
                           "CREATE INDEX FAG_RILE_IP ON FAG_RILE(ID_PART)",
                           "CREATE INDEX FOTO_RILE_IP ON FOTO_RILE(ID_PART)"}) {
        db.Execute(ix);
        EXPECT_THROW(db.Execute(ix), DbError) << "a second run finds the index";
    }
    for (const char* up :
         {"update UTIL_RILE set caricato=1", "update FAG_RILE set caricato=1",
          "update NORME_RILE set caricato=1", "update FOTO_RILE set caricato=1,FOTOEFF=1"})
        db.Execute(up);
    EXPECT_THROW(db.Execute("update PART_DICH set caricato=1"), DbError)
        << "PART_DICH of the export has no CARICATO";
    db.Execute("ALTER TABLE PART_DICH ADD COLUMN CARICATO LONG");
    db.Execute("update PART_DICH set caricato=1");
    EXPECT_EQ(Sqlite3Shell(dir / "palmdb.mdb", "SELECT sum(CARICATO) FROM PART_DICH"), "3\n");
}

TEST(JetStatementsTest, ReferenceRefreshStatements) {
    TempFolder dir;
    Database db = MakeDb(dir, "tabelle.mdb",
                         {"CREATE TABLE COMUNI (COD_NAZIONALE TEXT(4) CONSTRAINT PrimaryKey "
                          "PRIMARY KEY, ISTATP LONG, ISTATC LONG, NOME TEXT(50))",
                          "CREATE INDEX COMUNI_ISTAT ON COMUNI(ISTATP, ISTATC)",
                          "INSERT INTO COMUNI VALUES('OLD1', 1, 1, 'Vecchio')"});
    EXPECT_THROW(db.Execute("DROP TABLE COMUNITMP", dbFailOnError), DbError);
    ASSERT_TRUE(CopyTableDef(db.GetTableDef("COMUNI"), db, "COMUNITMP"));
    db.Execute("INSERT INTO COMUNITMP VALUES('F205', '015', '146', 'Milano')");
    db.Execute("INSERT INTO COMUNITMP VALUES('A029', '087', '005', 'Aci Sant''Antonio')");
    EXPECT_THROW(db.Execute("INSERT INTO COMUNITMP VALUES('f205', 1, 1, 'x')"), DbError)
        << "the copied primary key ignores case as Jet's does";
    for (const char* sql : {"DELETE FROM COMUNI", "INSERT INTO COMUNI SELECT * FROM COMUNITMP",
                            "DROP TABLE COMUNITMP"})
        db.Execute(sql, dbFailOnError);
    EXPECT_EQ(DbGetText(db, "SELECT NOME FROM COMUNI WHERE ISTATP=15"), "Milano");
    EXPECT_EQ(Sqlite3Shell(dir / "tabelle.mdb",
                           "SELECT COD_NAZIONALE, ISTATP, typeof(ISTATP), NOME FROM COMUNI ORDER "
                           "BY 1"),
              "A029|87|integer|Aci Sant'Antonio\nF205|15|integer|Milano\n");
}

}  // namespace
}  // namespace terv
