// Step 7 of the export: the handheld's SQLite databases written from the transit database, the
// main database first, then per municipality its database followed at once by its map files.
// Every database is written through the SQLite writer and appears under its final name only
// when it is complete.
#include <functional>

#include "ExportSteps.h"
#include "HandheldSchema.h"
#include "HandheldTexts.h"
#include "HandheldValues.h"
#include "data/FileUtil.h"
#include "data/db/Database.h"
#include "data/net/SidSde.h"
#include "platform/UiPort.h"
#include "reference/GestTabelle.h"
#include "sql_lite.h"

namespace terv {

namespace {

using RowInsert = std::function<std::string(const Recordset&)>;

// A step of the build that cannot go on; `caption` names it in the message.
struct BuildFailure {
    std::string caption;
    std::string reason;
};

// The bar of the build: the main database, then one unit per municipality.
struct BuildProgress {
    const ExportJob& job;
    long value = 0;
    long max = 1;
    void Show(const std::string& caption) const { ShowExportStep(job, caption, value, max); }
};

// Sends one INSERT per row of `select` on palmdb.mdb to the writer.
void CopyRows(Database& palm, int32_t h, const std::string& select, const RowInsert& insert) {
    Recordset rs = palm.OpenRecordset(select, dbOpenForwardOnly);
    for (; !rs.Eof(); rs.MoveNext())
        sqll_execute(h, insert(rs));
}

std::string Texts(const Recordset& rs, std::initializer_list<const char*> fields) {
    std::string out;
    for (const char* f : fields)
        out += (out.empty() ? "" : ",") + SqlText(rs.Field(f));
    return out;
}

std::string PartDich(const Recordset& rs) {
    const std::string tipo = rs.Field("TIPO_LAVO").AsText();
    const std::string foto =
        tipo == "A" || tipo == "E" ? "1," : SqlNumber(rs.Field("NUME_FOTO_RICH")) + ",";
    return "INSERT INTO PART_DICH VALUES(" +
           Texts(rs, {"ID_PART", "COD_NAZIONALE", "PROV", "COMU", "SEZI"}) + "," +
           SqlNumber(rs.Field("FOGLIO")) + "," + Texts(rs, {"PART", "SUB"}) + "," +
           SqlNumber(rs.Field("COORDX")) + "," + SqlNumber(rs.Field("COORDY")) + "," +
           SqlText(rs.Field("TIPO_LAVO")) + "," + SqlNumber(rs.Field("NUME_SCAR")) + "," + foto +
           SqlText(rs.Field("FLAG_LAVO")) + ",NULL)";
}

std::string UtilDich(const Recordset& rs) {
    return "INSERT INTO UTIL_DICH VALUES(" + Texts(rs, {"ID_PART", "CODI_UTIL", "CODI_VARI"}) +
           "," + SqlNumber(rs.Field("SUPE_DICH")) + ")";
}

std::string FagRile(const Recordset& rs) {
    std::string out = "INSERT INTO FAG_RILE VALUES(" + SqlText(rs.Field("ID_PART")) + "," +
                      SqlNumber(rs.Field("PROG_POLI")) + "," + SqlText(rs.Field("SEST_REGO"));
    for (const char* f : {"DIST_TRA_FILA", "DIST_SU_FILA", "NUME_NOCC", "NUME_NOCE", "NUME_MAND",
                          "NUME_PIST", "NUME_CARR", "NUME_CAST", "NUME_ALTR"})
        out += "," + SqlNumber(rs.Field(f));
    return out + "," + Texts(rs, {"FLAG_PROD", "FLAG_ERBA"}) + ")";
}

// Closes a database of the build; a failure is the step's.
void Close(int32_t h, const std::string& caption) {
    if (sqll_closeDb(h) != 0)
        throw BuildFailure{caption, sqll_errmsg()};
}

int32_t Create(const std::string& file, const std::string& caption) {
    const int32_t h = sqll_createdb(file);
    if (h == 0)
        throw BuildFailure{caption, sqll_errmsg()};
    return h;
}

// Runs `body` on a new writer; a failure inside discards the file.
void WithWriter(const std::string& file, const std::string& caption,
                const std::function<void(int32_t, std::string&)>& body) {
    const int32_t h = Create(file, caption);
    std::string current = caption;
    try {
        body(h, current);
    } catch (const BuildFailure&) {
        sqll_discard(h);
        throw;
    } catch (const std::exception& e) {
        sqll_discard(h);
        throw BuildFailure{current, e.what()};
    }
    Close(h, current);
}

void MainDatabase(Database& palm, const std::vector<std::string>& comuni, BuildProgress& bar) {
    PrepareWorkFolder(PalmareFolder(), false);
    WithWriter(PalmareFolder() + "terv34bis_ppc.db", texts::kCaptionListaComuni,
               [&](int32_t h, std::string& current) {
                   CreateMainTables(h, nullptr);
                   bar.Show(current);
                   for (const std::string& c : comuni) {
                       sqll_execute(h, "INSERT INTO COMUNI VALUES(" + SqlQuoted(c) + "," +
                                           SqlQuoted(NomeComune(c)) + "," +
                                           SqlQuoted(SiglaProvincia(c)) + ")");
                   }
                   current = texts::kCaptionListaAgronomi;
                   bar.Show(current);
                   CopyRows(palm, h, "select * from AGRONOMI", [](const Recordset& rs) {
                       return "INSERT INTO AGRONOMI VALUES(" +
                              SqlQuoted(rs.Field("COD_AGRONOMO").AsText()) + "," +
                              SqlQuoted(rs.Field("NOME").AsText()) + "," +
                              SqlQuoted(rs.Field("PWD").AsText()) + ")";
                   });
               });
}

// The municipality's tables, each after its caption.
void ComuneTables(Database& palm, int32_t h, const std::string& c, std::string& current,
                  const BuildProgress& bar) {
    const auto step = [&](const char* caption, const std::string& select, const RowInsert& row) {
        current = texts::ForComune(caption, c);
        bar.Show(current);
        CopyRows(palm, h, select, row);
    };
    step(texts::kCaptionParticelle,
         "select * from PART_DICH where cod_nazionale='" + c + "' order by foglio,part,sub",
         PartDich);
    step(texts::kCaptionUtilizziDich,
         "SELECT UTIL_DICH.ID_PART, UTIL_DICH.CODI_UTIL, UTIL_DICH.CODI_VARI, "
         "SUM(UTIL_DICH.SUPE_DICH) AS SUPE_DICH FROM PART_DICH INNER JOIN UTIL_DICH ON "
         "PART_DICH.ID_PART = UTIL_DICH.ID_PART WHERE (((PART_DICH.COD_NAZIONALE)='" +
             c + "')) GROUP BY UTIL_DICH.ID_PART, UTIL_DICH.CODI_UTIL, UTIL_DICH.CODI_VARI",
         UtilDich);
    step(texts::kCaptionNorme, "SELECT * FROM NORME", [](const Recordset& rs) {
        return "INSERT INTO NORME VALUES(" + Texts(rs, {"CODI_NORMA", "DESCR"}) + ")";
    });
    step(texts::kCaptionUtilizziDich, "SELECT * FROM CODI_DICH", [](const Recordset& rs) {
        return "INSERT INTO CODI_DICH VALUES(" + SqlText("1") + "," +
               Texts(rs, {"CODI_UTIL", "CODI_VARI", "DESCR"}) + ")";
    });
    step(texts::kCaptionCodiciRile, "SELECT * FROM CODI_RILE_UTIL", [](const Recordset& rs) {
        return "INSERT INTO CODI_RILE_UTIL VALUES(" +
               Texts(rs, {"CODI_UTIL", "DESCR", "DESC_BREVE"}) + ")";
    });
    step(texts::kCaptionUtilizziRile, "SELECT * FROM UTIL_RILE", [](const Recordset& rs) {
        return "INSERT INTO UTIL_RILE VALUES(" + Texts(rs, {"ID_PART", "CODI_UTIL", "STAT_COLT"}) +
               "," + SqlNumber(rs.Field("COORDX")) + "," + SqlNumber(rs.Field("COORDY")) + "," +
               SqlText(rs.Field("NOTE")) + ")";
    });
    step(texts::kCaptionFagRile, "SELECT * FROM FAG_RILE", FagRile);
    step(texts::kCaptionNormeRile, "SELECT * FROM NORME_RILE", [](const Recordset& rs) {
        return "INSERT INTO NORME_RILE VALUES(" + Texts(rs, {"ID_PART", "CODI_NORMA"}) + "," +
               SqlNumber(rs.Field("VIOLAZIONE")) + ")";
    });
}

void ComuneDatabase(Database& palm, const ExportJob& job, const std::string& c,
                    BuildProgress& bar) {
    const std::string folder = PalmareFolder() + c + "/";
    PrepareWorkFolder(folder, false);
    WithWriter(folder + "db_comu.db", texts::ForComune(texts::kCaptionParticelle, c),
               [&](int32_t h, std::string& current) {
                   CreateComuneTables(h, nullptr);
                   ComuneTables(palm, h, c, current, bar);
               });
    const std::string caption = texts::ForComune(texts::kCaptionGrafica, c);
    bar.Show(caption);
    if (ScaricaGrafica(job, c) != 0)
        throw BuildFailure{caption, LastServerError()};
}

}  // namespace

int32_t CostruisciPalmare(const ExportJob& job, const DownloadResult& download) {
    BuildProgress bar{job, 0, static_cast<long>(download.comuni.size()) + 1};
    std::string caption = texts::kCaptionListaComuni;
    try {
        Database palm = OpenDatabase(PalmDbPath(), false, true);
        MainDatabase(palm, download.comuni, bar);
        for (const std::string& c : download.comuni) {
            ++bar.value;
            caption = texts::ForComune(texts::kCaptionParticelle, c);
            ComuneDatabase(palm, job, c, bar);
        }
        return 0;
    } catch (const BuildFailure& f) {
        MsgBox(texts::MsgPassoFallito(f.caption, f.reason), vbExclamation, texts::kTitleScarico);
    } catch (const std::exception& e) {
        MsgBox(texts::MsgPassoFallito(caption, e.what()), vbExclamation, texts::kTitleScarico);
    }
    return -1;
}

}  // namespace terv
