// Step 6 of the export: the transit database palmdb.mdb, created anew and filled straight from
// the server, one statement per table, with the parcels that carry the export number.
#include "ExportSteps.h"
#include "HandheldSchema.h"
#include "HandheldTexts.h"
#include "data/FileUtil.h"
#include "data/db/Database.h"
#include "data/db/mdbUtil.h"
#include "data/net/SidSde.h"
#include "platform/UiPort.h"
#include "shell/base/modMain.h"

namespace terv {

namespace {

struct Download {
    const char* caption;
    const char* table;
    int32_t fields;
    std::string sql;
};

// The nine downloads in order; N is the export number, provRif the work list's province.
std::vector<Download> Downloads(const std::string& N, const std::string& provRif) {
    const std::string P = std::string() +
                          " SELECT A.cod_nazionale,A.foglio,A.particella,A.sub ,A.cod_nazionale || "
                          "Trim(To_Char(A.foglio,'0000')) || A.particella || Decode(A.sub,' "
                          "','_',A.sub) AS ID_PART,To_Date('99991231','YYYYMMDD') AS DATA_FINE";
    const std::string U = std::string() + " where" +
                          " C.DATA_FINE=to_DATE('99991231','YYYYMMDD') AND" +
                          " C.COD_NAZIONALE=B.COD_NAZIONALE AND" + " C.FOGLIO=B.FOGLIO AND" +
                          " C.PARTICELLA=B.PARTICELLA AND" + " c.Sub = b.Sub";
    const std::string K = std::string() +
                          "SELECT A.cod_nazionale || Trim(To_Char(A.foglio,'0000')) || "
                          "A.particella || Decode(A.sub,' ','_',A.sub) AS ID_PART ";
    return {
        {"Scarico elenco particelle", "PART_DICH", 14,
         std::string() +
             " SELECT ID_PART,B.cod_nazionale,d.ISTATP AS PROV,d.ISTATC AS "
             "COMU,d.SEZIONE_CENSUARIA AS SEZI, B.foglio,B.particella AS "
             "PART,B.sub,Nvl(SDO_TOOLS.get_point_x(C.SHAPE),0) AS "
             "COORDX,Nvl(SDO_TOOLS.get_point_Y(C.SHAPE),0) AS "
             "COORDY,Decode(MOTI_RICH,11,'C',12,'E','A') AS TIPO_LAVO,NUME_SCAR_PALM AS "
             "NUME_SCAR,0 AS NUME_FOTO_RICH,'N' AS FLAG_LAVO FROM" +
             " (" +
             " SELECT A.cod_nazionale,A.foglio,A.particella,A.sub ,A.cod_nazionale || "
             "Trim(To_Char(A.foglio,'0000')) || A.particella || Decode(A.sub,' ','_',A.sub) AS "
             "ID_PART,To_Date('99991231','YYYYMMDD') AS DATA_FINE,A.MOTI_RICH,A.NUME_SCAR_PALM" +
             " FROM tervplav A" + " where NUME_SCAR_PALM = " + N + " And Last = 1" +
             " ) B, tervcent C,tervcomu D" + " where" +
             " c.COD_NAZIONALE (+) =B.COD_NAZIONALE AND" + " C.FOGLIO (+) = B.FOGLIO AND" +
             " C.PARTICELLA (+) = B.PARTICELLA AND" + " C.SUB (+) = B.SUB AND" +
             " C.DATA_FINE_VAL (+) = B.DATA_FINE AND" + " d.cod_nazionale = b.cod_nazionale"},
        {"Scarico utilizzi dichiarati", "UTIL_DICH", 4,
         std::string() +
             " SELECT B.ID_PART,SUBSTR(C.COD_REGI,1,3) AS CODI_UTIL,SUBSTR(C.COD_REGI,4,3) AS "
             "CODI_VARI,C.SUPE_COLT AS SUPE_DICH" +
             " From" + " (" + P + " FROM tervplav A" + " where NUME_SCAR_PALM = " + N +
             " And Last = 1" + " ) B,TERVUTIL C" + U},
        {"Scarico codici rilevati", "CODI_RILE_UTIL", 3,
         std::string() + "SELECT Trim(To_Char(cod_vari,'000')) AS codi_util,descrizione AS "
                         "descr,DESC_BREVE FROM tervcods_vari where cod_vari IN (SELECT cod_vari "
                         "FROM tervcods_elva WHERE foto_inte=0 OR foto_inte=2)"},
        {"Scarico codici dichiarativi", "CODI_DICH", 3,
         std::string() +
             " SELECT SubStr(COD_REGI,1,3) AS codi_util,SubStr(COD_REGI,4,3) AS "
             "codi_vari,DESCRIZIONE AS DESCR FROM tervcods_regi WHERE cod_regi IN" +
             " (" + " SELECT COD_REGI" + " From" + " (" + " SELECT C.COD_REGI" + " From" + " (" +
             P + " FROM tervplav A" + " where NUME_SCAR_PALM = " + N + " And Last = 1" +
             " ) B,TERVUTIL C" + U + " )" + " GROUP BY COD_REGI" + " )"},
        {"Scarico elenco agronomi", "AGRONOMI", 3,
         std::string() +
             "SELECT COD_TECNICO AS COD_AGRONOMO,DESCRIZIONE AS "
             "NOME,Nvl(TO_CHAR(DATA_NASC,'MMYYYY'),'507') AS PWD FROM tervtcin WHERE PROV_RIF='" +
             provRif + "' AND DATA_FINE_VAL=TO_DATE('99991231','YYYYMMDD')"},
        {"Scarico elenco NORME", "NORME", 2,
         std::string() + "SELECT CODI_NORMA,DESCR FROM PALM_NORME"},
        {"Scarico Ulitizzi già rilevati", "UTIL_RILE", 6,
         std::string() +
             "SELECT A.ID_PART,A.CODI_UTIL,A.STAT_COLT,A.COORDX,A.COORDY,A.NOTE FROM "
             "PALM_UTIL_RILE A,(" +
             "SELECT ID_PART,CODI_UTIL,STAT_COLT,Max(DATA_LAV) AS DATA_LAV FROM PALM_UTIL_RILE " +
             "WHERE ID_PART IN ( " + K + "FROM tervplav A " + "where NUME_SCAR_PALM = " + N +
             " And Last = 1)" +
             "GROUP BY ID_PART,CODI_UTIL,STAT_COLT) B WHERE A.ID_PART=B.ID_PART AND "
             "A.CODI_UTIL=B.CODI_UTIL AND A.STAT_COLT=B.STAT_COLT AND A.DATA_LAV=B.DATA_LAV"},
        {"Scarico FAG già rilevati", "FAG_RILE", 14,
         std::string() +
             "SELECT "
             "A.ID_PART,A.PROG_POLI,A.SEST_REGO,A.DIST_TRA_FILA,A.DIST_SU_FILA,A.NUME_NOCC,A.NUME_"
             "NOCE,A.NUME_MAND,A.NUME_PIST,A.NUME_CARR,A.NUME_CAST,A.NUME_ALTR,A.FLAG_PROD,A.FLAG_"
             "ERBA FROM PALM_FAG_RILE A,(" +
             "SELECT ID_PART,PROG_POLI,MAX(DATA_LAV) AS DATA_LAV FROM PALM_FAG_RILE " +
             "WHERE ID_PART IN ( " + K + "FROM tervplav A " + "where NUME_SCAR_PALM = " + N +
             " And Last = 1) " +
             "GROUP BY ID_PART,PROG_POLI) B WHERE A.ID_PART=B.ID_PART AND A.PROG_POLI=B.PROG_POLI "
             "AND A.DATA_LAV=B.DATA_LAV"},
        {"Scarico NORME già rilevate", "NORME_RILE", 3,
         std::string() + "SELECT A.ID_PART,A.CODI_NORMA,A.VIOLAZIONE FROM PALM_NORME_RILE A,(" +
             "SELECT ID_PART,CODI_NORMA,MAX(DATA_LAV) AS DATA_LAV FROM PALM_NORME_RILE " +
             "WHERE ID_PART IN ( " + K + "FROM tervplav A " + "where NUME_SCAR_PALM = " + N +
             " And Last = 1) " +
             "GROUP BY ID_PART,CODI_NORMA) B WHERE A.ID_PART=B.ID_PART AND "
             "A.CODI_NORMA=B.CODI_NORMA AND A.DATA_LAV=B.DATA_LAV"},
    };
}

constexpr long kSteps = 10;  // creation, nine downloads, indexes and municipality list

DownloadResult Failed(const std::string& caption, const std::string& reason, int32_t code) {
    MsgBox(texts::MsgPassoFallito(caption, reason), vbExclamation, texts::kTitleScarico);
    return DownloadResult{code == 0 ? -1 : code, {}};
}

// Deletes palmdb.mdb and creates it with its nine tables.
bool CreaPalmDb(const std::string& file, std::string& error) {
    try {
        DeleteIfExists(file);
        Database db = CreateDatabase(file, dbLangGeneral);
        for (const std::string& sql : PalmDbTableStatements())
            db.Execute(sql, dbFailOnError);
        db.Close();
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

// Indexes palmdb.mdb and reads its municipalities in the order returned.
bool IndiciEComuni(const std::string& file, std::vector<std::string>& comuni, std::string& error) {
    try {
        Database db = OpenDatabase(file);
        for (const std::string& sql : PalmDbIndexStatements())
            db.Execute(sql, dbFailOnError);
        DbReadColumn(db, "SELECT COD_NAZIONALE FROM PART_DICH GROUP BY COD_NAZIONALE", comuni);
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

}  // namespace

DownloadResult ScaricaDatiExport(const ExportJob& job) {
    const std::string file = PalmDbPath();
    std::string error;
    ShowExportStep(job, texts::kCaptionCreoDb, 0, kSteps);
    if (!CreaPalmDb(file, error))
        return Failed(texts::kCaptionCreoDb, error, -1);
    long step = 0;
    for (const Download& d : Downloads(job.numScarico, gProvRif)) {
        ShowExportStep(job, d.caption, ++step, kSteps);
        // Silent: the message below names the download that failed, with the server's text.
        const int32_t rc = SelectToMdb(gUserName, d.sql, d.fields, file, d.table, "", true);
        if (rc != 0)
            return Failed(d.caption, LastServerError(), rc);
    }
    ShowExportStep(job, texts::kCaptionIndici, kSteps, kSteps);
    DownloadResult result;
    if (!IndiciEComuni(file, result.comuni, error))
        return Failed(texts::kCaptionIndici, error, -1);
    return result;
}

}  // namespace terv
