// The handheld build measured on its own: a transit database of N parcels of one municipality
// (with one declared use each) is built into the handheld's databases by the real build step,
// and the same parcel rows are written by one prepared INSERT in one transaction (the physical
// limit) and copied by ATTACH + CREATE TABLE AS SELECT (the fastest local copy). Prints seconds,
// rows per second and the peak memory of the process after each piece.
#include <sqlite3.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "data/db/Database.h"
#include "export/ExportSteps.h"
#include "export/HandheldSchema.h"
#include "reference/GestTabelle.h"
#include "shell/base/modMain.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

long PeakKib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void Print(const char* piece, long rows, double seconds) {
    std::printf("%-34s %9ld rows %8.3f s %10.0f rows/s  peak %ld KiB\n", piece, rows, seconds,
                rows / seconds, PeakKib());
}

// palmdb.mdb with N parcels of municipality A062, one declared use each, and the code tables.
void FillTransit(const std::string& file, long parcels) {
    fs::remove(file);
    terv::Database db = terv::CreateDatabase(file, terv::dbLangGeneral);
    for (const std::string& sql : terv::PalmDbTableStatements())
        db.Execute(sql);
    sqlite3* h = db.Handle();
    sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* part = nullptr;
    sqlite3_prepare_v2(h,
                       "INSERT INTO PART_DICH VALUES(?,'A062','058','001','',?,?,' ',?,?,'A',"
                       "1001,0,'N',NULL)",
                       -1, &part, nullptr);
    sqlite3_stmt* util = nullptr;
    sqlite3_prepare_v2(h, "INSERT INTO UTIL_DICH VALUES(?,'001','002',?)", -1, &util, nullptr);
    for (long i = 0; i < parcels; ++i) {
        char id[32];
        std::snprintf(id, sizeof id, "A062%04ld%05ld_", i / 1000 + 1, i % 1000 + 1);
        char number[16];
        std::snprintf(number, sizeof number, "%05ld", i % 1000 + 1);
        sqlite3_bind_text(part, 1, id, -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(part, 2, i / 1000 + 1);
        sqlite3_bind_text(part, 3, number, -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(part, 4, 300000.25 + i);
        sqlite3_bind_double(part, 5, 4600000.75 + i);
        sqlite3_step(part);
        sqlite3_reset(part);
        sqlite3_bind_text(util, 1, id, -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(util, 2, 1000.5 + i % 100);
        sqlite3_step(util);
        sqlite3_reset(util);
    }
    sqlite3_finalize(part);
    sqlite3_finalize(util);
    sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr);
    for (const std::string& sql : terv::PalmDbIndexStatements())
        db.Execute(sql);
}

// The parcel rows written by one prepared statement inside one transaction.
void RawInsert(const std::string& from, const std::string& to) {
    fs::remove(to);
    sqlite3* src = nullptr;
    sqlite3* dst = nullptr;
    sqlite3_open_v2(from.c_str(), &src, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_open(to.c_str(), &dst);
    sqlite3_exec(dst, "PRAGMA journal_mode=OFF", nullptr, nullptr, nullptr);
    sqlite3_exec(dst,
                 "CREATE TABLE PART_DICH(ID_PART VARCHAR(16) PRIMARY KEY, COD_NAZIONALE, PROV, "
                 "COMU, SEZI, FOGLIO, PART, SUB, COORDX, COORDY, TIPO_LAVO, NUME_SCAR, "
                 "NUME_FOTO_RICH, FLAG_LAVO, COD_AGRONOMO)",
                 nullptr, nullptr, nullptr);
    sqlite3_exec(dst, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* read = nullptr;
    sqlite3_prepare_v2(src, "SELECT * FROM PART_DICH", -1, &read, nullptr);
    sqlite3_stmt* write = nullptr;
    sqlite3_prepare_v2(dst, "INSERT INTO PART_DICH VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)", -1,
                       &write, nullptr);
    while (sqlite3_step(read) == SQLITE_ROW) {
        for (int c = 0; c < 15; ++c)
            sqlite3_bind_value(write, c + 1, sqlite3_column_value(read, c));
        sqlite3_step(write);
        sqlite3_reset(write);
    }
    sqlite3_finalize(read);
    sqlite3_finalize(write);
    sqlite3_exec(dst, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(dst);
    sqlite3_close(src);
}

// The parcel rows copied by ATTACH + CREATE TABLE AS SELECT.
void AttachCopy(const std::string& from, const std::string& to) {
    fs::remove(to);
    sqlite3* dst = nullptr;
    sqlite3_open(to.c_str(), &dst);
    const std::string sql =
        "ATTACH '" + from + "' AS src; CREATE TABLE PART_DICH AS SELECT * FROM src.PART_DICH;";
    sqlite3_exec(dst, sql.c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(dst);
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path dir = fs::temp_directory_path() / ("export_bench_" + std::to_string(getpid()));
    fs::create_directories(dir / "tmp");
    terv::gAppPath = dir.string();
    terv::gTmpPath = (dir / "tmp").string();
    fs::copy_file(TERV_TABELLE_MDB, dir / "tabelle.mdb");
    terv::OpenTabelle(dir.string() + "/");
    for (int a = 1; a < (argc > 1 ? argc : 2); ++a) {
        const long parcels = argc > 1 ? std::atol(argv[a]) : 100000;
        const std::string palm = terv::PalmDbPath();
        auto start = Clock::now();
        FillTransit(palm, parcels);
        Print("transit database (prepared)", parcels, Seconds(start));
        start = Clock::now();
        const int32_t rc = terv::CostruisciPalmare(terv::ExportJob{"1001", "50", nullptr},
                                                   terv::DownloadResult{0, {"A062"}});
        Print(rc == 0 ? "handheld build" : "handheld build FAILED", parcels, Seconds(start));
        start = Clock::now();
        RawInsert(palm, (dir / "raw.db").string());
        Print("raw prepared insert, 1 transaction", parcels, Seconds(start));
        start = Clock::now();
        AttachCopy(palm, (dir / "attach.db").string());
        Print("ATTACH + CREATE TABLE AS SELECT", parcels, Seconds(start));
    }
    fs::remove_all(dir);
    return 0;
}
