// upload_bench [ROWS]: stages one return of ROWS result rows (default 100 000: a tenth parcels,
// then uses, violations, tree polygons and photos in the ratio 4:2:2:1) and loads it through the
// upload procedure into an in-process terv-central on loopback with demo data. The receipt the
// procedure prints is timed again alone on a copy of the staged file, so that the phases' own rate
// can be told apart. Beside it, the same attribute strings are sent as pre-built batches of 100
// writes (SdoBatchStart, SdoWrite, SdoBatchEnd, no local database) to a second server on a fresh
// database: the raw request rate that the upload's bookkeeping is measured against.
#include <sqlite3.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "../BenchMeasure.h"
#include "CentralServer.h"
#include "data/db/Database.h"
#include "data/net/SdoDriver.h"
#include "data/net/SidSde.h"
#include "data/net/ZolvinClient.h"
#include "export/HandheldSchema.h"
#include "platform/VbText.h"
#include "return/Caricamento.h"
#include "return/Ricevuta.h"
#include "shell/base/modMain.h"
#include "shell/config/clsTervcli.h"

namespace {

using bench::CpuSeconds;
using bench::Seconds;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int32_t kExport = 950;  // an export of the demo data

void PointAt(int port) {
    const std::string base = "http://127.0.0.1:" + std::to_string(port) + "/terv/";
    terv::B1_SetHTTPParams(base + "kovJsSQL?function=", "", "");
    terv::DrvSDESetHttpParams(base + "kovJsSDO", "", "");
}

std::unique_ptr<terv::central::CentralServer> StartServer(const fs::path& db, long long demo) {
    terv::central::ServerOptions options;
    options.port = 0;
    options.db_path = db;
    options.demo_parcels = demo;
    options.threads = 4;
    auto server = std::make_unique<terv::central::CentralServer>(options);
    std::string error;
    if (!server->Start(&error)) {
        std::fprintf(stderr, "terv-central: %s\n", error.c_str());
        std::exit(1);
    }
    return server;
}

void Run(sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql.c_str(), error ? error : "");
        std::exit(1);
    }
}

// The staged return: rows/10 parcels of one sheet, each with its share of the other tables.
void Stage(const std::string& file, long rows) {
    terv::Database db = terv::CreateDatabase(file, terv::dbLangGeneral);
    terv::CreateComuneTables(0, &db);
    sqlite3* h = db.Handle();
    Run(h, "BEGIN");
    const long parcels = rows / 10;
    const std::string d = "'20260605093000'";
    for (long p = 1; p <= parcels; ++p) {
        const std::string id = "'A0624000" + terv::FormatZeros(p, 5) + "_'";
        Run(h,
            "INSERT INTO PART_DICH (ID_PART, COD_NAZIONALE, NUME_SCAR, FLAG_LAVO, COORDX, "
            "COORDY, DATA_LAV) VALUES (" +
                id + ", 'A062', 950, 'S', 310123.25, 4600456.5, " + d + ")");
        for (int u = 1; u <= 4; ++u)
            Run(h,
                "INSERT INTO UTIL_RILE (ID_PART, CODI_UTIL, STAT_COLT, NOTE, DATA_LAV) VALUES (" +
                    id + ", '00" + std::to_string(u) + "', '01', 'nota|" + std::to_string(u) +
                    "', " + d + ")");
        for (int n = 1; n <= 2; ++n)
            Run(h, "INSERT INTO NORME_RILE (ID_PART, CODI_NORMA, VIOLAZIONE, DATA_LAV) VALUES (" +
                       id + ", 'B0" + std::to_string(n) + "', 1, " + d + ")");
        for (int f = 1; f <= 2; ++f)
            Run(h, "INSERT INTO FAG_RILE (ID_PART, PROG_POLI, NUME_NOCC, DATA_LAV) VALUES (" + id +
                       ", " + std::to_string(f) + ", 12, " + d + ")");
        Run(h, "INSERT INTO FOTO_RILE (ID_PART, PROG_FOTO, FILENAME, DATA_LAV, ANGOLO) VALUES (" +
                   id + ", 1, 'f.jpg', " + d + ", 90)");
    }
    Run(h, "COMMIT");
}

// The attribute strings of every row of the staged file, phase by phase.
std::vector<std::pair<std::string, std::string>> Attributes(const std::string& file) {
    std::vector<std::pair<std::string, std::string>> out;
    terv::Database db = terv::OpenDatabase(file);
    for (const terv::FaseCarico& fase : terv::FasiCarico()) {
        terv::Recordset rs = db.OpenRecordset(fase.locale, terv::dbOpenForwardOnly);
        for (; !rs.Eof(); rs.MoveNext())
            out.emplace_back(fase.server, terv::AttributiRiga(fase, [&](size_t i) {
                                 return rs.Field(fase.coppie[i].nome);
                             }));
    }
    return out;
}

// Sends the writes in batches of kRigheBatch; returns the writes that failed.
long SendBatches(const std::vector<std::pair<std::string, std::string>>& writes) {
    long failed = 0;
    for (size_t i = 0; i < writes.size(); ++i) {
        if (i % terv::kRigheBatch == 0)
            terv::SdoBatchStart();
        terv::SdoWrite(writes[i].first, "I", 0, "", 0, writes[i].second, "", 1);
        if (i % terv::kRigheBatch == terv::kRigheBatch - 1 || i + 1 == writes.size()) {
            if (terv::SdoBatchEnd(false) != 0)
                failed += static_cast<long>(terv::SdoLastBatchFailures().size());
        }
    }
    return failed;
}

}  // namespace

int main(int argc, char** argv) {
    const long rows = argc > 1 ? std::atol(argv[1]) : 100000;
    const fs::path dir = fs::temp_directory_path() / ("upload_bench_" + std::to_string(getpid()));
    fs::create_directories(dir / "home");
    fs::copy_file(TERV_TABELLE_MDB, dir / "home" / "tabelle.mdb");
    setenv("TERVPALM_HOME", (dir / "home").c_str(), 1);
    terv::gTervcli();
    terv::gUserName = "DEMO";

    auto server = StartServer(dir / "central.db", 2000);
    PointAt(server->port());
    const std::string staged = terv::gAppPath + "/tmp/palmare/toload/57dbcomu.mdb";
    fs::create_directories(fs::path(staged).parent_path());
    Stage(staged, rows);
    const std::string copy = (dir / "copy.mdb").string();
    fs::copy_file(staged, copy);
    const long total = rows / 10 * 10;

    Clock::time_point start = Clock::now();
    double cpu = CpuSeconds();
    const int32_t failed = terv::CaricaScarichi();
    const double upload = Seconds(start);
    const double uploadCpu = CpuSeconds() - cpu;
    terv::Database again = terv::OpenDatabase(copy);
    start = Clock::now();
    cpu = CpuSeconds();
    terv::StampaRicevuta(kExport, "058", again);
    const double receipt = Seconds(start);
    const double receiptCpu = CpuSeconds() - cpu;
    again.Close();
    server->Stop();

    const auto writes = Attributes(copy);
    auto raw = StartServer(dir / "raw.db", 0);
    PointAt(raw->port());
    start = Clock::now();
    cpu = CpuSeconds();
    const long rawFailed = SendBatches(writes);
    const double rawSeconds = Seconds(start);
    const double rawCpu = CpuSeconds() - cpu;
    raw->Stop();

    std::printf(
        "upload of %ld rows: %.2f s (%.2f s CPU) in all, %d files left staged; receipt "
        "alone %.2f s (%.2f s CPU)\n",
        total, upload, uploadCpu, failed, receipt, receiptCpu);
    std::printf("                        wall rows/s   CPU rows/s\n");
    std::printf("  upload phases         %11.0f  %11.0f\n", total / (upload - receipt),
                total / (uploadCpu - receiptCpu));
    std::printf("  upload with receipt   %11.0f  %11.0f\n", total / upload, total / uploadCpu);
    std::printf("  raw batches of %zu    %11.0f  %11.0f  (%zu writes, %ld refused)\n",
                terv::kRigheBatch, writes.size() / rawSeconds, writes.size() / rawCpu,
                writes.size(), rawFailed);
    std::fflush(stdout);
    terv::ReleaseTervcli();
    fs::remove_all(dir);
    return failed == 0 && rawFailed == 0 ? 0 : 1;
}
