// The program's own statements and descriptors (login, municipality refresh, work lists, export
// registration and download, cancel, upload, receipt) against a small central database whose
// rows are known, with the rows each one must give.
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
            "INSERT INTO TERVLISTALAV VALUES (11,'015',2026,'20260115000000','Elenco MI',0,1),"
            "(12,'058',2026,'20260115000000','Elenco RM',1,1),(13,'058',2025,NULL,'Chiuso',5,1);"
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
            "INSERT INTO TERVUTIL VALUES "
            "('F205',7,'00045',' ','001002',1500.5,'20100101000000','99991231000000'),"
            "('F205',7,'00045',' ','012000',10,'20000101000000','20231231000000'),"
            "('F205',7,'00046','A','002001',300,'20100101000000','99991231000000'),"
            "('F205',7,'00046','A','003000',200,'20100101000000','99991231000000'),"
            "('H501',1,'00001',' ','004000',50,'20100101000000','99991231000000');"
            "INSERT INTO TERVCODS_REGI VALUES ('001002','Seminativo 2'),('002001','Olivo 1'),"
            "('003000','Vite'),('004000','Agrumi'),('012000','Fabbricati');"
            "INSERT INTO TERVCODS_VARI (COD_VARI, DESCRIZIONE, DESC_BREVE) VALUES "
            "(1,'SEMINATIVO','SEM'),(2,'OLIVO','OLI'),(3,'VITE','VIT'),(4,'AGRUMI','AGR');"
            "INSERT INTO TERVCODS_ELVA (COD_VARI, FOTO_INTE) VALUES (1,0),(2,1),(3,2);"
            "INSERT INTO TERVTCIN VALUES ('T1','Mario Rossi','19750312000000','015',"
            "'99991231000000'),('T2','Anna Bianchi',NULL,'015','99991231000000'),"
            "('T3','Luca Verdi','19800101000000','015','20231231000000'),"
            "('T4','Rita Neri','19900505000000','058','99991231000000');"
            "INSERT INTO PALM_NORME VALUES ('001','Copertura'),('002','Stoppie');"
            "INSERT INTO PALMR_UTIL_RILE (ID_PART,CODI_UTIL,STAT_COLT,DATA_LAV,NOTE,COORDX,COORDY) "
            "VALUES ('F205000700045_','001','01','20240610100000','vecchia',1,1),"
            "('F205000700045_','001','01','20250611110000','nuova',2,2),"
            "('F205000700045_','002','02','20250611110000',NULL,3,3),"
            "('H501000100001_','001','01','20240610100000',NULL,4,4);"
            "INSERT INTO PALMR_FAG_RILE (ID_PART,PROG_POLI,DATA_LAV,SEST_REGO,NUME_NOCC) VALUES "
            "('F205000700045_',1,'20240610100000','S',10),('F205000700045_',1,'20250611110000',"
            "'N',12),('F205000700045_',2,'20240610100000','S',7);"
            "INSERT INTO PALMR_NORME_RILE (ID_PART,CODI_NORMA,DATA_LAV,VIOLAZIONE) VALUES "
            "('F205000700045_','001','20240610100000',1),"
            "('F205000700045_','001','20250611110000',0);"
            "INSERT INTO TERVUTENTI VALUES "
            "('Demo',1,'015',0,'Segreta'),('DEMO',1,'058',3,'Segreta');"
            "INSERT INTO GISUSERS VALUES ('DEMO',1),('demo',2);"
            "INSERT INTO TERVVARIABILI VALUES ('FILTERLOGIN','SI'),('DATOLOGIN','GET_PWD_UTENTE');"
            "INSERT INTO TERVCOMUNI VALUES ('F205','015','146',NULL,'Milano','S','F205','Milano',"
            "'MI','03'),('H501','058','091',NULL,'Roma','S','H501','Roma','RM','12'),"
            "('Z110','999','110',NULL,'Francia','S','Z110','Estero','EE',NULL)");
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

const std::string kN = "500";
const std::string kP =
    " SELECT A.cod_nazionale,A.foglio,A.particella,A.sub ,A.cod_nazionale || "
    "Trim(To_Char(A.foglio,'0000')) || A.particella || Decode(A.sub,' ','_',A.sub) AS "
    "ID_PART,To_Date('99991231','YYYYMMDD') AS DATA_FINE";
const std::string kU =
    " where C.DATA_FINE=to_DATE('99991231','YYYYMMDD') AND C.COD_NAZIONALE=B.COD_NAZIONALE AND "
    "C.FOGLIO=B.FOGLIO AND C.PARTICELLA=B.PARTICELLA AND c.Sub = b.Sub";
const std::string kK =
    "SELECT A.cod_nazionale || Trim(To_Char(A.foglio,'0000')) || A.particella || "
    "Decode(A.sub,' ','_',A.sub) AS ID_PART ";

TEST_F(StatementsTest, ParcelDownloadKeepsParcelsWithoutCurrentGeometryAtZero) {
    const std::string sql =
        " SELECT ID_PART,B.cod_nazionale,d.ISTATP AS PROV,d.ISTATC AS COMU,d.SEZIONE_CENSUARIA "
        "AS SEZI, B.foglio,B.particella AS PART,B.sub,Nvl(SDO_TOOLS.get_point_x(C.SHAPE),0) AS "
        "COORDX,Nvl(SDO_TOOLS.get_point_Y(C.SHAPE),0) AS COORDY,Decode(MOTI_RICH,11,'C',12,'E',"
        "'A') AS TIPO_LAVO,NUME_SCAR_PALM AS NUME_SCAR,0 AS NUME_FOTO_RICH,'N' AS FLAG_LAVO FROM"
        " (" +
        kP.substr(0, kP.size()) + ",A.MOTI_RICH,A.NUME_SCAR_PALM" + " FROM tervplav A" +
        " where NUME_SCAR_PALM = " + kN + " And Last = 1" + " ) B, tervcent C,tervcomu D" +
        " where" + " c.COD_NAZIONALE (+) =B.COD_NAZIONALE AND" + " C.FOGLIO (+) = B.FOGLIO AND" +
        " C.PARTICELLA (+) = B.PARTICELLA AND" + " C.SUB (+) = B.SUB AND" +
        " C.DATA_FINE_VAL (+) = B.DATA_FINE AND" + " d.cod_nazionale = b.cod_nazionale";
    EXPECT_EQ(ColumnLine(Select(sql)),
              "C\tID_PART\tCOD_NAZIONALE\tPROV\tCOMU\tSEZI\tFOGLIO\tPART\tSUB\tCOORDX\tCOORDY\t"
              "TIPO_LAVO\tNUME_SCAR\tNUME_FOTO_RICH\tFLAG_LAVO");
    EXPECT_EQ(
        Sorted(sql),
        (Rows_{"TF205000700045_|TF205|T015|T146|N|I7|T00045|T |F100|F200|TC|I500|I0|TN",
               "TF205000700046A|TF205|T015|T146|N|I7|T00046|TA|F300.5|F400|TE|I500|I0|TN",
               "TF205000800001_|TF205|T015|T146|N|I8|T00001|T |I0|I0|TA|I500|I0|TN", "E OK 3"}));
}

TEST_F(StatementsTest, ParcelDownloadGivesTheSameRowsWrittenDifferently) {
    // Other aliases, letter case, spacing, condition order, table order and one more level.
    EXPECT_EQ(Sorted("select q.ID_PART, nvl(sdo_tools.GET_POINT_X(g.shape),0) x, "
                     "NVL(SDO_TOOLS.get_point_y(g.SHAPE),0) y from tervcomu m, tervcent g, (select "
                     "* from (SELECT p.COD_NAZIONALE, p.FOGLIO, p.PARTICELLA, p.SUB, "
                     "p.COD_NAZIONALE||trim(to_char(p.FOGLIO,'0000'))||p.PARTICELLA||"
                     "decode(p.SUB,' ','_',p.SUB) id_part, to_date('9999-12-31','YYYY-MM-DD') "
                     "fine FROM TERVPLAV p WHERE p.LAST=1 AND p.NUME_SCAR_PALM=500)) q WHERE "
                     "m.COD_NAZIONALE=q.COD_NAZIONALE and g.DATA_FINE_VAL(+)=q.FINE and "
                     "q.SUB=g.SUB(+) and g.PARTICELLA(+)=q.PARTICELLA and g.FOGLIO(+)=q.FOGLIO "
                     "and g.COD_NAZIONALE(+)=q.COD_NAZIONALE"),
              (Rows_{"TF205000700045_|F100|F200", "TF205000700046A|F300.5|F400",
                     "TF205000800001_|I0|I0", "E OK 3"}));
}

TEST_F(StatementsTest, DeclaredUsesJoinOnTheCurrentValidityOnly) {
    const std::string uses =
        " SELECT B.ID_PART,SUBSTR(C.COD_REGI,1,3) AS CODI_UTIL,SUBSTR(C.COD_REGI,4,3) AS "
        "CODI_VARI,C.SUPE_COLT AS SUPE_DICH From (" +
        kP + " FROM tervplav A where NUME_SCAR_PALM = " + kN + " And Last = 1 ) B,TERVUTIL C" + kU;
    EXPECT_EQ(Sorted(uses),
              (Rows_{"TF205000700045_|T001|T002|F1500.5", "TF205000700046A|T002|T001|F300",
                     "TF205000700046A|T003|T000|F200", "E OK 3"}));
    const std::string codes =
        " SELECT SubStr(COD_REGI,1,3) AS codi_util,SubStr(COD_REGI,4,3) AS codi_vari,DESCRIZIONE "
        "AS DESCR FROM tervcods_regi WHERE cod_regi IN ( SELECT COD_REGI From ( SELECT "
        "C.COD_REGI From (" +
        kP + " FROM tervplav A where NUME_SCAR_PALM = " + kN + " And Last = 1 ) B,TERVUTIL C" + kU +
        " ) GROUP BY COD_REGI )";
    EXPECT_EQ(Sorted(codes), (Rows_{"T001|T002|TSeminativo 2", "T002|T001|TOlivo 1",
                                    "T003|T000|TVite", "E OK 3"}));
}

TEST_F(StatementsTest, CodeTablesInspectorsAndRules) {
    EXPECT_EQ(Rows("SELECT Trim(To_Char(cod_vari,'000')) AS codi_util,descrizione AS "
                   "descr,DESC_BREVE FROM tervcods_vari where cod_vari IN (SELECT cod_vari FROM "
                   "tervcods_elva WHERE foto_inte=0 OR foto_inte=2)"),
              (Rows_{"T001|TSEMINATIVO|TSEM", "T003|TVITE|TVIT", "E OK 2"}));
    EXPECT_EQ(Rows("SELECT COD_TECNICO AS COD_AGRONOMO,DESCRIZIONE AS "
                   "NOME,Nvl(TO_CHAR(DATA_NASC,'MMYYYY'),'507') AS PWD FROM tervtcin WHERE "
                   "PROV_RIF='015' AND DATA_FINE_VAL=TO_DATE('99991231','YYYYMMDD')"),
              (Rows_{"TT1|TMario Rossi|T031975", "TT2|TAnna Bianchi|T507", "E OK 2"}));
    EXPECT_EQ(Rows("SELECT CODI_NORMA,DESCR FROM PALM_NORME"),
              (Rows_{"T001|TCopertura", "T002|TStoppie", "E OK 2"}));
}

TEST_F(StatementsTest, EarlierSurveysBringOnlyTheLatestDate) {
    EXPECT_EQ(Sorted("SELECT A.ID_PART,A.CODI_UTIL,A.STAT_COLT,A.COORDX,A.COORDY,A.NOTE FROM "
                     "PALM_UTIL_RILE A,(SELECT ID_PART,CODI_UTIL,STAT_COLT,Max(DATA_LAV) AS "
                     "DATA_LAV FROM PALM_UTIL_RILE WHERE ID_PART IN ( " +
                     kK + "FROM tervplav A where NUME_SCAR_PALM = " + kN +
                     " And Last = 1)GROUP BY ID_PART,CODI_UTIL,STAT_COLT) B WHERE "
                     "A.ID_PART=B.ID_PART AND A.CODI_UTIL=B.CODI_UTIL AND "
                     "A.STAT_COLT=B.STAT_COLT AND A.DATA_LAV=B.DATA_LAV"),
              (Rows_{"TF205000700045_|T001|T01|F2|F2|Tnuova", "TF205000700045_|T002|T02|F3|F3|N",
                     "E OK 2"}));
    EXPECT_EQ(Sorted("SELECT A.ID_PART,A.PROG_POLI,A.SEST_REGO,A.DIST_TRA_FILA,A.DIST_SU_FILA,"
                     "A.NUME_NOCC,A.NUME_NOCE,A.NUME_MAND,A.NUME_PIST,A.NUME_CARR,A.NUME_CAST,"
                     "A.NUME_ALTR,A.FLAG_PROD,A.FLAG_ERBA FROM PALM_FAG_RILE A,(SELECT "
                     "ID_PART,PROG_POLI,MAX(DATA_LAV) AS DATA_LAV FROM PALM_FAG_RILE WHERE ID_PART "
                     "IN ( " +
                     kK + "FROM tervplav A where NUME_SCAR_PALM = " + kN +
                     " And Last = 1) GROUP BY ID_PART,PROG_POLI) B WHERE A.ID_PART=B.ID_PART AND "
                     "A.PROG_POLI=B.PROG_POLI AND A.DATA_LAV=B.DATA_LAV"),
              (Rows_{"TF205000700045_|I1|TN|N|N|I12|N|N|N|N|N|N|N|N",
                     "TF205000700045_|I2|TS|N|N|I7|N|N|N|N|N|N|N|N", "E OK 2"}));
    EXPECT_EQ(Rows("SELECT A.ID_PART,A.CODI_NORMA,A.VIOLAZIONE FROM PALM_NORME_RILE A,(SELECT "
                   "ID_PART,CODI_NORMA,MAX(DATA_LAV) AS DATA_LAV FROM PALM_NORME_RILE WHERE "
                   "ID_PART IN ( " +
                   kK + "FROM tervplav A where NUME_SCAR_PALM = " + kN +
                   " And Last = 1) GROUP BY ID_PART,CODI_NORMA) B WHERE A.ID_PART=B.ID_PART AND "
                   "A.CODI_NORMA=B.CODI_NORMA AND A.DATA_LAV=B.DATA_LAV"),
              (Rows_{"TF205000700045_|T001|I0", "E OK 1"}));
}

TEST_F(StatementsTest, LoginDescriptorsAndPasswordFunction) {
    EXPECT_EQ(Read("TERVUTENTI|*UTENTE|UTENTE,SETTORE,PROV_RIF,ELENCO_DEF,(SELECT MAX(RUOLO) FROM "
                   "GISUSERS WHERE UPPER(USR)=UPPER(UTENTE))|UPPER(UTENTE)='DEMO'"),
              (Rows_{"TDemo|I1|T015|I0|I2", "TDEMO|I1|T058|I3|I2", "E OK 2"}));
    EXPECT_EQ(Read("TERVVARIABILI|*VARIABILE|VARIABILE,VALORE"),
              (Rows_{"TFILTERLOGIN|TSI", "TDATOLOGIN|TGET_PWD_UTENTE", "E OK 2"}));
    EXPECT_EQ(Read("TERVUTENTI|*UTENTE|UPPER(UTENTE)|UPPER(UTENTE)='DEMO' AND PWD='Segreta'"),
              (Rows_{"TDEMO", "TDEMO", "E OK 2"}));
    EXPECT_EQ(Read("TERVUTENTI|*UTENTE|UPPER(UTENTE)|UPPER(UTENTE)='DEMO' AND PWD='segreta'"),
              (Rows_{"E OK 0"}));
    EXPECT_EQ(Rows("SELECT GET_PWD_UTENTE('demo') FROM DUAL"), (Rows_{"TSegreta", "E OK 1"}));
    EXPECT_EQ(Rows("SELECT GET_PWD_UTENTE('nessuno') FROM DUAL"), (Rows_{"N", "E OK 1"}));
    EXPECT_EQ(Read("DUAL|*|PALM_SCARICHI_SEQ.NEXTVAL"), (Rows_{"I1001", "E OK 1"}));
    EXPECT_EQ(Read("DUAL|*|PALM_SCARICHI_SEQ.NEXTVAL"), (Rows_{"I1002", "E OK 1"}));
}

TEST_F(StatementsTest, MalformedDescriptorsFail) {
    EXPECT_EQ(Read("DUAL"), (Rows_{"ORA-00936: missing expression (descriptor \"DUAL\")"}));
    EXPECT_EQ(Read("DUAL;DROP|*|1"), (Rows_{"ORA-00903: invalid table name"}));
    EXPECT_EQ(Read("DUAL|*|"), (Rows_{"ORA-00936: missing expression"}));
    EXPECT_EQ(Read("NOPE|*|A"), (Rows_{"E ERR 0 ORA-00942: table or view does not exist"}));
    EXPECT_EQ(Read("DUAL|*|'a'||'b'|DUMMY='X'"), (Rows_{"Tab", "E OK 1"}));
    EXPECT_EQ(Read("DUAL|*|DUMMY|"), (Rows_{"TX", "E OK 1"}));
}

TEST_F(StatementsTest, MunicipalityRefreshSkipsPlaceholderProvinces) {
    EXPECT_EQ(Read("TERVCOMUNI|*COD_NAZIONALE|COD_NAZIONALE,ISTATP,ISTATC,ID_SEZC,NOME,FLAG_CATA,"
                   "CODI_FISC_LUNA|ISTATP not in ('999','I99','S99') "),
              (Rows_{"TF205|T015|T146|N|TMilano|TS|TF205", "TH501|T058|T091|N|TRoma|TS|TH501",
                     "E OK 2"}));
    EXPECT_EQ(Sorted("select ISTATP,DENO_PROV,SIGLA_PROV,ISTATR from TERVCOMUNI where ISTATP not "
                     "in ('999','I99','S99') GROUP BY ISTATP,DENO_PROV,SIGLA_PROV,ISTATR"),
              (Rows_{"T015|TMilano|TMI|T03", "T058|TRoma|TRM|T12", "E OK 2"}));
}

TEST_F(StatementsTest, WorkListsAndTerritoryTree) {
    EXPECT_EQ(Read("TERVLISTALAV|*id_lav|id_lav,prov_rif,campagna,data_immi_elen,descrizione,"
                   "tipolavorazione|(PROV_RIF='015' OR PROV_RIF='058') AND COD_SETTORE=1 AND "
                   "tipolavorazione<5"),
              (Rows_{"I11|T015|I2026|T20260115000000|TElenco MI|I0",
                     "I12|T058|I2026|T20260115000000|TElenco RM|I1", "E OK 2"}));
    EXPECT_EQ(Rows("SELECT A.ISTATP FROM TERVPLAV_LAV A WHERE A.id_lav=12 AND NUME_SCAR_PALM IS "
                   "NULL GROUP BY A.ISTATP"),
              (Rows_{"T058", "E OK 1"}));
    EXPECT_EQ(Rows("SELECT A.COD_NAZIONALE FROM TERVPLAV_LAV A WHERE A.id_lav=12 AND A.ISTATP=058 "
                   "AND NUME_SCAR_PALM IS NULL GROUP BY A.ISTATP,A.COD_NAZIONALE"),
              (Rows_{"TH501", "E OK 1"}));
    EXPECT_EQ(Rows("SELECT A.FOGLIO FROM TERVPLAV_LAV A WHERE A.ID_LAV=12 AND "
                   "A.COD_NAZIONALE='H501' AND NUME_SCAR_PALM IS NULL AND DATA_LAV IS NULL GROUP "
                   "BY A.FOGLIO"),
              (Rows_{"I1", "I2", "E OK 2"}));
    EXPECT_EQ(Rows("SELECT ID_LAV FROM tervplav WHERE  NUME_SCAR_PALM=500 AND ROWNUM=1"),
              (Rows_{"I11", "E OK 1"}));
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

TEST_F(StatementsTest, CancelRemovesTheReservationAndTheRegistration) {
    Sql("INSERT INTO PALM_SCARICHI (NUME_SCAR,UTENTE_SCARICO,DESCRIZIONE) VALUES (500,'Demo','x')");
    EXPECT_EQ(Execute("UPDATE TERVPLAV SET NUME_SCAR_PALM = NULL WHERE NUME_SCAR_PALM=500;DELETE "
                      "FROM palm_scarichi WHERE NUME_SCAR=500"),
              "E\tOK\t5\n");
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM TERVPLAV WHERE NUME_SCAR_PALM=500"),
              (Rows_{"I0", "E OK 1"}));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM PALM_SCARICHI"), (Rows_{"I0", "E OK 1"}));
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

TEST_F(StatementsTest, ProvinceOfAnUploadByExportOrByParcel) {
    EXPECT_EQ(Rows("SELECT PROV_RIF FROM TERVLISTALAV WHERE id_lav IN(SELECT ID_LAV FROM TERVPLAV "
                   "WHERE NUME_SCAR_PALM=500 AND ROWNUM=1) AND ROWNUM=1"),
              (Rows_{"T015", "E OK 1"}));
    EXPECT_EQ(Rows("SELECT PROV_RIF FROM TERVLISTALAV WHERE id_lav IN(SELECT MAX(ID_LAV) FROM "
                   "TERVPLAV WHERE COD_NAZIONALE='H501' AND FOGLIO=0002 AND PARTICELLA='00003' "
                   "AND SUB=' ') AND ROWNUM=1"),
              (Rows_{"T058", "E OK 1"}));
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
