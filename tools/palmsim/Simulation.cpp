#include "Simulation.h"

#include <sqlite3.h>

#include <filesystem>
#include <memory>

#include "FieldPhotos.h"
#include "SurveyDb.h"

namespace terv::palmsim {

namespace {

namespace fs = std::filesystem;

struct DbCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using DbPtr = std::unique_ptr<sqlite3, DbCloser>;

// Opens an existing database and reads `probe` from it, which tells a database from a file that
// is none; null with a text in *error.
DbPtr OpenExisting(const fs::path& file, const std::string& probe, std::vector<std::string>& rows,
                   std::string* error) {
    if (!fs::is_regular_file(file)) {
        *error = "database missing: " + file.string();
        return nullptr;
    }
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    DbPtr db(raw);
    std::string why;
    if (rc != SQLITE_OK || !ColumnValues(db.get(), probe, rows, &why)) {
        *error = "database unreadable: " + file.string() + ": " +
                 (rc != SQLITE_OK ? sqlite3_errstr(rc) : why);
        return nullptr;
    }
    sqlite3_busy_timeout(db.get(), 5000);
    return db;
}

}  // namespace

std::string CardFolder(const SimOptions& options) {
    return options.root + (options.card == 0 ? "/Scheda di memoria" : "/Scheda di memoria2");
}

int Simulate(const SimOptions& options, SimResult* result, std::string* error) {
    const fs::path orvex = fs::path(CardFolder(options)) / "orvex";
    if (!fs::is_directory(options.root) || !fs::is_directory(orvex)) {
        *error = "device folder missing: " + orvex.string();
        return kNoDevice;
    }
    std::vector<std::string> codes;
    DbPtr mainDb =
        OpenExisting(orvex / "terv34bis_ppc.db",
                     "SELECT COD_NAZIONALE FROM COMUNI ORDER BY COD_NAZIONALE", codes, error);
    if (!mainDb)
        return kBadDatabase;
    result->inspector =
        options.inspector.empty() ? FirstInspector(mainDb.get()) : options.inspector;
    if (result->inspector.empty()) {
        *error = "no inspector: AGRONOMI is empty and --inspector is not given";
        return kBadCommandLine;
    }
    // Every municipality database is checked before the first one changes.
    std::vector<DbPtr> dbs;
    for (const std::string& code : codes) {
        std::vector<std::string> ignored;
        dbs.push_back(OpenExisting(orvex / code / "db_comu.db", "SELECT COUNT(*) FROM PART_DICH",
                                   ignored, error));
        if (!dbs.back())
            return kBadDatabase;
    }
    SimRandom rng(options.seed);
    std::time_t clock = FieldDayStart(options.seed);
    PhotoOddities odd;
    for (size_t i = 0; i < codes.size(); ++i) {
        ComuneResult comune;
        comune.code = codes[i];
        std::vector<SurveyedParcel> surveyed;
        if (!SurveyComune(dbs[i].get(), options, result->inspector, rng, clock, comune, surveyed,
                          error)) {
            *error = codes[i] + "/db_comu.db: " + *error;
            return kWriteFailed;
        }
        dbs[i].reset();
        if (!TakePhotos((orvex / codes[i] / "photo").string(), surveyed, rng, odd, comune, error))
            return kWriteFailed;
        result->comuni.push_back(std::move(comune));
    }
    return kOk;
}

}  // namespace terv::palmsim
