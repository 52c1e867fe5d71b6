// export_bench [PARCELS...] (default 10000 100000): the whole export of PARCELS demo parcels
// through the real procedure against terv-central on loopback, beside the fastest local ways to
// write the same parcel rows, with the peak memory of the program and of the server.
//
// For each size: terv-central makes its demo database of PARCELS parcels; every current parcel
// is then put in work list 11, unexported, so that one export carries all of them; the server
// starts again (its peak memory starts afresh) and a fresh client process (this program with
// "--client") logs in as DEMO and runs the export's steps: the registration of one entry per
// municipality, the download into palmdb.mdb and the handheld build (the databases; with
// EXPORT_BENCH_MAPS=1 also the map files at photo quality 0, timed apart). Then, on the PART_DICH
// rows the download brought:
//   - one prepared INSERT in one transaction into a handheld PART_DICH (the physical limit);
//   - ATTACH + CREATE TABLE AS SELECT between two SQLite files (the fastest local copy);
//   - ogr2ogr packaging the same parcels with their centroids into a GeoPackage, straight
//     from the server's database file (skipped when ogr2ogr is not installed).
// Peak memory is VmHWM from /proc; the CPU seconds of the client process, of the server during
// the client's run and of ogr2ogr show what each way costs the machine as a whole. The aims are
// checked at the end. EXPORT_BENCH_KEEP=1 keeps the work folder in the temporary folder for a look
// at the files.
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
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "../BenchMeasure.h"
#include "../BenchServer.h"
#include "data/db/Database.h"
#include "export/ExportSteps.h"
#include "export/modTrasfPalm.h"
#include "login/modLogin.h"
#include "platform/UiPort.h"
#include "shell/base/modMain.h"
#include "shell/config/clsTervcli.h"

namespace {

using bench::CpuSeconds;
using bench::PeakKib;
using bench::ProcessCpuSeconds;
using bench::Seconds;

using bench::Server;
using bench::StopServer;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double kMiB = 1024.0;  // VmHWM is in KiB
constexpr const char* kExportNumber = "7001";
constexpr const char* kWorkList = "11";

// Runs SQL on a file; false (and a line on stderr) on failure.
bool Exec(sqlite3* db, const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    std::fprintf(stderr, "%s: %s\n", sql.substr(0, 80).c_str(), message ? message : "?");
    sqlite3_free(message);
    return false;
}

// The first column of every row of `sql` on `file`.
std::vector<std::string> Column(const std::string& file, const std::string& sql) {
    std::vector<std::string> out;
    sqlite3* db = nullptr;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW) {
            const auto* text = sqlite3_column_text(st, 0);
            out.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

long Count(const std::string& file, const std::string& table) {
    const auto rows = Column(file, "SELECT COUNT(*) FROM " + table);
    return rows.empty() ? -1 : std::atol(rows.front().c_str());
}

// ---- the client: the export's steps in a process of their own -------------------------------

// The login window as the procedure sees it.
class BenchForm : public terv::LoginForm {
  public:
    std::string UserText() const override { return "DEMO"; }
    std::string PasswordText() const override { return "demo"; }
    void SetUserText(const std::string&) override {}
    void SetPasswordText(const std::string&) override {}
    void SelectPassword() override {}
};

struct Phases {
    double login = 0, registration = 0, download = 0, databases = 0, maps = 0;
    double downloadCpu = 0, buildCpu = 0;  // CPU seconds of the program in those phases
    long peakKib = 0;
    bool ok = false;
};

// Logs in, registers the export of every municipality of `entries`, downloads and builds.
Phases RunExport(const std::vector<std::string>& entries) {
    Phases p;
    auto start = Clock::now();
    terv::gTervcli();
    BenchForm form;
    terv::DoLogin(form);
    p.login = Seconds(start);
    if (terv::gRuolo <= 0)
        return p;
    terv::gProvRif = "058";  // the province of work list 11, as the selection sets it
    terv::TrasfPalmState trasf;
    trasf.lblCodScarico = kExportNumber;
    trasf.lblelencoTag = kWorkList;
    trasf.txtQualita = "0";
    trasf.lstFatti = entries;
    start = Clock::now();
    terv::RegistraScarico(trasf, kExportNumber, "Misura delle prestazioni");
    p.registration = Seconds(start);
    // Time spent after a map caption counts as map time.
    bool inMaps = false;
    Clock::time_point mark = Clock::now();
    terv::ExportJob job{kExportNumber, "0", [&](const std::string& caption, long, long) {
                            const auto now = Clock::now();
                            if (inMaps)
                                p.maps += std::chrono::duration<double>(now - mark).count();
                            inMaps = caption.rfind("Scarico grafica", 0) == 0 ||
                                     caption.rfind("Scarico foto", 0) == 0;
                            mark = now;
                        }};
    job.mapFiles = std::getenv("EXPORT_BENCH_MAPS") != nullptr;
    start = Clock::now();
    double cpu = CpuSeconds();
    const terv::DownloadResult download = terv::ScaricaDatiExport(job);
    p.download = Seconds(start);
    p.downloadCpu = CpuSeconds() - cpu;
    cpu = CpuSeconds();
    if (download.code != 0)
        return p;
    start = mark = Clock::now();
    inMaps = false;
    const int32_t built = terv::CostruisciPalmare(job, download);
    if (inMaps)
        p.maps += Seconds(mark);
    p.databases = Seconds(start) - p.maps;
    p.buildCpu = CpuSeconds() - cpu;
    p.ok = built == 0;
    return p;
}

int RunClient(const fs::path& dir, const std::vector<std::string>& entries) {
    const Phases p = RunExport(entries);
    for (const auto& m : terv::DefaultRecordingPort().messages)
        std::fprintf(stderr, "message: %s\n", m.text.c_str());
    std::ofstream out(dir / "client.result");
    out << p.login << ' ' << p.registration << ' ' << p.download << ' ' << p.databases << ' '
        << p.maps << ' ' << PeakKib(getpid()) << ' ' << p.ok << ' ' << p.downloadCpu << ' '
        << p.buildCpu << '\n';
    out.close();
    std::fflush(nullptr);
    _exit(p.ok ? 0 : 1);  // the work folders stay for the comparisons
}

// ---- the server -----------------------------------------------------------------------------

// Starts terv-central on `db` (making PARCELS demo parcels when it is new); pid -1 on failure.
bench::Server StartServer(const fs::path& dir, long parcels) {
    return bench::StartServer(TERV_CENTRAL_EXE, dir, {"--demo", std::to_string(parcels)}, 5000);
}

// Every current parcel in work list 11 and not exported, so one export takes them all.
bool OneWorkList(const fs::path& dir) {
    sqlite3* db = nullptr;
    const bool ok = sqlite3_open((dir / "central.db").c_str(), &db) == SQLITE_OK &&
                    Exec(db, std::string("UPDATE TERVPLAV SET ID_LAV=") + kWorkList +
                                 ", NUME_SCAR_PALM=NULL WHERE LAST=1");
    sqlite3_close(db);
    return ok;
}

// The program folder of the client: the reference database and the settings files.
void PrepareHome(const fs::path& home, const std::string& base) {
    fs::create_directories(home);
    fs::copy_file(TERV_TABELLE_MDB, home / "tabelle.mdb", fs::copy_options::overwrite_existing);
    std::ofstream(home / "defaults.ini")
        << "[AGGIO]\r\nVERSION=3.2\r\n[GISPARAMS]\r\nDATATABELLE=20260101000000\r\n"
           "DATACOLTURE=20260101000000\r\n";
    std::ofstream(home / "servers.dat") << "[SERVER]\r\nLOCATION=" << base << "\r\n";
}

// ---- the local comparisons ------------------------------------------------------------------

// The parcel rows written by one prepared statement inside one transaction.
bool RawInsert(const std::string& from, const std::string& to) {
    fs::remove(to);
    sqlite3* src = nullptr;
    sqlite3* dst = nullptr;
    sqlite3_stmt* read = nullptr;
    sqlite3_stmt* write = nullptr;
    bool ok = sqlite3_open_v2(from.c_str(), &src, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
              sqlite3_open(to.c_str(), &dst) == SQLITE_OK && Exec(dst, "PRAGMA journal_mode=OFF") &&
              Exec(dst,
                   "CREATE TABLE PART_DICH(ID_PART VARCHAR(16), COD_NAZIONALE VARCHAR(4), PROV "
                   "VARCHAR(3), COMU VARCHAR(3), SEZI VARCHAR(1), FOGLIO INTEGER, PART "
                   "VARCHAR(5), SUB VARCHAR(3), COORDX REAL, COORDY REAL, TIPO_LAVO VARCHAR(1), "
                   "NUME_SCAR INTEGER, NUME_FOTO_RICH INTEGER, FLAG_LAVO VARCHAR(1), "
                   "COD_AGRONOMO VARCHAR(11), PRIMARY KEY (ID_PART))") &&
              Exec(dst, "BEGIN") &&
              sqlite3_prepare_v2(src, "SELECT * FROM PART_DICH", -1, &read, nullptr) == SQLITE_OK &&
              sqlite3_prepare_v2(dst, "INSERT INTO PART_DICH VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                                 -1, &write, nullptr) == SQLITE_OK;
    while (ok && sqlite3_step(read) == SQLITE_ROW) {
        for (int c = 0; c < 15; ++c)
            sqlite3_bind_value(write, c + 1, sqlite3_column_value(read, c));
        ok = sqlite3_step(write) == SQLITE_DONE;
        sqlite3_reset(write);
    }
    sqlite3_finalize(read);
    sqlite3_finalize(write);
    ok = ok && Exec(dst, "COMMIT");
    sqlite3_close(dst);
    sqlite3_close(src);
    return ok;
}

// The parcel rows copied by ATTACH + CREATE TABLE AS SELECT.
bool AttachCopy(const std::string& from, const std::string& to) {
    fs::remove(to);
    sqlite3* dst = nullptr;
    const bool ok = sqlite3_open(to.c_str(), &dst) == SQLITE_OK &&
                    Exec(dst, "ATTACH '" + from +
                                  "' AS src; CREATE TABLE PART_DICH AS SELECT * FROM "
                                  "src.PART_DICH;");
    sqlite3_close(dst);
    return ok;
}

bool HaveOgr2ogr() {
    return std::system("ogr2ogr --version >/dev/null 2>&1") == 0;
}

// The exported parcels with their current centroid, as points in a GeoPackage.
bool Ogr2ogr(const fs::path& central, const fs::path& gpkg) {
    fs::remove(gpkg);
    const std::string sql =
        "SELECT A.COD_NAZIONALE || substr('0000' || A.FOGLIO, -4) || A.PARTICELLA || CASE A.SUB "
        "WHEN ' ' THEN '_' ELSE A.SUB END AS ID_PART, A.COD_NAZIONALE, D.ISTATP AS PROV, "
        "D.ISTATC AS COMU, D.SEZIONE_CENSUARIA AS SEZI, A.FOGLIO, A.PARTICELLA AS PART, A.SUB, "
        "A.MOTI_RICH, A.NUME_SCAR_PALM AS NUME_SCAR, ST_GeomFromText(C.SHAPE) AS geom "
        "FROM TERVPLAV A JOIN TERVCOMU D ON D.COD_NAZIONALE = A.COD_NAZIONALE "
        "LEFT JOIN TERVCENT C ON C.COD_NAZIONALE = A.COD_NAZIONALE AND C.FOGLIO = A.FOGLIO AND "
        "C.PARTICELLA = A.PARTICELLA AND C.SUB = A.SUB AND C.DATA_FINE_VAL = '99991231000000' "
        "WHERE A.NUME_SCAR_PALM = " +
        std::string(kExportNumber) + " AND A.LAST = 1";
    const std::string command = "ogr2ogr -f GPKG -nln PART_DICH -dialect SQLite -sql \"" + sql +
                                "\" '" + gpkg.string() + "' '" + central.string() + "' 2>&1";
    return std::system(command.c_str()) == 0;
}

// ---- the driver -----------------------------------------------------------------------------

struct SizeRun {
    long parcels = 0;
    long exported = 0;
    long written = 0;  // rows of every handheld database
    Phases client;
    long serverKib = -1;
    double serverCpu = 0;  // during the client's run
    double raw = -1, attach = -1, ogr = -1;
};

double Rate(long rows, double seconds) {
    return seconds > 0 ? rows / seconds : 0;
}

// Rows of every table of every handheld database the build wrote.
long RowsWritten(const fs::path& palmare) {
    long rows = 0;
    if (!fs::exists(palmare))
        return 0;
    for (const auto& entry : fs::recursive_directory_iterator(palmare)) {
        const std::string name = entry.path().filename().string();
        if (name != "db_comu.db" && name != "terv34bis_ppc.db")
            continue;
        for (const std::string& table :
             Column(entry.path().string(), "SELECT name FROM sqlite_master WHERE type='table'"))
            rows += Count(entry.path().string(), table);
    }
    return rows;
}

bool RunClientProcess(const std::string& self, const fs::path& dir, const fs::path& home,
                      const std::vector<std::string>& entries, Phases* p) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("TERVPALM_HOME", home.c_str(), 1);
        std::vector<std::string> args = {self, "--client", dir.string()};
        args.insert(args.end(), entries.begin(), entries.end());
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(self.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return false;
    std::ifstream in(dir / "client.result");
    return static_cast<bool>(in >> p->login >> p->registration >> p->download >> p->databases >>
                             p->maps >> p->peakKib >> p->ok >> p->downloadCpu >> p->buildCpu) &&
           p->ok;
}

bool RunSize(const std::string& self, long parcels, SizeRun* run) {
    run->parcels = parcels;
    const fs::path dir = fs::temp_directory_path() / ("export_bench_" + std::to_string(getpid()) +
                                                      "_" + std::to_string(parcels));
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::printf("\n%ld demo parcels\n", parcels);
    auto start = Clock::now();
    Server s = StartServer(dir, parcels);
    StopServer(s);
    if (s.pid <= 0 || !OneWorkList(dir)) {
        std::printf("  the demo database could not be made; see %s\n",
                    (dir / "central.err").c_str());
        return false;
    }
    std::printf("  demo database made in %.1f s\n", Seconds(start));
    s = StartServer(dir, parcels);
    if (s.pid <= 0)
        return false;
    std::vector<std::string> entries;
    for (const std::string& c :
         Column((dir / "central.db").string(),
                "SELECT DISTINCT COD_NAZIONALE FROM TERVPLAV WHERE LAST=1 ORDER BY 1"))
        entries.push_back(c + "0000 " + c);
    const fs::path home = dir / "home";
    PrepareHome(home, s.base);
    const double serverCpu = ProcessCpuSeconds(s.pid);
    double childrenCpu = CpuSeconds(RUSAGE_CHILDREN);
    const bool exported = RunClientProcess(self, dir, home, entries, &run->client);
    const double clientCpu = CpuSeconds(RUSAGE_CHILDREN) - childrenCpu;
    run->serverCpu = ProcessCpuSeconds(s.pid) - serverCpu;
    run->serverKib = PeakKib(s.pid);
    StopServer(s);
    const Phases& p = run->client;
    const std::string palm = (home / "tmp/fglc/palmdb.mdb").string();
    run->exported = Count(palm, "PART_DICH");
    run->written = RowsWritten(home / "tmp/palmare");
    std::printf("  %zu municipalities, %ld parcels exported%s\n", entries.size(), run->exported,
                exported ? "" : "  EXPORT FAILED");
    std::printf(
        "  login %.2f s, registration %.2f s, download %.2f s (%.0f parcels/s),\n"
        "  handheld databases %.2f s (%ld rows, %.0f rows/s), map files %.2f s\n",
        p.login, p.registration, p.download, Rate(run->exported, p.download), p.databases,
        run->written, Rate(run->written, p.databases), p.maps);
    std::printf("  program CPU: download %.2f s, build with map files %.2f s\n", p.downloadCpu,
                p.buildCpu);
    std::printf("  peak memory: program %.1f MiB, server %.1f MiB\n", p.peakKib / kMiB,
                run->serverKib / kMiB);
    std::printf("  CPU of the whole client run: program %.2f s, server %.2f s\n", clientCpu,
                run->serverCpu);
    start = Clock::now();
    if (RawInsert(palm, (dir / "raw.db").string()))
        run->raw = Seconds(start);
    start = Clock::now();
    if (AttachCopy(palm, (dir / "attach.db").string()))
        run->attach = Seconds(start);
    std::printf("  raw prepared insert, 1 transaction: %.2f s (%.0f rows/s)\n", run->raw,
                Rate(run->exported, run->raw));
    std::printf("  ATTACH + CREATE TABLE AS SELECT:    %.2f s (%.0f rows/s)\n", run->attach,
                Rate(run->exported, run->attach));
    if (HaveOgr2ogr()) {
        start = Clock::now();
        childrenCpu = CpuSeconds(RUSAGE_CHILDREN);
        if (Ogr2ogr(dir / "central.db", dir / "parcels.gpkg"))
            run->ogr = Seconds(start);
        std::printf("  ogr2ogr into a GeoPackage:          %.2f s (%ld features, CPU %.2f s)\n",
                    run->ogr, Count((dir / "parcels.gpkg").string(), "PART_DICH"),
                    CpuSeconds(RUSAGE_CHILDREN) - childrenCpu);
    } else {
        std::printf("  ogr2ogr not installed: skipped\n");
    }
    if (!std::getenv("EXPORT_BENCH_KEEP"))
        fs::remove_all(dir);
    return exported && run->exported > 0;
}

const char* Met(bool met) {
    return met ? "MET" : "NOT MET";
}

void PrintAims(const std::vector<SizeRun>& runs) {
    std::printf("\nAims\n");
    for (const SizeRun& r : runs) {
        const double share =
            Rate(r.written, r.client.databases) / std::max(Rate(r.exported, r.raw), 1.0);
        std::printf(
            "  %ld: handheld build at %.0f%% of the raw prepared insert's rows/s (aim "
            ">= 30%%): %s\n",
            r.parcels, 100 * share, Met(share >= 0.30));
        // ogr2ogr makes no map files: the export is compared without them.
        const double rows = r.client.registration + r.client.download + r.client.databases;
        if (r.ogr > 0)
            std::printf(
                "  %ld: whole export %.2f s (%.2f s with map files) against ogr2ogr "
                "%.2f s: %s\n",
                r.parcels, rows, rows + r.client.maps, r.ogr, Met(rows < r.ogr));
    }
    if (runs.size() > 1) {
        const SizeRun& a = runs.front();
        const SizeRun& b = runs.back();
        const double program = (b.client.peakKib - a.client.peakKib) / kMiB;
        const double server = (b.serverKib - a.serverKib) / kMiB;
        std::printf(
            "  peak growth %ld -> %ld (aim < 64 MiB): program %+.1f MiB %s, server "
            "%+.1f MiB %s\n",
            a.parcels, b.parcels, program, Met(program < 64), server, Met(server < 64));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "--client")
        return RunClient(argv[2], std::vector<std::string>(argv + 3, argv + argc));
    std::vector<long> sizes;
    for (int a = 1; a < argc; ++a)
        sizes.push_back(std::atol(argv[a]));
    if (sizes.empty())
        sizes = {10000, 100000};
    for (long n : sizes) {
        if (n < 1) {
            std::fprintf(stderr, "usage: export_bench [PARCELS...]  (default 10000 100000)\n");
            return 2;
        }
    }
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    std::printf("export_bench: %u cores; the whole export against terv-central on loopback\n",
                std::thread::hardware_concurrency());
    std::printf("map files %s (EXPORT_BENCH_MAPS=1 makes them, timed apart)\n",
                std::getenv("EXPORT_BENCH_MAPS") ? "on" : "off");
    std::vector<SizeRun> runs;
    bool ok = true;
    for (long n : sizes) {
        SizeRun run;
        ok = RunSize(self, n, &run) && ok;
        runs.push_back(run);
        std::fflush(stdout);
    }
    PrintAims(runs);
    return ok ? 0 : 1;
}
