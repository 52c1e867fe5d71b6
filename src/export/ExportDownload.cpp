// Step 6 of the export: the transit database palmdb.mdb, created anew and filled straight from
// the server, one statement per table, with the parcels that carry the export number.
//
// Four downloads bring few rows but cost the server the most: CODI_DICH and the three tables of
// earlier surveys each look up every exported parcel. They run on a second thread, each into a
// small file of its own beside palmdb.mdb, while the main thread receives the large tables; so
// the server works on two statements at once. The captions still follow the nine downloads in
// order: when a download run aside has its turn, the main thread waits for it, reports it as if
// it had just run and moves its rows into palmdb.mdb.
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "ExportSteps.h"
#include "HandheldSchema.h"
#include "HandheldTexts.h"
#include "data/FileUtil.h"
#include "data/db/Database.h"
#include "data/db/mdbUtil.h"
#include "data/net/SidSde.h"
#include "platform/UiPort.h"
#include "platform/VbText.h"
#include "shell/base/modMain.h"

namespace terv {

namespace {

struct Download {
    const char* caption;
    const char* table;
    int32_t fields;
    std::string sql;
    bool aside = false;  // run on the second thread
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
             " ) B,TERVUTIL C" + U + " )" + " GROUP BY COD_REGI" + " )",
         true},
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
             "A.CODI_UTIL=B.CODI_UTIL AND A.STAT_COLT=B.STAT_COLT AND A.DATA_LAV=B.DATA_LAV",
         true},
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
             "AND A.DATA_LAV=B.DATA_LAV",
         true},
        {"Scarico NORME già rilevate", "NORME_RILE", 3,
         std::string() + "SELECT A.ID_PART,A.CODI_NORMA,A.VIOLAZIONE FROM PALM_NORME_RILE A,(" +
             "SELECT ID_PART,CODI_NORMA,MAX(DATA_LAV) AS DATA_LAV FROM PALM_NORME_RILE " +
             "WHERE ID_PART IN ( " + K + "FROM tervplav A " + "where NUME_SCAR_PALM = " + N +
             " And Last = 1) " +
             "GROUP BY ID_PART,CODI_NORMA) B WHERE A.ID_PART=B.ID_PART AND "
             "A.CODI_NORMA=B.CODI_NORMA AND A.DATA_LAV=B.DATA_LAV",
         true},
    };
}

constexpr long kSteps = 10;  // creation, nine downloads, indexes and municipality list

DownloadResult Failed(const std::string& caption, const std::string& reason, int32_t code) {
    MsgBox(texts::MsgPassoFallito(caption, reason), vbExclamation, texts::kTitleScarico);
    return DownloadResult{code == 0 ? -1 : code, {}};
}

// Runs `body`; false, with the failure's text in `error`, when it throws.
bool Succeeds(const std::function<void()>& body, std::string& error) {
    try {
        body();
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

// Deletes `file` and creates it anew with the tables of `statements`.
void CreateWithTables(const std::string& file, const std::vector<std::string>& statements) {
    DeleteIfExists(file);
    Database db = CreateDatabase(file, dbLangGeneral);
    for (const std::string& sql : statements)
        db.Execute(sql, dbFailOnError);
    db.Close();
}

// Indexes palmdb.mdb and reads its municipalities in the order returned.
void IndiciEComuni(const std::string& file, std::vector<std::string>& comuni) {
    Database db = OpenDatabase(file);
    for (const std::string& sql : PalmDbIndexStatements())
        db.Execute(sql, dbFailOnError);
    DbReadColumn(db, "SELECT COD_NAZIONALE FROM PART_DICH GROUP BY COD_NAZIONALE", comuni);
}

// The CREATE statement of one table of palmdb.mdb.
std::string TableStatement(const std::string& table) {
    for (const std::string& sql : PalmDbTableStatements()) {
        if (UCase(sql).find("TABLE " + table + "(") != std::string::npos)
            return sql;
    }
    throw std::runtime_error("palmdb.mdb has no table " + table);
}

// The file beside palmdb.mdb that receives one download run aside.
std::string AsideFile(const std::string& palmDb, const std::string& table) {
    return palmDb.substr(0, palmDb.size() - 4) + "_" + table + ".mdb";
}

// Adds the rows of `table` in `from` to the same table of `into`.
void MoveRows(const std::string& from, const std::string& into, const std::string& table) {
    Database db = OpenDatabase(into);
    db.AppendRowsFrom(from, table);
    db.Close();
}

// The downloads run aside, one after the other on a thread of their own, each into its own
// file; the main thread takes each one's result in order. The files are deleted however the
// download ends.
class AsideDownloads {
  public:
    AsideDownloads(const std::vector<Download>& all, std::string palmDb, std::string user)
        : palmDb_(std::move(palmDb)), user_(std::move(user)) {
        for (const Download& d : all) {
            if (d.aside)
                jobs_.push_back({&d, AsideFile(palmDb_, d.table), {}, false});
        }
        thread_ = std::thread([this] { Work(); });
    }

    ~AsideDownloads() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        thread_.join();
        for (const Job& job : jobs_)
            DeleteIfExists(job.file);
    }

    // Waits for the download of `d`, reports it and moves its rows into palmdb.mdb. 0, or the
    // failure's code with `reason` set.
    int32_t Take(const Download& d, std::string& reason) {
        Job& job = Find(d);
        {
            std::unique_lock<std::mutex> lock(mutex_);
            done_.wait(lock, [&] { return job.done; });
        }
        const int32_t rc = ReportSelectToMdb(job.run, user_, d.sql, true);
        if (rc != 0) {
            reason = LastServerError();
            return rc;
        }
        if (!Succeeds([&] { MoveRows(job.file, palmDb_, d.table); }, reason))
            return -1;
        DeleteIfExists(job.file);
        return 0;
    }

  private:
    struct Job {
        const Download* download;
        std::string file;
        DeferredSelect run;
        bool done = false;
    };

    Job& Find(const Download& d) {
        for (Job& job : jobs_) {
            if (job.download == &d)
                return job;
        }
        throw std::logic_error(std::string("not a download run aside: ") + d.table);
    }

    // One download into its file; whatever goes wrong is kept for its turn, nothing escapes
    // the thread.
    DeferredSelect Run(const Download& d, const std::string& file) const {
        try {
            CreateWithTables(file, {TableStatement(d.table)});
            return RunSelectToMdb(user_, d.sql, d.fields, file, d.table);
        } catch (const std::exception& e) {
            return DeferredSelect{-1, false, e.what()};
        }
    }

    void Work() {
        for (Job& job : jobs_) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (stop_)
                    return;
            }
            DeferredSelect run = Run(*job.download, job.file);
            std::lock_guard<std::mutex> lock(mutex_);
            job.run = std::move(run);
            job.done = true;
            done_.notify_all();
        }
    }

    const std::string palmDb_, user_;
    std::vector<Job> jobs_;
    std::mutex mutex_;
    std::condition_variable done_;
    bool stop_ = false;
    std::thread thread_;  // started once the jobs are listed
};

}  // namespace

DownloadResult ScaricaDatiExport(const ExportJob& job) {
    const std::string file = PalmDbPath();
    std::string error;
    ShowExportStep(job, texts::kCaptionCreoDb, 0, kSteps);
    if (!Succeeds([&] { CreateWithTables(file, PalmDbTableStatements()); }, error))
        return Failed(texts::kCaptionCreoDb, error, -1);
    const std::vector<Download> downloads = Downloads(job.numScarico, gProvRif);
    AsideDownloads aside(downloads, file, gUserName);
    long step = 0;
    for (const Download& d : downloads) {
        ShowExportStep(job, d.caption, ++step, kSteps);
        // Silent: the message below names the download that failed, with the server's text.
        int32_t rc = 0;
        if (d.aside) {
            rc = aside.Take(d, error);
        } else if ((rc = SelectToMdb(gUserName, d.sql, d.fields, file, d.table, "", true)) != 0) {
            error = LastServerError();
        }
        if (rc != 0)
            return Failed(d.caption, error, rc);
    }
    ShowExportStep(job, texts::kCaptionIndici, kSteps, kSteps);
    DownloadResult result;
    if (!Succeeds([&] { IndiciEComuni(file, result.comuni); }, error))
        return Failed(texts::kCaptionIndici, error, -1);
    return result;
}

}  // namespace terv
