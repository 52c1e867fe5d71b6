#include "SurveyDb.h"

#include <cmath>
#include <memory>

#include "data/TextUtil.h"

namespace terv::palmsim {

namespace {

// Notes as inspectors type them: separators, both kinds of quote, accented letters, or none.
const std::vector<std::string> kNotes = {
    "Filari \"doppi\" | lato nord, l'erba è alta",
    "Perché c'è ristagno: verificare | ripassare",
    "",
    "Coltura già raccolta — più àèìòù",
    "Vigneto 'vecchio' a \"spalliera\"",
};
const std::vector<std::string> kCropStates = {"001", "002", "003", "010"};

struct StatementCloser {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};

// One prepared statement; Run binds the values in order and steps it once.
class Statement {
  public:
    Statement(sqlite3* db, const std::string& sql) : db_(db) {
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr);
        stmt_.reset(s);
    }
    sqlite3_stmt* get() const { return stmt_.get(); }
    Statement& Text(int i, const std::string& v) {
        if (v.empty())
            sqlite3_bind_null(get(), i);
        else
            sqlite3_bind_text(get(), i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& Number(int i, double v) {
        sqlite3_bind_double(get(), i, v);
        return *this;
    }
    Statement& Integer(int i, int v) {
        sqlite3_bind_int(get(), i, v);
        return *this;
    }
    // Steps once and resets; false with SQLite's text.
    bool Run(std::string* error) {
        if (!get()) {
            *error = sqlite3_errmsg(db_);
            return false;
        }
        const int rc = sqlite3_step(get());
        sqlite3_reset(get());
        sqlite3_clear_bindings(get());
        if (rc == SQLITE_DONE || rc == SQLITE_ROW)
            return true;
        *error = sqlite3_errmsg(db_);
        return false;
    }

  private:
    sqlite3* db_;
    std::unique_ptr<sqlite3_stmt, StatementCloser> stmt_;
};

bool Exec(sqlite3* db, const std::string& sql, std::string* error) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    *error = message ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    return false;
}

// The handheld program dates its results: a DATA_LAV column beside the exported ones.
bool AddSurveyDate(sqlite3* db, const std::string& table, std::string* error) {
    std::vector<std::string> columns;
    if (!ColumnValues(db, "SELECT name FROM pragma_table_info('" + table + "')", columns, error))
        return false;
    for (const std::string& c : columns)
        if (sqlite3_stricmp(c.c_str(), "DATA_LAV") == 0)
            return true;
    return Exec(db, "ALTER TABLE " + table + " ADD COLUMN DATA_LAV VARCHAR(14)", error);
}

double Near(SimRandom& rng, double centre) {
    return std::round((centre + (rng.Unit() - 0.5) * 40.0) * 100.0) / 100.0;
}

// The integer a one-value query gives with `values` bound as texts in order; 0 when none.
int IntOf(sqlite3* db, const std::string& sql, const std::vector<std::string>& values) {
    Statement s(db, sql);
    for (size_t i = 0; i < values.size(); ++i)
        s.Text(static_cast<int>(i + 1), values[i]);
    return s.get() && sqlite3_step(s.get()) == SQLITE_ROW ? sqlite3_column_int(s.get(), 0) : 0;
}

struct Candidate {
    std::string idPart;
    double x = 0, y = 0;
    int photosRequested = 0;
};

bool Candidates(sqlite3* db, std::vector<Candidate>& out, std::string* error) {
    Statement s(db,
                "SELECT ID_PART, COORDX, COORDY, NUME_FOTO_RICH FROM PART_DICH WHERE "
                "FLAG_LAVO='N' ORDER BY ID_PART");
    if (!s.get()) {
        *error = sqlite3_errmsg(db);
        return false;
    }
    int rc;
    while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
        const auto* id = sqlite3_column_text(s.get(), 0);
        out.push_back({id ? reinterpret_cast<const char*>(id) : "",
                       sqlite3_column_double(s.get(), 1), sqlite3_column_double(s.get(), 2),
                       sqlite3_column_int(s.get(), 3)});
    }
    if (rc != SQLITE_DONE)
        *error = sqlite3_errmsg(db);
    return rc == SQLITE_DONE;
}

// The rows of one municipality, statement by statement.
class Surveyor {
  public:
    Surveyor(sqlite3* db, SimRandom& rng, ComuneResult& result)
        : db_(db),
          rng_(rng),
          result_(result),
          mark_(db,
                "UPDATE PART_DICH SET FLAG_LAVO='S', COD_AGRONOMO=?1, DATA_LAV=?2 WHERE "
                "ID_PART=?3"),
          use_(db,
               "INSERT OR REPLACE INTO UTIL_RILE(ID_PART,CODI_UTIL,STAT_COLT,COORDX,COORDY,"
               "NOTE,DATA_LAV) VALUES(?1,?2,?3,?4,?5,?6,?7)"),
          tree_(db,
                "INSERT OR REPLACE INTO FAG_RILE(ID_PART,PROG_POLI,SEST_REGO,DIST_TRA_FILA,"
                "DIST_SU_FILA,NUME_NOCC,NUME_NOCE,NUME_MAND,NUME_PIST,NUME_CARR,NUME_CAST,"
                "NUME_ALTR,FLAG_PROD,FLAG_ERBA,DATA_LAV) "
                "VALUES(?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,?14,?15)"),
          rule_(db,
                "INSERT OR REPLACE INTO NORME_RILE(ID_PART,CODI_NORMA,VIOLAZIONE,DATA_LAV) "
                "VALUES(?1,?2,?3,?4)"),
          nextNote_(rng.Below(static_cast<int>(kNotes.size()))) {}

    bool Load(std::string* error) {
        return ColumnValues(db_, "SELECT CODI_UTIL FROM CODI_RILE_UTIL ORDER BY CODI_UTIL",
                            useCodes_, error) &&
               ColumnValues(db_, "SELECT CODI_NORMA FROM NORME ORDER BY CODI_NORMA", ruleCodes_,
                            error);
    }

    bool Survey(const Candidate& p, const std::string& inspector, const std::string& stamp,
                std::string* error) {
        if (!mark_.Text(1, inspector).Text(2, stamp).Text(3, p.idPart).Run(error))
            return false;
        ++result_.parcels;
        return Uses(p, stamp, error) && Trees(p, stamp, error) && Rules(p, stamp, error);
    }

  private:
    bool Uses(const Candidate& p, const std::string& stamp, std::string* error) {
        const int n = std::min<int>(1 + rng_.Below(2), static_cast<int>(useCodes_.size()));
        const size_t first = static_cast<size_t>(rng_.Below(static_cast<int>(useCodes_.size())));
        for (int i = 0; i < n; ++i) {
            const std::string& code =
                useCodes_[(first + static_cast<size_t>(i)) % useCodes_.size()];
            const std::string& note = kNotes[nextNote_++ % kNotes.size()];
            const std::string& state = rng_.Pick(kCropStates);
            if (Recorded("SELECT COUNT(*) FROM UTIL_RILE WHERE ID_PART=?1 AND CODI_UTIL=?2 AND "
                         "STAT_COLT=?3",
                         {p.idPart, code, state}))
                continue;
            if (!use_.Text(1, p.idPart)
                     .Text(2, code)
                     .Text(3, state)
                     .Number(4, Near(rng_, p.x))
                     .Number(5, Near(rng_, p.y))
                     .Text(6, note)
                     .Text(7, stamp)
                     .Run(error))
                return false;
            ++result_.uses;
        }
        return true;
    }

    bool Trees(const Candidate& p, const std::string& stamp, std::string* error) {
        if (rng_.Below(3) != 0)
            return true;
        const int polygons = 1 + rng_.Below(2);
        const int first = 1 + IntOf(db_,
                                    "SELECT ifnull(MAX(PROG_POLI),0) FROM FAG_RILE WHERE "
                                    "ID_PART=?1",
                                    {p.idPart});
        for (int poly = first; poly < first + polygons; ++poly) {
            tree_.Text(1, p.idPart).Integer(2, poly).Text(3, rng_.Below(2) ? "S" : "N");
            tree_.Integer(4, 3 + rng_.Below(6)).Integer(5, 2 + rng_.Below(5));
            for (int col = 6; col <= 12; ++col)
                tree_.Integer(col, rng_.Below(4) == 0 ? 10 + rng_.Below(200) : 0);
            tree_.Text(13, rng_.Below(2) ? "S" : "N").Text(14, rng_.Below(2) ? "S" : "N");
            if (!tree_.Text(15, stamp).Run(error))
                return false;
            ++result_.trees;
        }
        return true;
    }

    bool Rules(const Candidate& p, const std::string& stamp, std::string* error) {
        if (ruleCodes_.empty() || rng_.Below(3) != 0)
            return true;
        const std::string& code = rng_.Pick(ruleCodes_);
        if (Recorded("SELECT COUNT(*) FROM NORME_RILE WHERE ID_PART=?1 AND CODI_NORMA=?2",
                     {p.idPart, code}))
            return true;
        if (!rule_.Text(1, p.idPart)
                 .Text(2, code)
                 .Integer(3, 1 + rng_.Below(2))
                 .Text(4, stamp)
                 .Run(error))
            return false;
        ++result_.rules;
        return true;
    }

    // A parcel's earlier results came with the export; a new row never repeats the key of one
    // (use and crop state, polygon, rule), since the return gives all rows of a parcel the same
    // date and the server keeps one row per key and date.
    bool Recorded(const std::string& sql, const std::vector<std::string>& key) const {
        return IntOf(db_, sql, key) > 0;
    }

    sqlite3* db_;
    SimRandom& rng_;
    ComuneResult& result_;
    Statement mark_, use_, tree_, rule_;
    std::vector<std::string> useCodes_, ruleCodes_;
    size_t nextNote_;
};

bool SurveyInTransaction(sqlite3* db, const SimOptions& options, const std::string& inspector,
                         SimRandom& rng, std::time_t& clock, ComuneResult& result,
                         std::vector<SurveyedParcel>& surveyed, std::string* error) {
    for (const char* table : {"PART_DICH", "UTIL_RILE", "FAG_RILE", "NORME_RILE"})
        if (!AddSurveyDate(db, table, error))
            return false;
    std::vector<Candidate> candidates;
    if (!Candidates(db, candidates, error))
        return false;
    std::vector<bool> chosen;
    bool any = false;
    for (size_t i = 0; i < candidates.size(); ++i) {
        chosen.push_back(rng.Unit() < options.fraction);
        any = any || chosen.back();
    }
    if (!any && options.fraction > 0 && !candidates.empty())
        chosen.front() = true;  // every municipality with work left shows some
    Surveyor surveyor(db, rng, result);
    if (!surveyor.Load(error))
        return false;
    for (size_t i = 0; i < candidates.size(); ++i) {
        if (!chosen[i])
            continue;
        const Candidate& p = candidates[i];
        if (!surveyor.Survey(p, inspector, StampOf(clock), error))
            return false;
        surveyed.push_back({p.idPart, p.x, p.y, clock, p.photosRequested});
        clock += 300 + rng.Below(600);
    }
    return true;
}

}  // namespace

bool ColumnValues(sqlite3* db, const std::string& sql, std::vector<std::string>& values,
                  std::string* error) {
    Statement s(db, sql);
    if (!s.get()) {
        *error = sqlite3_errmsg(db);
        return false;
    }
    int rc;
    while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
        const auto* v = sqlite3_column_text(s.get(), 0);
        values.emplace_back(v ? reinterpret_cast<const char*>(v) : "");
    }
    if (rc != SQLITE_DONE)
        *error = sqlite3_errmsg(db);
    return rc == SQLITE_DONE;
}

std::string FirstInspector(sqlite3* mainDb) {
    std::vector<std::string> codes;
    std::string ignored;
    ColumnValues(mainDb, "SELECT COD_AGRONOMO FROM AGRONOMI ORDER BY COD_AGRONOMO LIMIT 1", codes,
                 &ignored);
    return codes.empty() ? "" : codes.front();
}

bool SurveyComune(sqlite3* db, const SimOptions& options, const std::string& inspector,
                  SimRandom& rng, std::time_t& clock, ComuneResult& result,
                  std::vector<SurveyedParcel>& surveyed, std::string* error) {
    if (!Exec(db, "PRAGMA synchronous=FULL; BEGIN IMMEDIATE", error))
        return false;
    if (SurveyInTransaction(db, options, inspector, rng, clock, result, surveyed, error) &&
        Exec(db, "COMMIT", error))
        return true;
    std::string ignored;
    Exec(db, "ROLLBACK", &ignored);
    return false;
}

}  // namespace terv::palmsim
