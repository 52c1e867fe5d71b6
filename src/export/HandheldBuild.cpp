// Step 7 of the export: the handheld's SQLite databases written from the transit database, the
// main database first, then per municipality its database followed at once by its map files.
// Every database is written through the SQLite writer and appears under its final name only
// when it is complete; the rows of each table go through one prepared insert with the values
// the INSERT statement text would hold.
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "ExportSteps.h"
#include "HandheldSchema.h"
#include "HandheldTexts.h"
#include "HandheldValues.h"
#include "data/FileUtil.h"
#include "data/RowPipeline.h"
#include "data/db/Database.h"
#include "data/net/SidSde.h"
#include "platform/UiPort.h"
#include "reference/GestTabelle.h"
#include "shell/base/modMain.h"
#include "sql_lite.h"

namespace terv {

namespace {

using Row = std::vector<SqllValue>;
using RowValues = std::function<Row(const Recordset&)>;

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

// Rows a table of the handheld refused. They are left out and the others go on, as statements
// of their own would be; each is told in the export's log with the database, the table, SQLite's
// reason and the values (the first kLogged of them), then their number. Filled by one thread at
// a time; logged on the user-interface thread.
class Refusals {
  public:
    explicit Refusals(std::string db) : db_(std::move(db)) {}

    void Add(const std::string& table, const std::string& reason, const std::string& values) {
        if (++count_ <= kLogged)
            lines_.push_back(texts::LogRigaRifiutata(db_, table, reason, values));
    }

    void Log() {
        if (count_ == 0)
            return;
        for (const std::string& line : lines_)
            LogScarico(line);
        LogScarico(texts::LogRigheRifiutate(db_, count_));
        lines_.clear();
        count_ = 0;
    }

  private:
    static constexpr long kLogged = 100;
    std::string db_;
    std::vector<std::string> lines_;
    long count_ = 0;
};

// A row's values as the log shows them: separated by "|", NULL as nothing.
std::string Joined(const Row& row) {
    std::string out;
    for (size_t i = 0; i < row.size(); ++i)
        out += (i ? "|" : "") + row[i].text;
    return out;
}

// Inserts every row of `select` on palmdb.mdb into `table` of the writer, one row at a time
// through the writer's prepared insert. The inserts run on a thread of their own while the
// next rows are read; the writer is touched by that thread alone until the rows are all in.
// A row the table refuses is left out and kept in `refused`; a failure of the file surfaces
// at the close.
void CopyRows(Database& palm, int32_t h, const std::string& select, const char* table,
              const RowValues& values, Refusals& refused) {
    Recordset rs = palm.OpenRecordset(select, dbOpenForwardOnly);
    RowPipeline<SqllValue> inserts([&](const Row& row) {
        if (sqll_insert(h, table, row) != 0)
            refused.Add(table, sqll_errmsg(), Joined(row));
        return true;
    });
    for (; !rs.Eof(); rs.MoveNext())
        inserts.Push(values(rs));
    inserts.Finish();
}

// T() of each field, appended to `row`.
void Texts(Row& row, const Recordset& rs, std::initializer_list<const char*> fields) {
    for (const char* f : fields)
        row.push_back(TextValue(rs.Field(f)));
}

// N() of each field, appended to `row`.
void Numbers(Row& row, const Recordset& rs, std::initializer_list<const char*> fields) {
    for (const char* f : fields)
        row.push_back(NumberValue(rs.Field(f)));
}

Row PartDich(const Recordset& rs) {
    Row row;
    row.reserve(15);
    Texts(row, rs, {"ID_PART", "COD_NAZIONALE", "PROV", "COMU", "SEZI"});
    Numbers(row, rs, {"FOGLIO"});
    Texts(row, rs, {"PART", "SUB"});
    Numbers(row, rs, {"COORDX", "COORDY"});
    Texts(row, rs, {"TIPO_LAVO"});
    Numbers(row, rs, {"NUME_SCAR"});
    const std::string tipo = rs.Field("TIPO_LAVO").AsText();
    if (tipo == "A" || tipo == "E")
        row.push_back({SqllValue::kNumber, "1"});
    else
        Numbers(row, rs, {"NUME_FOTO_RICH"});
    Texts(row, rs, {"FLAG_LAVO"});
    row.push_back({});  // COD_AGRONOMO
    return row;
}

Row UtilDich(const Recordset& rs) {
    Row row;
    Texts(row, rs, {"ID_PART", "CODI_UTIL", "CODI_VARI"});
    Numbers(row, rs, {"SUPE_DICH"});
    return row;
}

Row FagRile(const Recordset& rs) {
    Row row;
    Texts(row, rs, {"ID_PART"});
    Numbers(row, rs, {"PROG_POLI"});
    Texts(row, rs, {"SEST_REGO"});
    Numbers(row, rs,
            {"DIST_TRA_FILA", "DIST_SU_FILA", "NUME_NOCC", "NUME_NOCE", "NUME_MAND", "NUME_PIST",
             "NUME_CARR", "NUME_CAST", "NUME_ALTR"});
    Texts(row, rs, {"FLAG_PROD", "FLAG_ERBA"});
    return row;
}

// Closes a database of the build; a failure is the step's.
void Close(int32_t h, const std::string& caption) {
    if (sqll_closeDb(h) != 0)
        throw BuildFailure{caption, sqll_errmsg()};
}

// A new writer of `file`: empty, or starting as a copy of the finished file `from`.
int32_t Create(const std::string& file, const std::string& caption, const std::string& from = "") {
    const int32_t h = from.empty() ? sqll_createdb(file) : sqll_createdb_from(file, from);
    if (h == 0)
        throw BuildFailure{caption, sqll_errmsg()};
    return h;
}

// Runs `body` on the open writer `h` and closes it; a failure inside discards the file.
void WithWriter(int32_t h, const std::string& caption,
                const std::function<void(int32_t, std::string&)>& body) {
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

// Runs `body` on a new writer of `file`.
void WithWriter(const std::string& file, const std::string& caption,
                const std::function<void(int32_t, std::string&)>& body) {
    WithWriter(Create(file, caption), caption, body);
}

// Inserts one row of texts into `table` with a statement of its own; a refused row is kept.
void InsertTexts(int32_t h, const char* table, const std::vector<std::string>& values,
                 Refusals& refused) {
    std::string sql = std::string("INSERT INTO ") + table + " VALUES(";
    std::string joined;
    for (size_t i = 0; i < values.size(); ++i) {
        sql += (i ? "," : "") + SqlQuoted(values[i]);
        joined += (i ? "|" : "") + values[i];
    }
    if (sqll_execute(h, sql + ")") != 0)
        refused.Add(table, sqll_errmsg(), joined);
}

void MainDatabase(Database& palm, const std::vector<std::string>& comuni, BuildProgress& bar) {
    PrepareWorkFolder(PalmareFolder(), false);
    Refusals refused("terv34bis_ppc.db");
    WithWriter(PalmareFolder() + "terv34bis_ppc.db", texts::kCaptionListaComuni,
               [&](int32_t h, std::string& current) {
                   CreateMainTables(h, nullptr);
                   bar.Show(current);
                   for (const std::string& c : comuni)
                       InsertTexts(h, "COMUNI", {c, NomeComune(c), SiglaProvincia(c)}, refused);
                   current = texts::kCaptionListaAgronomi;
                   bar.Show(current);
                   Recordset rs = palm.OpenRecordset("select * from AGRONOMI", dbOpenForwardOnly);
                   for (; !rs.Eof(); rs.MoveNext()) {
                       InsertTexts(h, "AGRONOMI",
                                   {rs.Field("COD_AGRONOMO").AsText(), rs.Field("NOME").AsText(),
                                    rs.Field("PWD").AsText()},
                                   refused);
                   }
               });
    refused.Log();
}

// The tables every municipality's database holds whole, with their captions and rows.
struct WholeTable {
    const char* caption;
    const char* select;
    const char* table;
    RowValues values;
};

const std::vector<WholeTable>& WholeTables() {
    static const std::vector<WholeTable> tables = {
        {texts::kCaptionNorme, "SELECT * FROM NORME", "NORME",
         [](const Recordset& rs) {
             Row row;
             Texts(row, rs, {"CODI_NORMA", "DESCR"});
             return row;
         }},
        {texts::kCaptionUtilizziDich, "SELECT * FROM CODI_DICH", "CODI_DICH",
         [](const Recordset& rs) {
             Row row{{SqllValue::kText, "1"}};  // eligible, always
             Texts(row, rs, {"CODI_UTIL", "CODI_VARI", "DESCR"});
             return row;
         }},
        {texts::kCaptionCodiciRile, "SELECT * FROM CODI_RILE_UTIL", "CODI_RILE_UTIL",
         [](const Recordset& rs) {
             Row row;
             Texts(row, rs, {"CODI_UTIL", "DESCR", "DESC_BREVE"});
             return row;
         }},
        {texts::kCaptionUtilizziRile, "SELECT * FROM UTIL_RILE", "UTIL_RILE",
         [](const Recordset& rs) {
             Row row;
             Texts(row, rs, {"ID_PART", "CODI_UTIL", "STAT_COLT"});
             Numbers(row, rs, {"COORDX", "COORDY"});
             Texts(row, rs, {"NOTE"});
             return row;
         }},
        {texts::kCaptionFagRile, "SELECT * FROM FAG_RILE", "FAG_RILE", FagRile},
        {texts::kCaptionNormeRile, "SELECT * FROM NORME_RILE", "NORME_RILE",
         [](const Recordset& rs) {
             Row row;
             Texts(row, rs, {"ID_PART", "CODI_NORMA"});
             Numbers(row, rs, {"VIOLAZIONE"});
             return row;
         }},
    };
    return tables;
}

// The file from which every municipality's database but the first starts: the schema and the
// whole tables, as the first one holds them. It stays beside the transit database, outside what
// the transfer copies, and is deleted when the build ends.
std::string TemplatePath() {
    return gTmpPath + "/db_comu_modello.db";
}

// Writes the template from the finished first database.
void MakeTemplate(const std::string& firstDb, const std::string& caption) {
    WithWriter(TemplatePath(), caption, [&](int32_t h, std::string& current) {
        CreateComuneTables(h, nullptr);
        for (const WholeTable& t : WholeTables()) {
            if (sqll_copy_table(h, firstDb, t.table) != 0)
                throw BuildFailure{current, sqll_errmsg()};
        }
    });
}

// Shows a step's caption, or keeps it for later.
using ShowStep = std::function<void(const std::string& caption)>;

// The municipality's tables, each after its caption. The whole tables are written row by row
// into the first municipality's database (`fromTemplate` false); the others start from the
// template, which already holds them.
void ComuneTables(Database& palm, int32_t h, const std::string& c, bool fromTemplate,
                  std::string& current, const ShowStep& show, Refusals& refused) {
    const auto step = [&](const char* caption) {
        current = texts::ForComune(caption, c);
        show(current);
    };
    step(texts::kCaptionParticelle);
    CopyRows(palm, h,
             "select * from PART_DICH where cod_nazionale='" + c + "' order by foglio,part,sub",
             "PART_DICH", PartDich, refused);
    step(texts::kCaptionUtilizziDich);
    CopyRows(palm, h,
             "SELECT UTIL_DICH.ID_PART, UTIL_DICH.CODI_UTIL, UTIL_DICH.CODI_VARI, "
             "SUM(UTIL_DICH.SUPE_DICH) AS SUPE_DICH FROM PART_DICH INNER JOIN UTIL_DICH ON "
             "PART_DICH.ID_PART = UTIL_DICH.ID_PART WHERE (((PART_DICH.COD_NAZIONALE)='" +
                 c + "')) GROUP BY UTIL_DICH.ID_PART, UTIL_DICH.CODI_UTIL, UTIL_DICH.CODI_VARI",
             "UTIL_DICH", UtilDich, refused);
    for (const WholeTable& t : WholeTables()) {
        step(t.caption);
        if (!fromTemplate)
            CopyRows(palm, h, t.select, t.table, t.values, refused);
    }
}

// Where a municipality's database gets its whole tables.
enum class Whole {
    kWritten,       // written row by row: the only database
    kShared,        // written row by row, then copied into the template for the others
    kFromTemplate,  // already in the template the database starts from
};

// The name the export's log gives a municipality's database.
std::string ComuneDb(const std::string& c) {
    return c + "/db_comu.db";
}

// Writes the municipality's database; the rows its tables refused are kept in `refused`.
void ComuneDatabase(Database& palm, const std::string& c, Whole whole, const ShowStep& show,
                    Refusals& refused) {
    const std::string folder = PalmareFolder() + c + "/";
    PrepareWorkFolder(folder, false);
    const std::string file = folder + "db_comu.db";
    const std::string caption = texts::ForComune(texts::kCaptionParticelle, c);
    const bool fromTemplate = whole == Whole::kFromTemplate;
    const int32_t h = Create(file, caption, fromTemplate ? TemplatePath() : "");
    std::string last;
    WithWriter(h, caption, [&](int32_t, std::string& current) {
        if (!fromTemplate)
            CreateComuneTables(h, nullptr);
        ComuneTables(palm, h, c, fromTemplate, current, show, refused);
        last = current;
    });
    if (whole == Whole::kShared)
        MakeTemplate(file, last);
}

// The municipality's map files, unless the job leaves them out.
void ComuneMaps(const ExportJob& job, const std::string& c, const BuildProgress& bar) {
    if (!job.mapFiles)
        return;
    const std::string caption = texts::ForComune(texts::kCaptionGrafica, c);
    bar.Show(caption);
    if (ScaricaGrafica(job, c) != 0)
        throw BuildFailure{caption, LastServerError()};
}

// A municipality's database written from the template on a thread of its own, with its own
// reader of palmdb.mdb, while the window shows the municipality before it. Its captions are
// kept and shown when its turn comes, so the window shows every step in order.
class AheadBuild {
  public:
    AheadBuild(Database& palm, const std::string& c)
        : refused_(ComuneDb(c)), thread_([this, &palm, c] {
              try {
                  ComuneDatabase(
                      palm, c, Whole::kFromTemplate,
                      [this](const std::string& caption) { shown_.push_back(caption); }, refused_);
              } catch (...) {
                  failure_ = std::current_exception();
              }
          }) {}
    ~AheadBuild() {
        if (thread_.joinable())
            thread_.join();
    }
    AheadBuild(const AheadBuild&) = delete;
    AheadBuild& operator=(const AheadBuild&) = delete;

    // Waits for the database, shows its steps and logs the rows it refused; its failure is
    // thrown here.
    void Finish(const BuildProgress& bar) {
        thread_.join();
        for (const std::string& caption : shown_)
            bar.Show(caption);
        if (failure_)
            std::rethrow_exception(failure_);
        refused_.Log();
    }

  private:
    std::vector<std::string> shown_;
    Refusals refused_;
    std::exception_ptr failure_;
    std::thread thread_;  // last: it starts once the members it uses exist
};

// Every municipality's database and map files, in order. The first one is written alone (it
// makes the template); from the second on, the next municipality's database is written beside
// the current one.
void ComuniDatabases(Database& palm, const ExportJob& job, const std::vector<std::string>& comuni,
                     BuildProgress& bar, std::string& caption) {
    std::optional<Database> second;  // the reader of the databases written ahead
    const ShowStep show = [&bar](const std::string& c) { bar.Show(c); };
    for (size_t i = 0; i < comuni.size(); ++i) {
        std::unique_ptr<AheadBuild> ahead;
        if (i > 0 && i + 1 < comuni.size()) {
            if (!second)
                second = OpenDatabase(PalmDbPath(), false, true);
            ahead = std::make_unique<AheadBuild>(*second, comuni[i + 1]);
        }
        ++bar.value;
        caption = texts::ForComune(texts::kCaptionParticelle, comuni[i]);
        const Whole whole = i > 0               ? Whole::kFromTemplate
                            : comuni.size() > 1 ? Whole::kShared
                                                : Whole::kWritten;
        Refusals refused(ComuneDb(comuni[i]));
        ComuneDatabase(palm, comuni[i], whole, show, refused);
        refused.Log();
        ComuneMaps(job, comuni[i], bar);
        if (!ahead)
            continue;
        ++i;
        ++bar.value;
        caption = texts::ForComune(texts::kCaptionParticelle, comuni[i]);
        ahead->Finish(bar);
        ComuneMaps(job, comuni[i], bar);
    }
}

}  // namespace

int32_t CostruisciPalmare(const ExportJob& job, const DownloadResult& download) {
    BuildProgress bar{job, 0, static_cast<long>(download.comuni.size()) + 1};
    std::string caption = texts::kCaptionListaComuni;
    int32_t rc = -1;
    try {
        Database palm = OpenDatabase(PalmDbPath(), false, true);
        MainDatabase(palm, download.comuni, bar);
        ComuniDatabases(palm, job, download.comuni, bar, caption);
        rc = 0;
    } catch (const BuildFailure& f) {
        MsgBox(texts::MsgPassoFallito(f.caption, f.reason), vbExclamation, texts::kTitleScarico);
    } catch (const std::exception& e) {
        MsgBox(texts::MsgPassoFallito(caption, e.what()), vbExclamation, texts::kTitleScarico);
    }
    std::error_code ignored;
    std::filesystem::remove(TemplatePath(), ignored);
    return rc;
}

}  // namespace terv
