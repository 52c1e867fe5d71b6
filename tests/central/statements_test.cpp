// The program's own statements and descriptors whose edge cases the demo data lacks (parcels
// without current geometry, earlier surveys, repeated registration, failing writes) against a
// small central database whose rows are known, with the rows each one must give. The login,
// refresh, work-list, cancel and province statements run end to end in the login, export and
// return tests.
#include <gtest/gtest.h>

#include <algorithm>

#include "CentralFixture.h"

namespace terv::central::test {
namespace {

using Rows_ = std::vector<std::string>;

class StatementsTest : public CentralDb {
  protected:
    void SetUp() override {
        CentralDb::SetUp();
        Sql("INSERT INTO TERVCOMU VALUES ('F205','015','146',NULL,'Milano'),"
            "('H501','058','091','A','Roma');"
            "INSERT INTO TERVPLAV VALUES (11,'015','F205',7,'00045',' ',11,500,NULL,1),"
            "(11,'015','F205',7,'00046','A',12,500,NULL,1),"
            "(11,'015','F205',8,'00001',' ',10,500,NULL,1),"
            "(11,'015','F205',7,'00045',' ',10,500,NULL,0),"
            "(12,'058','H501',1,'00001',' ',10,NULL,NULL,1),"
            "(12,'058','H501',2,'00003',' ',10,NULL,NULL,1),"
            "(12,'058','H501',2,'00004',' ',10,NULL,'20260301000000',1);"
            "INSERT INTO TERVCENT VALUES "
            "('F205',7,'00045',' ','20100101000000','99991231000000','POINT(100 200)'),"
            "('F205',7,'00045',' ','20000101000000','20191231000000','POINT(1 2)'),"
            "('F205',7,'00046','A','20100101000000','99991231000000','POINT(300.5 400)'),"
            "('F205',8,'00001',' ','20000101000000','20191231000000','POINT(5 6)');"
            "INSERT INTO TERVCODS_VARI (COD_VARI, DESCRIZIONE, DESC_BREVE) VALUES "
            "(1,'SEMINATIVO','SEM'),(2,'OLIVO','OLI'),(3,'VITE','VIT'),(4,'AGRUMI','AGR');"
            "INSERT INTO TERVCODS_ELVA (COD_VARI, FOTO_INTE) VALUES (1,0),(2,1),(3,2);"
            "INSERT INTO PALM_NORME VALUES ('001','Copertura'),('002','Stoppie');"
            "INSERT INTO PALMR_UTIL_RILE (ID_PART,CODI_UTIL,STAT_COLT,DATA_LAV,NOTE,COORDX,COORDY) "
            "VALUES ('F205000700045_','001','01','20240610100000','vecchia',1,1),"
            "('F205000700045_','001','01','20250611110000','nuova',2,2),"
            "('F205000700045_','002','02','20250611110000',NULL,3,3),"
            "('H501000100001_','001','01','20240610100000',NULL,4,4)");
    }

    Rows_ Sorted(const std::string& sql) {
        Rows_ rows = Rows(sql);
        std::sort(rows.begin(), rows.end() - 1);
        return rows;
    }
    Rows_ Read(const std::string& descriptor) {
        std::string sql, error;
        if (!DescriptorSelect(descriptor, &sql, &error))
            return {error};
        return Rows(sql);
    }
};

TEST_F(StatementsTest, ParcelDownloadKeepsParcelsWithoutCurrentGeometryAtZero) {
    const std::string sql =
        " SELECT ID_PART,B.cod_nazionale,d.ISTATP AS PROV,d.ISTATC AS COMU,d.SEZIONE_CENSUARIA "
        "AS SEZI, B.foglio,B.particella AS PART,B.sub,Nvl(SDO_TOOLS.get_point_x(C.SHAPE),0) AS "
        "COORDX,Nvl(SDO_TOOLS.get_point_Y(C.SHAPE),0) AS COORDY,Decode(MOTI_RICH,11,'C',12,'E',"
        "'A') AS TIPO_LAVO,NUME_SCAR_PALM AS NUME_SCAR,0 AS NUME_FOTO_RICH,'N' AS FLAG_LAVO FROM "
        "( SELECT A.cod_nazionale,A.foglio,A.particella,A.sub ,A.cod_nazionale || "
        "Trim(To_Char(A.foglio,'0000')) || A.particella || Decode(A.sub,' ','_',A.sub) AS "
        "ID_PART,To_Date('99991231','YYYYMMDD') AS DATA_FINE,A.MOTI_RICH,A.NUME_SCAR_PALM FROM "
        "tervplav A where NUME_SCAR_PALM = 500 And Last = 1 ) B, tervcent C,tervcomu D where "
        "c.COD_NAZIONALE (+) =B.COD_NAZIONALE AND C.FOGLIO (+) = B.FOGLIO AND C.PARTICELLA (+) = "
        "B.PARTICELLA AND C.SUB (+) = B.SUB AND C.DATA_FINE_VAL (+) = B.DATA_FINE AND "
        "d.cod_nazionale = b.cod_nazionale";
    EXPECT_EQ(ColumnLine(Select(sql)),
              "C\tID_PART\tCOD_NAZIONALE\tPROV\tCOMU\tSEZI\tFOGLIO\tPART\tSUB\tCOORDX\tCOORDY\t"
              "TIPO_LAVO\tNUME_SCAR\tNUME_FOTO_RICH\tFLAG_LAVO");
    EXPECT_EQ(
        Sorted(sql),
        (Rows_{"TF205000700045_|TF205|T015|T146|N|I7|T00045|T |F100|F200|TC|I500|I0|TN",
               "TF205000700046A|TF205|T015|T146|N|I7|T00046|TA|F300.5|F400|TE|I500|I0|TN",
               "TF205000800001_|TF205|T015|T146|N|I8|T00001|T |I0|I0|TA|I500|I0|TN", "E OK 3"}));
}

TEST_F(StatementsTest, CodeTablesOfTheSelectableKinds) {
    EXPECT_EQ(Rows("SELECT Trim(To_Char(cod_vari,'000')) AS codi_util,descrizione AS "
                   "descr,DESC_BREVE FROM tervcods_vari where cod_vari IN (SELECT cod_vari FROM "
                   "tervcods_elva WHERE foto_inte=0 OR foto_inte=2)"),
              (Rows_{"T001|TSEMINATIVO|TSEM", "T003|TVITE|TVIT", "E OK 2"}));
}

TEST_F(StatementsTest, EarlierSurveysBringOnlyTheLatestDate) {
    EXPECT_EQ(
        Sorted("SELECT A.ID_PART,A.CODI_UTIL,A.STAT_COLT,A.COORDX,A.COORDY,A.NOTE FROM "
               "PALM_UTIL_RILE A,(SELECT ID_PART,CODI_UTIL,STAT_COLT,Max(DATA_LAV) AS "
               "DATA_LAV FROM PALM_UTIL_RILE WHERE ID_PART IN ( SELECT A.cod_nazionale || "
               "Trim(To_Char(A.foglio,'0000')) || A.particella || Decode(A.sub,' ','_',"
               "A.sub) AS ID_PART FROM tervplav A where NUME_SCAR_PALM = 500 And Last = 1)"
               "GROUP BY ID_PART,CODI_UTIL,STAT_COLT) B WHERE A.ID_PART=B.ID_PART AND "
               "A.CODI_UTIL=B.CODI_UTIL AND A.STAT_COLT=B.STAT_COLT AND A.DATA_LAV=B.DATA_LAV"),
        (Rows_{"TF205000700045_|T001|T01|F2|F2|Tnuova", "TF205000700045_|T002|T02|F3|F3|N",
               "E OK 2"}));
}

TEST_F(StatementsTest, MalformedDescriptorsFail) {
    EXPECT_EQ(Read("DUAL"), (Rows_{"ORA-00936: missing expression (descriptor \"DUAL\")"}));
    EXPECT_EQ(Read("DUAL;DROP|*|1"), (Rows_{"ORA-00903: invalid table name"}));
    EXPECT_EQ(Read("DUAL|*|"), (Rows_{"ORA-00936: missing expression"}));
    EXPECT_EQ(Read("NOPE|*|A"), (Rows_{"E ERR 0 ORA-00942: table or view does not exist"}));
    EXPECT_EQ(Read("DUAL|*|'a'||'b'|DUMMY='X'"), (Rows_{"Tab", "E OK 1"}));
    EXPECT_EQ(Read("DUAL|*|DUMMY|"), (Rows_{"TX", "E OK 1"}));
}

TEST_F(StatementsTest, ExportRegistrationMarksOnlyUnmarkedParcelsAndCanBeRepeated) {
    auto registration = [] {
        return std::vector<WriteRequest>{
            {"PALM_SCARICHI", "I", "NUME_SCAR|600|UTENTE_SCARICO|demo|DESCRIZIONE|prova - uno", ""},
            {"TERVPLAV", "U", "NUME_SCAR_PALM|600",
             "COD_NAZIONALE='H501' and FOGLIO=0002 AND ID_LAV=12 AND NUME_SCAR_PALM IS NULL"},
            {"TERVPLAV", "U", "NUME_SCAR_PALM|600",
             "COD_NAZIONALE='H501' AND ID_LAV=12 AND NUME_SCAR_PALM IS NULL"}};
    };
    EXPECT_EQ(Write(registration()), "E\tOK\t4\n");
    EXPECT_EQ(Write(registration()), "E\tOK\t0\n");
    const Rows_ reg = Rows(
        "SELECT NUME_SCAR,DESCRIZIONE,to_char(DATA_SCARICO,'YYYYMMDDHH24MISS') "
        "FROM PALM_SCARICHI WHERE Upper(UTENTE_SCARICO)='DEMO'");
    ASSERT_EQ(reg.size(), 2u);
    EXPECT_EQ(reg[0].substr(0, 18), "I600|Tprova - uno|");
    EXPECT_EQ(reg[0].size(), 18u + 15u);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM TERVPLAV WHERE NUME_SCAR_PALM=600"),
              (Rows_{"I3", "E OK 1"}));
}

TEST_F(StatementsTest, ExecuteIsAllOrNothing) {
    EXPECT_EQ(Execute("UPDATE TERVPLAV SET NUME_SCAR_PALM = NULL WHERE NUME_SCAR_PALM=500;"
                      "DELETE FROM NOPE"),
              "E\tERR\t0\tORA-00942: table or view does not exist\n");
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM TERVPLAV WHERE NUME_SCAR_PALM=500"),
              (Rows_{"I4", "E OK 1"}));
    EXPECT_EQ(Execute(" ; "), "E\tERR\t0\tORA-00900: invalid SQL statement\n");
    EXPECT_EQ(Execute("INSERT INTO PALM_NORME VALUES ('003','a;b')"), "E\tOK\t1\n");
    EXPECT_EQ(Execute("INSERT INTO PALM_NORME VALUES ('003','dup')"),
              "E\tERR\t0\tORA-00001: unique constraint (TERV.PALM_NORME_PK) violated\n");
}

TEST_F(StatementsTest, UploadedResultsReachTheAcceptedTablesAndDuplicatesAnswer20001) {
    const std::vector<WriteRequest> row = {
        {"PALMR_UTIL_RILE", "I",
         "id_part|F205000700046A|codi_util|004|stat_colt|01|data_lav|20260601120000|note|ok|"
         "coordx|12.5|coordy|7",
         ""}};
    EXPECT_EQ(Write(row), "E\tOK\t1\n");
    EXPECT_EQ(Write(row),
              "X\t0\t0\tORA-20001: record already loaded (PALMR_UTIL_RILE_PK)\n"
              "E\tERR\t0\tORA-20001: record already loaded (PALMR_UTIL_RILE_PK)\n");
    EXPECT_EQ(Rows("SELECT ID_PART,COORDX,COORDY,NOTE,DATA_LAV FROM PALM_UTIL_RILE WHERE "
                   "CODI_UTIL='004'"),
              (Rows_{"TF205000700046A|F12.5|F7|Tok|D20260601120000", "E OK 1"}));
    EXPECT_EQ(Write({{"palmr_norme_rile", "I", "id_part|X|codi_norma|12|violazione|1", ""}}),
              "E\tOK\t1\n");
    EXPECT_EQ(Write({{"PALMR_PART_DICH", "I",
                      "id_part|F205000700045_|coordx|100|coordy|200|tipo_lavo|C|nume_scar|500|"
                      "nume_foto_rich|0|flag_lavo|S|cod_agronomo|T1|data_lav|20260601120000",
                      ""},
                     {"PALMR_FOTO_RILE", "I",
                      "id_part|F205000700045_|PROG_FOTO|1|FILENAME|F1.jpg|DATA_LAV|"
                      "20260601120000|coordx|1|coordy|2|ANGOLO|90|",
                      ""}}),
              "E\tOK\t2\n");
    EXPECT_EQ(Rows("SELECT ID_PART,COD_NAZIONALE,PROV,COMU,SEZI,FOGLIO,PART,SUB,COORDX,COORDY,"
                   "TIPO_LAVO,NUME_SCAR,NUME_FOTO_RICH,FLAG_LAVO,COD_AGRONOMO,DATA_LAV FROM "
                   "PALM_PART_DICH WHERE NUME_SCAR=500"),
              (Rows_{"TF205000700045_|TF205|T015|T146|N|I7|T00045|T |F100|F200|TC|I500|I0|TS|TT1|"
                     "D20260601120000",
                     "E OK 1"}));
    EXPECT_EQ(Rows("SELECT ID_PART,PROG_FOTO,FILENAME,DATA_LAV,COORDX,COORDY,ANGOLO FROM "
                   "PALM_FOTO_RILE WHERE (id_part,data_lav) IN(SELECT id_part,data_lav FROM "
                   "PALM_PART_DICH WHERE NUME_SCAR=500)"),
              (Rows_{"TF205000700045_|I1|TF1.jpg|D20260601120000|F1|F2|I90", "E OK 1"}));
}

TEST_F(StatementsTest, WritesConvertValuesAndReportEachFailingWrite) {
    const std::pair<WriteRequest, std::string> refused[] = {
        {{"PALMR_FAG_RILE", "I", "id_part|X|prog_poli|abc", ""}, "ORA-01722: invalid number"},
        {{"PALMR_FAG_RILE", "I", "id_part|X|prog_poli|1|data_lav|2026", ""},
         "ORA-01861: literal does not match format string"},
        {{"PALMR_FAG_RILE", "I", "id_part|X|nope|1", ""},
         "ORA-00904: \"NOPE\": invalid identifier"},
        {{"NOPE", "I", "a|1", ""}, "ORA-00942: table or view does not exist"},
        {{"PALM_NORME", "I", "CODI_NORMA|009|DESCR", ""}, "ORA-00947: not enough values"},
        {{"PALM_NORME", "X", "CODI_NORMA|009", ""},
         "ORA-00900: invalid SQL statement (operation X)"},
    };
    for (const auto& [write, text] : refused)
        EXPECT_EQ(Write({write}), "X\t0\t0\t" + text + "\nE\tERR\t0\t" + text + "\n");
    // A failing write is undone alone; the good ones around it are stored. The end record names
    // the first failure that is not a duplicate return row.
    const std::string dup = "ORA-00001: unique constraint (TERV.PALM_NORME_PK) violated";
    const std::string loaded = "ORA-20001: record already loaded (PALMR_NORME_RILE_PK)";
    const WriteRequest rule = {"PALMR_NORME_RILE", "I", "id_part|Y|codi_norma|1", ""};
    EXPECT_EQ(Write({rule}), "E\tOK\t1\n");
    EXPECT_EQ(Write({{"PALM_NORME", "I", "CODI_NORMA|009|DESCR|", ""},
                     rule,
                     {"PALM_NORME", "I", "CODI_NORMA|001|DESCR|dup", ""},
                     {"PALM_NORME", "I", "CODI_NORMA|010|DESCR|x", ""}}),
              "X\t1\t0\t" + loaded + "\nX\t2\t0\t" + dup + "\nE\tERR\t0\t" + dup + "\n");
    EXPECT_EQ(Rows("SELECT CODI_NORMA,DESCR FROM PALM_NORME WHERE CODI_NORMA IN ('009','010') "
                   "OR DESCR='dup' ORDER BY 1"),
              (Rows_{"T009|N", "T010|Tx", "E OK 2"}));
}

}  // namespace
}  // namespace terv::central::test
