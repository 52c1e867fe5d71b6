// The upload of staged returns against a real terv-central (in process, or a child process that
// is killed mid-upload), with staged databases built with the return's local tables.
#include <signal.h>

#include <numeric>
#include <random>
#include <thread>

#include "../central/ChildServer.h"
#include "../export/ExportFixture.h"
#include "data/db/mdbUtil.h"
#include "export/HandheldSchema.h"
#include "platform/FileSearch.h"
#include "return/Caricamento.h"
#include "return/ProvinciaRif.h"
#include "return/Ricevuta.h"
#include "return/RientroTexts.h"

namespace terv::test {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kExport = 950;  // an export of the demo data, on a work list of DEMO

// A row of a staged table: values by field name (upper case); missing fields are Null.
using Row = std::map<std::string, Variant>;

std::string SqlValue(const Variant& v) {
    if (v.IsNull())
        return "NULL";
    if (v.IsText())
        return "'" + Replace(v.AsText(), "'", "''") + "'";
    return v.AsText();
}

void Insert(Database& db, const std::string& table, const Row& row) {
    std::string names, values;
    for (const auto& [name, value] : row) {
        names += (names.empty() ? "" : ",") + name;
        values += (values.empty() ? "" : ",") + SqlValue(value);
    }
    db.Execute("INSERT INTO " + table + " (" + names + ") VALUES (" + values + ")", dbFailOnError);
}

// The results of one parcel: its PART_DICH row (flag "S") with one use, one violation, one tree
// polygon and one photo, all dated 5 June 2026.
void Parcel(Database& db, const std::string& id, int32_t export_) {
    const std::string date = "20260605093000";
    Insert(db, "PART_DICH",
           {{"ID_PART", id},
            {"COD_NAZIONALE", id.substr(0, 4)},
            {"NUME_SCAR", export_},
            {"FLAG_LAVO", "S"},
            {"COORDX", 310123.25},
            {"COORDY", 4600456.5},
            {"DATA_LAV", date}});
    Insert(db, "UTIL_RILE",
           {{"ID_PART", id}, {"CODI_UTIL", "001"}, {"STAT_COLT", "01"}, {"DATA_LAV", date}});
    Insert(db, "NORME_RILE",
           {{"ID_PART", id}, {"CODI_NORMA", "B01"}, {"VIOLAZIONE", 1}, {"DATA_LAV", date}});
    Insert(db, "FAG_RILE",
           {{"ID_PART", id}, {"PROG_POLI", 1}, {"NUME_NOCC", 12}, {"DATA_LAV", date}});
    Insert(db, "FOTO_RILE",
           {{"ID_PART", id},
            {"PROG_FOTO", 1},
            {"FILENAME", id + "_1.jpg"},
            {"DATA_LAV", date},
            {"ANGOLO", 90}});
}

const char* const kServerTables[] = {"PALMR_PART_DICH", "PALMR_UTIL_RILE", "PALMR_NORME_RILE",
                                     "PALMR_FAG_RILE", "PALMR_FOTO_RILE"};

class UploadTest : public ExportTest {
  protected:
    void SetUp() override {
        ExportTest::SetUp();
        net::SetTimeLimits({.connectMillis = 5000, .idleMillis = 20000});
        fs::create_directories(Cartella());
    }
    static void PointAt(int port) {
        const std::string base = "http://127.0.0.1:" + std::to_string(port) + "/terv/";
        B1_SetHTTPParams(base + "kovJsSQL?function=", "", "");
        DrvSDESetHttpParams(base + "kovJsSDO", "", "");
    }
    // The server's database file, as its SQLite connection names it.
    std::string ServerDb() const { return Split(Value("PRAGMA database_list"), "|").at(2); }

    static std::string Cartella() { return gAppPath + "/tmp/palmare/toload"; }
    // A new staged database with the return's local tables.
    static Database Staged(const std::string& name) {
        Database db = CreateDatabase(Cartella() + "/" + name, dbLangGeneral);
        CreateComuneTables(0, &db);
        return db;
    }

    // The rows this test sent (the demo data holds results of 2024 and 2025), sorted.
    std::vector<std::string> Sent(const std::string& columns, const std::string& table) const {
        return Rows("SELECT " + columns + " FROM " + table + kMine + " ORDER BY 1, 2");
    }
    long long Count(const std::string& table) const {
        return std::stoll(Rows("SELECT COUNT(*) FROM " + table + kMine).at(0));
    }
    // Rows on the server that no staged file marks as loaded, after `files` kill-test files
    // were staged (a deleted file had all its 360 rows marked).
    long long StoredButUnmarked(int files) const {
        const std::vector<long long> counts = Counts();
        const std::vector<FoundEntry> staged = FindEntries(Cartella(), "*.mdb");
        long long marked = 360LL * (files - static_cast<long long>(staged.size()));
        for (const FoundEntry& f : staged) {
            Database db = OpenDatabase(Cartella() + "/" + f.name);
            for (const char* t : {"PART_DICH", "UTIL_RILE", "NORME_RILE", "FAG_RILE", "FOTO_RILE"})
                marked +=
                    DbGetLong(db, std::string("SELECT COUNT(*) FROM ") + t + " WHERE CARICATO=1");
        }
        return std::accumulate(counts.begin(), counts.end(), 0LL) - marked;
    }
    static constexpr const char* kMine = " WHERE DATA_LAV >= '20260101000000'";
    // Writes the server received since start.
    size_t WritesReceived() const {
        size_t n = 0;
        for (size_t w : server->WriteBatches())
            n += w;
        return n;
    }
    // The upload with its captions recorded.
    int32_t Carica() {
        captions.clear();
        return CaricaScarichi({[this](const std::string& c) { captions.push_back(c); }, {}});
    }
    // The rows of each server return table that this test sent.
    std::vector<long long> Counts() const {
        std::vector<long long> out;
        for (const char* table : kServerTables)
            out.push_back(Count(table));
        return out;
    }

    std::vector<std::string> captions;
};

// The values of a test row for the pairs of a phase, field names without regard to case as in
// the local database.
std::function<Variant(size_t)> Fields(const FaseCarico& fase, const Row& row) {
    return [&fase, &row](size_t i) {
        const auto it = row.find(UCase(fase.coppie[i].nome));
        return it == row.end() ? Variant() : it->second;
    };
}

TEST(UploadAttributes, PairsOfEachTable) {
    struct Case {
        size_t phase;  // 0-based: PART_DICH, UTIL_RILE, NORME_RILE, FAG_RILE, FOTO_RILE
        Row row;
        const char* expected;
    };
    const Case cases[] = {
        {2,
         {{"ID_PART", "X"}, {"CODI_NORMA", "12"}, {"VIOLAZIONE", 1}},
         "id_part|X|codi_norma|12|violazione|1"},
        {2, {{"ID_PART", "X"}, {"CODI_NORMA", "12"}}, "id_part|X|codi_norma|12|"},
        // Empty note and Null coordinates: four pairs; the date keeps its closing "|".
        {1,
         {{"ID_PART", "P"},
          {"CODI_UTIL", "001"},
          {"STAT_COLT", "01"},
          {"NOTE", ""},
          {"DATA_LAV", "20260605093000"}},
         "id_part|P|codi_util|001|stat_colt|01|data_lav|20260605093000|"},
        // A "|" typed in a note becomes "/"; numbers in the conversion without leading zero.
        {1,
         {{"ID_PART", "P"},
          {"CODI_UTIL", "001"},
          {"STAT_COLT", "01"},
          {"NOTE", " a|b "},
          {"COORDX", 0.5},
          {"COORDY", -1234567.25}},
         "id_part|P|codi_util|001|stat_colt|01|note| a/b |coordx|.5|coordy|-1234567.25"},
        {0, {{"ID_PART", "P"}, {"FLAG_LAVO", Variant()}}, "id_part|P|"},
        {0,
         {{"ID_PART", "P"},
          {"COORDX", 310123.25},
          {"COORDY", 4600456.0},
          {"TIPO_LAVO", "C"},
          {"NUME_SCAR", 950},
          {"NUME_FOTO_RICH", 2},
          {"FLAG_LAVO", "S"},
          {"COD_AGRONOMO", "TEC058 01"},
          {"DATA_LAV", "20260605093000"}},
         "id_part|P|coordx|310123.25|coordy|4600456|tipo_lavo|C|nume_scar|950|nume_foto_rich|2|"
         "flag_lavo|S|cod_agronomo|TEC058 01|data_lav|20260605093000"},
        {3,
         {{"ID_PART", "P"},
          {"PROG_POLI", 3},
          {"SEST_REGO", "Q"},
          {"NUME_NOCC", 12},
          {"NUME_ALTR", 0},
          {"FLAG_ERBA", "S"}},
         "id_part|P|prog_poli|3|sest_rego|Q|nume_nocc|12|nume_altr|0|flag_erba|S"},
        {3,
         {{"ID_PART", "P"}, {"PROG_POLI", 3}, {"FLAG_PROD", "N"}},
         "id_part|P|prog_poli|3|flag_prod|N|"},
        {4,
         {{"ID_PART", "P"},
          {"PROG_FOTO", 2},
          {"FILENAME", "p_2.jpg"},
          {"DATA_LAV", "20260605093000"},
          {"ANGOLO", 270}},
         "id_part|P|PROG_FOTO|2|FILENAME|p_2.jpg|DATA_LAV|20260605093000|ANGOLO|270|"},
        {4, {{"ID_PART", "P"}, {"PROG_FOTO", 2}}, "id_part|P|PROG_FOTO|2|FILENAME||DATA_LAV||"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AttributiRiga(FasiCarico().at(c.phase), Fields(FasiCarico().at(c.phase), c.row)),
                  c.expected);
    std::vector<std::string> tables;
    for (const FaseCarico& f : FasiCarico())
        tables.push_back(std::string(f.locale) + ">" + f.server);
    EXPECT_EQ(tables,
              (std::vector<std::string>{"PART_DICH>PALMR_PART_DICH", "UTIL_RILE>PALMR_UTIL_RILE",
                                        "NORME_RILE>palmr_norme_rile", "FAG_RILE>PALMR_FAG_RILE",
                                        "FOTO_RILE>PALMR_FOTO_RILE"}));
}

// The province of an export, then of the first parcel's latest work list, on the demo data.
TEST_P(UploadTest, ProvinceLookupsAnswerOnDemoData) {
    const std::string byExport =
        Rows(
            "SELECT PROV_RIF FROM TERVLISTALAV WHERE ID_LAV IN (SELECT ID_LAV FROM TERVPLAV "
            "WHERE NUME_SCAR_PALM=950)")
            .at(0);
    const std::vector<std::string> parcel = Rows(
        "SELECT P.COD_NAZIONALE, P.FOGLIO, P.PARTICELLA, L.PROV_RIF FROM TERVPLAV P JOIN "
        "TERVLISTALAV L ON L.ID_LAV=P.ID_LAV WHERE P.SUB='A' ORDER BY P.ROWID LIMIT 1");
    ASSERT_EQ(parcel.size(), 1u);
    const std::vector<std::string> f = Split(parcel[0], "|");
    const std::string id = f[0] + FormatZeros(std::stoi(f[1]), 4) + f[2] + "A";
    struct Case {
        int32_t export_;
        std::string firstParcel;
        int32_t lines;
        std::string province;
    };
    const Case cases[] = {
        {kExport, "", 1, byExport}, {999, id, 1, f[3]}, {999, "Z999000100001_", 0, ""}};
    for (const Case& c : cases) {
        Database db = Staged("p.mdb");
        if (!c.firstParcel.empty())
            Insert(db, "PART_DICH", {{"ID_PART", c.firstParcel}});
        std::string province = "untouched";
        EXPECT_EQ(LeggiProvinciaRif(db, c.export_, province), c.lines) << c.firstParcel;
        EXPECT_EQ(province, c.province) << c.firstParcel;
        db.Close();
        fs::remove(Cartella() + "/p.mdb");
    }
}

// Every row reaches the server once (their values, and "N" parcels staying home, are checked by
// the whole loop's test), the receipt is written and the staged file is gone. The same file staged
// again (the state a kill between the server's commit and the marking leaves) is answered ORA-20001
// row by row: counted as stored, nothing doubled.
TEST_P(UploadTest, FullPassStoresEachRowOnceAndDeletesTheFile) {
    const std::string file = Cartella() + "/57dbcomu.mdb";
    {
        Database db = Staged("57dbcomu.mdb");
        Parcel(db, "A062000400001_", kExport);
        Parcel(db, "A062000400002A", kExport);
    }
    fs::copy_file(file, gTmpPath + "/copy.mdb");
    EXPECT_EQ(Carica(), 0);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(ui.messages, std::vector<Message>{Box("la ricevuta è stata generata:\r" + gAppPath +
                                                        "/tmp/palmare/ricevuta950.pdf",
                                                    vbInformation)});
    ASSERT_EQ(captions.size(), 10u);  // 2 rows in each phase
    EXPECT_EQ(captions.front(), "Carico dati in remoto (file:1/1)(fase:1/5)(record:1)");
    EXPECT_EQ(captions[5], "Carico dati in remoto (file:1/1)(fase:3/5)(record:2)");
    EXPECT_EQ(captions.back(), "Carico dati in remoto (file:1/1)(fase:5/5)(record:2)");

    EXPECT_EQ(Sent("ID_PART, PROG_FOTO, FILENAME, ANGOLO", "PALMR_FOTO_RILE"),
              (std::vector<std::string>{"A062000400001_|1|A062000400001__1.jpg|90",
                                        "A062000400002A|1|A062000400002A_1.jpg|90"}));

    const std::vector<long long> counts = Counts();
    const long long errors = gErrorCount;
    fs::copy_file(gTmpPath + "/copy.mdb", file);
    EXPECT_EQ(Carica(), 0);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(gErrorCount, errors);
    EXPECT_EQ(Counts(), counts);
}

// An empty PART_DICH: no province check, the phases run, an empty receipt, the file goes.
TEST_P(UploadTest, FileWithoutParcelsIsSentWithoutProvince) {
    {
        Database db = Staged("61dbcomu.mdb");
        Insert(db, "NORME_RILE",
               {{"ID_PART", "A062000400001_"}, {"CODI_NORMA", "B02"}, {"DATA_LAV", "20260605"}});
    }
    EXPECT_EQ(Carica(), 0);
    EXPECT_EQ(captions,
              (std::vector<std::string>{"Carico dati in remoto (file:1/1)(fase:3/5)(record:1)"}));
    EXPECT_EQ(Sent("ID_PART, CODI_NORMA, DATA_LAV", "PALMR_NORME_RILE"),
              (std::vector<std::string>{"A062000400001_|B02|20260605000000"}));
    EXPECT_FALSE(fs::exists(Cartella() + "/61dbcomu.mdb"));
    const std::string text = RunCommand("pdftotext '" + gAppPath + "/tmp/palmare/ricevuta0.pdf' -");
    EXPECT_NE(text.find(kRicNessuna), std::string::npos) << text;
}

// Two staged files, the first with a use the server refuses among 250: the second goes, the
// first stays with every other row marked; once the value is corrected, the next pass sends
// that one row only.
TEST_P(UploadTest, SecondPassSendsOnlyWhatFailed) {
    const std::string first = Cartella() + "/57dbcomu.mdb";
    {
        Database db = Staged("57dbcomu.mdb");
        Parcel(db, "A062000400001_", kExport);
        db.BeginTrans();
        for (int i = 1; i <= 250; ++i)
            Insert(db, "UTIL_RILE",
                   {{"ID_PART", "A062000400001_"},
                    {"CODI_UTIL", FormatZeros(i, 3)},
                    {"STAT_COLT", "02"},
                    {"DATA_LAV", i == 150 ? "05/06/2026" : "20260605093000"}});
        db.CommitTrans();
        Database other = Staged("58dbcomu.mdb");
        Parcel(other, "A062000400002_", kExport);
    }
    EXPECT_EQ(Carica(), 1);
    EXPECT_NE(std::find(captions.begin(), captions.end(),
                        "Carico dati in remoto (file:1/2)(fase:2/5)(record:251)"),
              captions.end());
    EXPECT_EQ(captions.back(), "Carico dati in remoto (file:2/2)(fase:5/5)(record:1)");
    EXPECT_TRUE(fs::exists(first));
    EXPECT_FALSE(fs::exists(Cartella() + "/58dbcomu.mdb"));
    EXPECT_EQ(Count("PALMR_UTIL_RILE"), 251);  // 250 of the first file, 1 of the second
    {
        Database db = OpenDatabase(first);
        EXPECT_EQ(DbGetText(db, "SELECT CODI_UTIL FROM UTIL_RILE WHERE CARICATO IS NULL"), "150");
        EXPECT_EQ(DbGetLong(db, "SELECT COUNT(*) FROM UTIL_RILE WHERE CARICATO=1"), 250);
        for (const char* t : {"PART_DICH", "NORME_RILE", "FAG_RILE", "FOTO_RILE"})
            EXPECT_EQ(
                DbGetLong(db, std::string("SELECT COUNT(*) FROM ") + t + " WHERE CARICATO IS NULL"),
                0)
                << t;
        db.Execute("UPDATE UTIL_RILE SET DATA_LAV='20260605093000' WHERE CODI_UTIL='150'");
    }
    const size_t before = WritesReceived();
    EXPECT_EQ(Carica(), 0);
    EXPECT_EQ(WritesReceived() - before, 1u);
    EXPECT_FALSE(fs::exists(first));
    EXPECT_EQ(Count("PALMR_UTIL_RILE"), 252);
}

// A staged file that is not a database, and one that lacks a table: both stay and count, the
// second after sending what its other tables hold.
TEST_P(UploadTest, DamagedStagedFilesStayAndCount) {
    WriteFileBytes(Cartella() + "/63dbcomu.mdb", "not a database");
    {
        Database db = Staged("64dbcomu.mdb");
        Parcel(db, "A062000400001_", kExport);
        db.Execute("DROP TABLE FOTO_RILE");
    }
    EXPECT_EQ(Carica(), 2);
    EXPECT_TRUE(fs::exists(Cartella() + "/63dbcomu.mdb"));
    EXPECT_TRUE(fs::exists(Cartella() + "/64dbcomu.mdb"));
    EXPECT_EQ(Count("PALMR_NORME_RILE"), 1);
    EXPECT_EQ(Count("PALMR_FOTO_RILE"), 0);
}

// With nothing staged, and with a file of an unknown reference province (nothing of it sent, no
// receipt, the file stays and counts).
TEST_P(UploadTest, ChiudiScarichiPrecedentiEndsWithTheClosingMessage) {
    struct Case {
        bool failing;
        RecordingUiPort::Message message;
    };
    const Case cases[] = {
        {false, {"Recupero dati terminato, senza avveritmenti.", vbInformation, gAppTitle}},
        {true,
         {"Recupero dati terminato con errori.\r\rUtilizzare il comando --> 'Chiudi scarichi "
          "precedenti'\rfinchè i dati non saranno tutti trasferiti sul server centrale.",
          vbExclamation, gAppTitle}},
    };
    for (const Case& c : cases) {
        if (c.failing) {
            Database db = Staged("62dbcomu.mdb");
            Parcel(db, "Z999000100001_", 999);
        }
        ui.Reset();
        std::vector<std::string> events;
        ChiudiUi chiudi;
        chiudi.carica.caption = [&](const std::string& t) { events.push_back("caption:" + t); };
        chiudi.label2 = [&](bool on) { events.push_back(on ? "label2 on" : "label2 off"); };
        chiudi.avviaLoadfoto = [&] { events.push_back("loadfoto"); };
        EXPECT_EQ(ChiudiScarichiPrecedenti(chiudi), c.failing ? 1 : 0);
        EXPECT_EQ(events,
                  (std::vector<std::string>{"label2 on", "caption:", "loadfoto", "label2 off"}));
        EXPECT_EQ(ui.messages, std::vector<RecordingUiPort::Message>{c.message});
        EXPECT_FALSE(ui.busy);
        EXPECT_EQ(fs::exists(Cartella() + "/62dbcomu.mdb"), c.failing);
    }
    EXPECT_EQ(Counts(), std::vector<long long>(5, 0));
    EXPECT_EQ(texts::kMsgRecuperoErrori, cases[1].message.text);
    EXPECT_EQ(texts::kMsgRecuperoOk, cases[0].message.text);
}

// Staged file `i` of the fault test: 60 parcels on a sheet of their own, 360 rows in all.
std::vector<std::string> StageKillFile(Database db, int i) {
    std::vector<std::string> ids;
    db.BeginTrans();
    for (int j = 1; j <= 60; ++j) {
        const std::string id = "A062" + FormatZeros(5000 + i, 4) + FormatZeros(j, 5) + "_";
        Parcel(db, id, kExport);
        Insert(db, "UTIL_RILE",
               {{"ID_PART", id},
                {"CODI_UTIL", "002"},
                {"STAT_COLT", "01"},
                {"DATA_LAV", "20260605093000"}});
        ids.push_back(id);
    }
    db.CommitTrans();
    return ids;
}

// terv-central as a child process, SIGKILLed at a random row of each of several uploads (a
// moment later, so that it lands before, during or after a batch's commit), restarted on the
// same database for the next "Chiudi scarichi precedenti". TERV_UPLOAD_KILLS sets the number of
// kills (8 here, 50 for the full run), TERV_UPLOAD_SEED the random seed.
TEST_P(UploadTest, KilledServerLosesNothingAndStoresEachRowOnce) {
    const std::string db = ServerDb();
    server.reset();
    const char* killsVar = std::getenv("TERV_UPLOAD_KILLS");
    const int kills = killsVar ? std::atoi(killsVar) : 8;
    const char* seedVar = std::getenv("TERV_UPLOAD_SEED");
    const unsigned seed =
        seedVar ? static_cast<unsigned>(std::atol(seedVar)) : std::random_device{}();
    SCOPED_TRACE("TERV_UPLOAD_SEED=" + std::to_string(seed));
    std::mt19937 rng(seed);
    std::vector<std::string> ids;
    int failedPasses = 0;
    int loaders = 0;
    long long unmarked = 0;
    for (int i = 0; i < kills; ++i) {
        const std::vector<std::string> more =
            StageKillFile(Staged(std::to_string(100 + i) + "dbcomu.mdb"), i);
        ids.insert(ids.end(), more.begin(), more.end());
        central::test::ChildServer child({"--db", db, "--threads", "4"});
        const int port = child.Port();
        ASSERT_GT(port, 0);
        PointAt(port);
        // Each staged file shows a caption per row, marked or not.
        const long rows = 360L * static_cast<long>(FindEntries(Cartella(), "*.mdb").size());
        const long at = std::uniform_int_distribution<long>(1, rows)(rng);
        const int micros = std::uniform_int_distribution<int>(0, 3000)(rng);
        const pid_t pid = child.pid();
        long seen = 0;
        std::thread killer;
        ChiudiUi chiudi;
        chiudi.carica.caption = [&](const std::string& c) {
            if (!c.empty() && ++seen == at)
                killer = std::thread([pid, micros] {
                    std::this_thread::sleep_for(std::chrono::microseconds(micros));
                    kill(pid, SIGKILL);
                });
        };
        chiudi.avviaLoadfoto = [&] { ++loaders; };
        if (ChiudiScarichiPrecedenti(chiudi) > 0)
            ++failedPasses;
        if (killer.joinable())
            killer.join();
        unmarked += StoredButUnmarked(i + 1);
    }
    central::test::ChildServer child({"--db", db, "--threads", "4"});
    PointAt(child.Port());
    int passes = 1;
    while (CaricaScarichi() != 0 && passes < 3)
        ++passes;
    EXPECT_TRUE(FindEntries(Cartella(), "*.mdb").empty());
    EXPECT_EQ(loaders, kills);

    std::sort(ids.begin(), ids.end());
    const struct {
        const char* table;
        const char* column;
        std::vector<std::string> values;
    } tables[] = {{"PALMR_PART_DICH", "NUME_SCAR", {"950"}},
                  {"PALMR_UTIL_RILE", "CODI_UTIL", {"001", "002"}},
                  {"PALMR_NORME_RILE", "CODI_NORMA", {"B01"}},
                  {"PALMR_FAG_RILE", "PROG_POLI", {"1"}},
                  {"PALMR_FOTO_RILE", "PROG_FOTO", {"1"}}};
    for (const auto& [table, column, values] : tables) {
        std::vector<std::string> expected;
        for (const std::string& id : ids)
            for (const std::string& v : values)
                expected.push_back(id + "|" + v);
        const std::vector<std::string> stored = Sent(std::string("ID_PART, ") + column, table);
        EXPECT_EQ(stored, expected) << table;
        std::cout << table << ": " << stored.size() << " rows on the server, " << expected.size()
                  << " staged\n";
    }
    std::cout << "seed " << seed << ", " << kills << " kills, " << failedPasses
              << " passes ended with data left staged, " << unmarked
              << " rows stored by the server but left unmarked by a kill (sent again), " << passes
              << " final pass(es) to load the rest\n";
}

INSTANTIATE_TEST_SUITE_P(Modes, UploadTest, ::testing::Values("plain"), ModeName);

}  // namespace
}  // namespace terv::test
