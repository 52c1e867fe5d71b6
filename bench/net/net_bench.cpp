// net_bench [ROWS]: moves ROWS parcel-shaped rows (default 1 000 000; 14 columns of integers,
// doubles, texts, a date and NULLs) from a real terv-central on loopback through SelectToMdb
// and SelectToTxt, and copies the same rows between two local SQLite files (ATTACH + CREATE
// TABLE AS SELECT) in the same run. It does the same at 1 000 rows, prints rows per
// second and the peak memory (VmHWM) of the client and of the server for each, and checks them
// against the aims: gateway reads within 3x of the ATTACH copy, and the peak memory at ROWS rows
// within 64 MiB of that at 1 000 rows. At ROWS rows it also prints single descriptor writes
// per second (SdoWrite, mode 1) outside a batch and inside batches.
//
// Each measured piece runs in a fresh client process (this program started again with
// "--client"), so that its VmHWM is its own; each row count gets a fresh server whose peak is
// reset (clear_refs) after the table is filled, when the kernel allows it.
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "../BenchMeasure.h"
#include "../BenchServer.h"
#include "data/db/Database.h"
#include "data/net/SdoDriver.h"
#include "data/net/SidSde.h"
#include "data/net/ZolvinClient.h"

namespace {

using bench::CpuSeconds;
using bench::PeakKib;
using bench::Seconds;

using bench::Server;
using bench::StopServer;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFields = 14;
constexpr long kWritesOutside = 200;
constexpr long kWritesInside = 20000;
constexpr long kBatchSize = 100;
constexpr double kMiB = 1024.0;  // VmHWM is in KiB

const char* kColumns =
    "ID, ID_PART, COD_COMUNE, FOGLIO, NUMERO, SUBALTERNO, SUPERFICIE, COORD_X, COORD_Y, "
    "QUALITA, CLASSE, REDDITO, NOTE, DATA_AGG";

// Resets the peak resident size of a process to its current size; false when not allowed.
bool ResetPeak(pid_t pid) {
    std::ofstream out("/proc/" + std::to_string(pid) + "/clear_refs");
    out << "5";
    out.flush();
    return static_cast<bool>(out);
}

void SetServer(const std::string& base) {
    terv::B1_SetHTTPParams(base + "kovJsSQL?function=", "", "");
    terv::DrvSDESetHttpParams(base + "kovJsSDO", "", "");
}

// ---- client pieces (run in a child process) ------------------------------------------------

long CountRows(const std::string& dbFile, const std::string& table) {
    sqlite3* db = nullptr;
    long rows = -1;
    if (sqlite3_open_v2(dbFile.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        const std::string sql = "SELECT COUNT(*) FROM " + table;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            rows = static_cast<long>(sqlite3_column_int64(st, 0));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return rows;
}

long CountLines(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return -1;
    long lines = 0;
    std::string line;
    while (std::getline(in, line))
        ++lines;
    return lines;
}

const char* kLocalTable =
    "CREATE TABLE BENCH_PARCELS (ID LONG, ID_PART TEXT(16), COD_COMUNE TEXT(4), FOGLIO LONG, "
    "NUMERO TEXT(10), SUBALTERNO TEXT(10), SUPERFICIE DOUBLE, COORD_X DOUBLE, COORD_Y DOUBLE, "
    "QUALITA LONG, CLASSE TEXT(20), REDDITO DOUBLE, NOTE TEXT(80), DATA_AGG TEXT(14))";

std::string SelectAll() {
    return std::string("SELECT ") + kColumns + " FROM BENCH_PARCELS";
}

// Result line of a piece: seconds, rows moved, error count, peak KiB of this process.
struct Result {
    double seconds = 0;
    long rows = 0;
    long errors = 0;
    long peakKib = 0;
    double cpu = 0;  // user + system seconds of the client process
};

int ClientMdb(const fs::path& dir, Result* r) {
    const std::string file = (dir / "gateway.mdb").string();
    fs::remove(file);
    {
        terv::Database db = terv::CreateDatabase(file, terv::dbLangGeneral);
        db.Execute(kLocalTable, terv::dbFailOnError);
    }
    const auto start = Clock::now();
    const int32_t rc = terv::SelectToMdb("", SelectAll(), kFields, file, "BENCH_PARCELS", "", true);
    r->seconds = Seconds(start);
    if (rc != 0)
        std::fprintf(stderr, "SelectToMdb failed (%d): %s\n", rc, terv::LastServerError().c_str());
    r->rows = CountRows(file, "BENCH_PARCELS");
    return rc;
}

int ClientTxt(const fs::path& dir, Result* r) {
    const std::string file = (dir / "gateway.txt").string();
    const auto start = Clock::now();
    const int32_t rc = terv::SelectToTxt("", SelectAll(), kFields, file, true);
    r->seconds = Seconds(start);
    if (rc != 0)
        std::fprintf(stderr, "SelectToTxt failed (%d): %s\n", rc, terv::LastServerError().c_str());
    r->rows = CountLines(file);
    return rc;
}

// Copies BENCH_PARCELS of the SelectToMdb result into a new SQLite file with ATTACH + CREATE
// TABLE AS SELECT, the fastest copy between two local SQLite files.
int ClientCopy(const fs::path& dir, Result* r) {
    const std::string from = (dir / "gateway.mdb").string();
    const std::string to = (dir / "copy.sqlite").string();
    fs::remove(to);
    sqlite3* dst = nullptr;
    int rc = sqlite3_open(to.c_str(), &dst);
    const std::string attach = "ATTACH '" + from + "' AS src";
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(dst, attach.c_str(), nullptr, nullptr, nullptr);
    const auto start = Clock::now();
    const std::string copy =
        std::string("CREATE TABLE BENCH_PARCELS AS SELECT ") + kColumns + " FROM src.BENCH_PARCELS";
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(dst, copy.c_str(), nullptr, nullptr, nullptr);
    r->seconds = Seconds(start);
    if (rc != SQLITE_OK)
        std::fprintf(stderr, "local copy failed: %s\n", dst ? sqlite3_errmsg(dst) : "open");
    sqlite3_close(dst);
    r->rows = CountRows(to, "BENCH_PARCELS");
    return rc == SQLITE_OK ? 0 : 1;
}

std::string WriteAttributes(long id) {
    return "ID|" + std::to_string(id) + "|NOME|Scrittura " + std::to_string(id) + "|VALORE|" +
           std::to_string(id) + ".5|DATA_AGG|20240115103000|";
}

// Single writes outside a batch ("out") or inside batches of kBatchSize ("in").
int ClientWrites(bool inBatches, long firstId, Result* r) {
    const long count = inBatches ? kWritesInside : kWritesOutside;
    const auto start = Clock::now();
    for (long i = 0; i < count; ++i) {
        if (inBatches && i % kBatchSize == 0)
            terv::SdoBatchStart();
        const long id = firstId + i;
        if (terv::SdoWrite("BENCH_WRITES", "I", static_cast<int32_t>(id), "", 0,
                           WriteAttributes(id), "", 1) != 0)
            ++r->errors;
        if (inBatches && (i % kBatchSize == kBatchSize - 1 || i == count - 1) &&
            terv::SdoBatchEnd(false) != 0)
            ++r->errors;
    }
    r->seconds = Seconds(start);
    r->rows = count;
    return r->errors == 0 ? 0 : 1;
}

int RunClient(const std::string& piece, const std::string& base, const fs::path& dir) {
    SetServer(base);
    Result r;
    int rc = 1;
    if (piece == "mdb")
        rc = ClientMdb(dir, &r);
    else if (piece == "txt")
        rc = ClientTxt(dir, &r);
    else if (piece == "copy")
        rc = ClientCopy(dir, &r);
    else if (piece == "writes-out")
        rc = ClientWrites(false, 1, &r);
    else if (piece == "writes-in")
        rc = ClientWrites(true, 1 + kWritesOutside, &r);
    r.peakKib = PeakKib(getpid());
    r.cpu = CpuSeconds();
    std::ofstream out(dir / (piece + ".result"));
    out << r.seconds << ' ' << r.rows << ' ' << r.errors << ' ' << r.peakKib << ' ' << r.cpu
        << '\n';
    return rc;
}

// ---- driver ---------------------------------------------------------------------------------

// The bench tables, made in the server's database file before it starts (the gateway runs no
// DDL); the parcel rows are made on the server from the table of ten digits.
bool CreateBenchTables(const std::string& db) {
    std::string sql =
        "CREATE TABLE BENCH_DIGITS (D INTEGER);"
        "CREATE TABLE BENCH_PARCELS (ID INTEGER, ID_PART TEXT, COD_COMUNE TEXT, FOGLIO INTEGER, "
        "NUMERO TEXT, SUBALTERNO TEXT, SUPERFICIE REAL, COORD_X REAL, COORD_Y REAL, "
        "QUALITA INTEGER, CLASSE TEXT, REDDITO REAL, NOTE TEXT, DATA_AGG DATE_TEXT);"
        "CREATE TABLE BENCH_WRITES (ID INTEGER, NOME TEXT, VALORE REAL, DATA_AGG DATE_TEXT)";
    for (int d = 0; d < 10; ++d)
        sql += ";INSERT INTO BENCH_DIGITS VALUES (" + std::to_string(d) + ")";
    sqlite3* h = nullptr;
    const bool ok = sqlite3_open(db.c_str(), &h) == SQLITE_OK &&
                    sqlite3_exec(h, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(h);
    return ok;
}

// Starts terv-central on a free port with its database and the bench tables in `dir`; pid -1
// on failure.
bench::Server StartServer(const fs::path& dir) {
    if (!CreateBenchTables((dir / "central.db").string()))
        return {};
    // Filling a million rows on a busy machine outlasts the default statement limit.
    return bench::StartServer(TERV_CENTRAL_EXE, dir,
                              {"--statement-timeout", "3600", "--request-timeout", "3600"}, 20);
}

// Filling 1 000 000 parcel rows is one INSERT ... SELECT in the server's own dialect.
std::string FillSql(long rows) {
    std::string n = "T0.D";
    std::string from = "BENCH_DIGITS T0";
    long scale = 10;
    for (int k = 1; scale < rows; ++k, scale *= 10) {
        n += " + " + std::to_string(scale) + " * T" + std::to_string(k) + ".D";
        from += ", BENCH_DIGITS T" + std::to_string(k);
    }
    return "INSERT INTO BENCH_PARCELS SELECT N + 1, 'F205' || LPAD(N, 9, '0'), 'F205', "
           "MOD(N, 500) + 1, 'P' || (MOD(N, 9973) + 1), "
           "CASE WHEN MOD(N, 3) = 0 THEN NULL ELSE 'S' || MOD(N, 7) END, "
           "MOD(N, 100000) * 1.25 + 0.5, 1500000.125 + N * 0.5, 5000000.25 + MOD(N, 1000) * 0.75, "
           "CASE WHEN MOD(N, 5) = 0 THEN NULL ELSE MOD(N, 12) END, "
           "CASE WHEN MOD(N, 4) = 1 THEN NULL ELSE 'Classe ' || MOD(N, 9) END, "
           "CASE WHEN MOD(N, 6) = 2 THEN NULL ELSE N * 0.01 + 3.33 END, "
           "'Particella di prova numero ' || N || ', seminativo irriguo', "
           "'202401' || (10 + MOD(N, 18)) || '103000' "
           "FROM (SELECT " +
           n + " AS N FROM " + from + ") X WHERE N < " + std::to_string(rows);
}

// Runs this program again as a client for one piece; false when it failed.
bool RunChild(const char* self, const std::string& piece, const Server& s, const fs::path& dir,
              Result* r) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        execl(self, self, "--client", piece.c_str(), s.base.c_str(), dir.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return false;
    std::ifstream in(dir / (piece + ".result"));
    if (!(in >> r->seconds >> r->rows >> r->errors >> r->peakKib >> r->cpu))
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct Piece {
    std::string name;
    std::string label;
    Result client;
    long serverKib = -1;
    bool ok = false;
};

struct SizeRun {
    long rows = 0;
    std::vector<Piece> pieces;  // copy, mdb, txt
    bool peakReset = false;
};

double Rate(const Result& r) {
    return r.seconds > 0 ? r.rows / r.seconds : 0;
}

void PrintPiece(const Piece& p, long expected) {
    std::printf("  %-22s %12.0f rows/s  %8.3f s  client peak %7.1f MiB", p.label.c_str(),
                Rate(p.client), p.client.seconds, p.client.peakKib / kMiB);
    std::printf("  client cpu %6.2f s", p.client.cpu);
    if (p.serverKib >= 0)
        std::printf("  server peak %7.1f MiB", p.serverKib / kMiB);
    if (!p.ok || p.client.rows != expected)
        std::printf("  FAILED (%ld of %ld rows)", p.client.rows, expected);
    std::printf("\n");
}

bool RunWrites(const char* self, const Server& s, const fs::path& dir) {
    bool ok = true;
    for (const char* piece : {"writes-out", "writes-in"}) {
        Result r;
        const bool good = RunChild(self, piece, s, dir, &r) && r.errors == 0;
        ok = ok && good;
        std::printf("  SdoWrite %-13s %12.0f writes/s  (%ld writes, %.3f s, %ld failed)\n",
                    std::string(piece) == "writes-out" ? "no batch" : "in batches", Rate(r), r.rows,
                    r.seconds, r.errors);
    }
    // The server must hold every write.
    const std::string file = (dir / "writes_count.txt").string();
    if (terv::SelectToTxt("", "SELECT COUNT(*) FROM BENCH_WRITES", 1, file, true) == 0) {
        std::ifstream in(file);
        long n = -1;
        in >> n;
        std::printf("  rows in BENCH_WRITES: %ld (expected %ld)\n", n,
                    kWritesOutside + kWritesInside);
        ok = ok && n == kWritesOutside + kWritesInside;
    } else {
        ok = false;
        std::printf("  counting BENCH_WRITES failed: %s\n", terv::LastServerError().c_str());
    }
    std::printf("  (inside batches: SdoBatchStart, %ld writes, SdoBatchEnd)\n", kBatchSize);
    return ok;
}

bool RunSize(const char* self, long rows, bool withWrites, SizeRun* run) {
    run->rows = rows;
    const fs::path dir = fs::temp_directory_path() /
                         ("net_bench_" + std::to_string(getpid()) + "_" + std::to_string(rows));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const Server s = StartServer(dir);
    if (s.pid <= 0) {
        std::printf("terv-central (%s) did not start; see %s\n", TERV_CENTRAL_EXE,
                    (dir / "central.err").c_str());
        return false;
    }
    SetServer(s.base);
    bool ok = true;
    std::printf("\n%ld rows (server %s)\n", rows, s.base.c_str());
    const auto start = Clock::now();
    if (terv::ExecSql("", FillSql(rows), true) != 0) {
        std::printf("  filling the server table failed: %s\n", terv::LastServerError().c_str());
        StopServer(s);
        return false;
    }
    std::printf("  server table filled in %.3f s (server peak %.1f MiB)\n", Seconds(start),
                PeakKib(s.pid) / kMiB);
    run->peakReset = true;
    for (const char* name : {"txt", "mdb", "copy"}) {
        Piece p;
        p.name = name;
        p.label = p.name == "mdb"   ? "SelectToMdb"
                  : p.name == "txt" ? "SelectToTxt"
                                    : "local ATTACH copy";
        const bool viaServer = p.name != "copy";
        if (viaServer)
            run->peakReset = ResetPeak(s.pid) && run->peakReset;
        p.ok = RunChild(self, name, s, dir, &p.client);
        if (viaServer)
            p.serverKib = PeakKib(s.pid);
        PrintPiece(p, rows);
        ok = ok && p.ok && p.client.rows == rows;
        run->pieces.push_back(p);
    }
    if (!run->peakReset)
        std::printf("  (server peak could not be reset after the fill: it includes the fill)\n");
    if (withWrites)
        ok = RunWrites(self, s, dir) && ok;
    StopServer(s);
    fs::remove_all(dir);
    return ok;
}

const Piece* Find(const SizeRun& run, const std::string& name) {
    for (const Piece& p : run.pieces) {
        if (p.name == name)
            return &p;
    }
    return nullptr;
}

void PrintAims(const SizeRun& small, const SizeRun& large) {
    std::printf("\nAims\n");
    const Piece* copy = Find(large, "copy");
    for (const char* name : {"mdb", "txt"}) {
        const Piece* p = Find(large, name);
        if (!p || !copy || Rate(p->client) <= 0)
            continue;
        const double ratio = Rate(copy->client) / Rate(p->client);
        std::printf("  %-12s within 3x of the ATTACH copy at %ld rows: %.2fx its time  %s\n",
                    p->label.c_str(), large.rows, ratio, ratio <= 3.0 ? "MET" : "NOT MET");
    }
    for (const char* name : {"mdb", "txt"}) {
        const Piece* a = Find(small, name);
        const Piece* b = Find(large, name);
        if (!a || !b)
            continue;
        const double client = (b->client.peakKib - a->client.peakKib) / kMiB;
        const double server = (b->serverKib - a->serverKib) / kMiB;
        std::printf(
            "  %-12s peak at %ld rows within 64 MiB of %ld rows: client %+.1f MiB %s, "
            "server %+.1f MiB %s\n",
            a->label.c_str(), large.rows, small.rows, client, client <= 64 ? "MET" : "NOT MET",
            server, server <= 64 ? "MET" : "NOT MET");
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--client")
        return RunClient(argv[2], argv[3], argv[4]);
    long rows = 1000000;
    if (argc > 1)
        rows = std::strtol(argv[1], nullptr, 10);
    if (rows < 1) {
        std::fprintf(stderr, "usage: net_bench [ROWS]  (ROWS >= 1, default 1000000)\n");
        return 2;
    }
    const char* self = "/proc/self/exe";
    char path[4096];
    const ssize_t len = readlink(self, path, sizeof(path) - 1);
    std::string selfPath = len > 0 ? std::string(path, static_cast<size_t>(len)) : argv[0];
    std::printf("net_bench: %d columns, client and server on loopback\n", kFields);
    std::fflush(stdout);
    SizeRun small;
    SizeRun large;
    bool ok = RunSize(selfPath.c_str(), 1000, rows == 1000, &small);
    std::fflush(stdout);
    if (rows != 1000)
        ok = RunSize(selfPath.c_str(), rows, true, &large) && ok;
    PrintAims(small, rows != 1000 ? large : small);
    std::printf("%s\n", ok ? "all pieces moved every row" : "SOME PIECES FAILED");
    return ok ? 0 : 1;
}
