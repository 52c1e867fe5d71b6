// db_bench [ROWS] [FOLDER]: writes ROWS rows (default 1 000 000) through Execute of single INSERTs
// inside one transaction, and reads them back through a forward-only recordset; does the same
// work with the raw SQLite API (one prepared statement, bound values) in the same run, and
// prints rows per second of both and their ratio. It also writes the rows through AddNew/Update
// of a table recordset, beside the same raw figure. Both readers turn every value into a C++
// value (number or std::string) and add them up, so that neither skips work.
#include <sqlite3.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "data/db/Database.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

const char* kCreate = "CREATE TABLE PART_DICH(ID_PART TEXT(16), FOGLIO LONG, COORDX DOUBLE)";

std::string Id(long i) {
    return "F205" + std::to_string(1000000 + i);
}

double LayerWrite(const std::string& path, long rows) {
    terv::Database db = terv::CreateDatabase(path, terv::dbLangGeneral);
    db.Execute(kCreate, terv::dbFailOnError);
    auto start = Clock::now();
    db.BeginTrans();
    for (long i = 0; i < rows; ++i)
        db.Execute("INSERT INTO PART_DICH VALUES('" + Id(i) + "'," + std::to_string(i % 1000) +
                       "," + std::to_string(i) + ".5)",
                   terv::dbFailOnError);
    db.CommitTrans();
    return Seconds(start);
}

// The same rows through AddNew/Update of a table recordset (how result tables are filled).
double LayerAddNew(const std::string& path, long rows) {
    terv::Database db = terv::CreateDatabase(path, terv::dbLangGeneral);
    db.Execute(kCreate, terv::dbFailOnError);
    auto start = Clock::now();
    db.BeginTrans();
    terv::Recordset rs = db.OpenRecordset("PART_DICH", terv::dbOpenTable);
    for (long i = 0; i < rows; ++i) {
        rs.AddNew();
        rs.SetField("ID_PART", terv::Variant(Id(i)));
        rs.SetField("FOGLIO", terv::Variant(static_cast<int64_t>(i % 1000)));
        rs.SetField("COORDX", terv::Variant(i + 0.5));
        rs.Update();
    }
    rs.Close();
    db.CommitTrans();
    return Seconds(start);
}

double RawWrite(const std::string& path, long rows) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, kCreate, nullptr, nullptr, nullptr);
    auto start = Clock::now();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO PART_DICH VALUES(?,?,?)", -1, &st, nullptr);
    for (long i = 0; i < rows; ++i) {
        std::string id = Id(i);
        sqlite3_bind_text(st, 1, id.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(st, 2, i % 1000);
        sqlite3_bind_double(st, 3, i + 0.5);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    double s = Seconds(start);
    sqlite3_close(db);
    return s;
}

double LayerRead(const std::string& path, double& check) {
    terv::Database db = terv::OpenDatabase(path, false, true);
    auto start = Clock::now();
    terv::Recordset rs = db.OpenRecordset("SELECT * FROM PART_DICH", terv::dbOpenForwardOnly);
    for (; !rs.Eof(); rs.MoveNext()) {
        check += static_cast<double>(rs.Field(0).AsText().size());
        check += rs.Field(1).AsDouble() + rs.Field(2).AsDouble();
    }
    return Seconds(start);
}

double RawRead(const std::string& path, double& check) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    auto start = Clock::now();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM PART_DICH", -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) {
        std::string id(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)),
                       sqlite3_column_bytes(st, 0));
        check += static_cast<double>(id.size());
        check += static_cast<double>(sqlite3_column_int64(st, 1)) + sqlite3_column_double(st, 2);
    }
    sqlite3_finalize(st);
    double s = Seconds(start);
    sqlite3_close(db);
    return s;
}

void Print(const char* what, long rows, double layer, double raw) {
    std::printf("%-7s layer %12.0f rows/s   raw %12.0f rows/s   layer/raw %.2f\n", what,
                rows / layer, rows / raw, raw / layer);
}

}  // namespace

int main(int argc, char** argv) {
    long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
    std::string folder = argc > 2 ? argv[2] : std::filesystem::temp_directory_path().string();
    std::string layerFile = folder + "/db_bench_layer.mdb";
    std::string rawFile = folder + "/db_bench_raw.mdb";
    std::filesystem::remove(layerFile);
    std::filesystem::remove(rawFile);
    try {
        std::printf("rows: %ld\n", rows);
        double lw = LayerWrite(layerFile, rows);
        double rw = RawWrite(rawFile, rows);
        Print("write", rows, lw, rw);
        std::string addFile = folder + "/db_bench_addnew.mdb";
        std::filesystem::remove(addFile);
        Print("addnew", rows, LayerAddNew(addFile, rows), rw);
        std::filesystem::remove(addFile);
        double lcheck = 0, rcheck = 0;
        double rr = RawRead(layerFile, rcheck);
        double lr = LayerRead(layerFile, lcheck);
        Print("read", rows, lr, rr);
        if (lcheck != rcheck)
            std::printf("read results differ: %f %f\n", lcheck, rcheck);
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("peak memory: %ld KiB\n", usage.ru_maxrss);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "db_bench: %s\n", e.what());
        return 1;
    }
    std::filesystem::remove(layerFile);
    std::filesystem::remove(rawFile);
    return 0;
}
