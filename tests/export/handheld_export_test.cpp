// The export end to end against terv-central: registration, the download into palmdb.mdb and the
// handheld build, checked on the server and in the files with the sqlite3 shell; the replica;
// a server that stops in the middle of the download; a build that fails.
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <memory>
#include <sstream>

#include "ExportFixture.h"
#include "ItalianLocale.h"
#include "data/TextUtil.h"
#include "export/ExportSteps.h"
#include "export/HandheldTexts.h"
#include "export/sql_lite.h"

namespace terv::test {
namespace {

namespace fs = std::filesystem;

const Message kTerminato = {"Scarico dati terminato!", vbInformation, "TERVPalm"};

// With 2800 demo parcels work list 11 (Roma) has a third municipality.
constexpr long long kThreeRomaSize = 2800;
constexpr const char* kRomaC = "A132";  // Albano Laziale (RM)

class HandheldExportTest : public ExportTest {
  protected:
    void SetUp() override {
        ExportTest::SetUp();
        gAppTitle = "TERVPalm";
        gProvRif = "058";
        LoadTrasfPalm(trasf);
        N = trasf.lblCodScarico;
        trasf.lblelencoTag = "11";
        trasf.txtDescr = "Palmare di prova";
        trasf.lstFatti = {std::string(kRomaA) + "0000 Affile", std::string(kRomaB) + "0000 Agosta",
                          std::string(kRomaC) + "0001 Albano Laziale 1"};
    }
    long long DemoSize() const override { return kThreeRomaSize; }
    // The export's parcels on the server, restricted by `where`.
    std::string Plav(const std::string& what, const std::string& where = "1=1") const {
        return Value("SELECT " + what + " FROM TERVPLAV WHERE NUME_SCAR_PALM=" + N +
                     " AND LAST=1 AND " + where);
    }
    // The current declarations of the export's parcels of a municipality, by parcel and code.
    std::string Declared(const std::string& c, const std::string& what) const {
        return Value("SELECT " + what +
                     " FROM (SELECT SUM(U.SUPE_COLT) AS S FROM TERVUTIL U JOIN " +
                     "TERVPLAV P ON P.COD_NAZIONALE=U.COD_NAZIONALE AND P.FOGLIO=U.FOGLIO AND " +
                     "P.PARTICELLA=U.PARTICELLA AND P.SUB=U.SUB WHERE P.NUME_SCAR_PALM=" + N +
                     " AND P.LAST=1 AND P.COD_NAZIONALE='" + c +
                     "' AND U.DATA_FINE='99991231000000' GROUP BY U.COD_NAZIONALE, U.FOGLIO, "
                     "U.PARTICELLA, U.SUB, U.COD_REGI)");
    }
    std::string Palmare(const std::string& name) const { return PalmareFolder() + name; }

    std::string N;
};

TEST_P(HandheldExportTest, ExportWritesTransitAndHandheldDatabases) {
    ItalianNumbers italian;
    ASSERT_TRUE(italian.Active()) << "no Italian locale to test under";
    fs::create_directories(Palmare("Z999"));
    WriteFileBytes(Palmare("Z999/db_comu.db"), "earlier export");

    EXPECT_EQ(gSso, GetParam() == "sso");
    cmdScarica_Click(trasf);
    EXPECT_EQ(ui.messages, (std::vector<Message>{kTerminato}));
    EXPECT_EQ(Value("SELECT UTENTE_SCARICO || '|' || DESCRIZIONE FROM PALM_SCARICHI WHERE "
                    "NUME_SCAR=" +
                    N),
              "DEMO|Palmare di prova");
    const std::string parcels = Plav("COUNT(*)");
    ASSERT_GT(std::stol(parcels), 20);
    // Every parcel still free of the two whole municipalities, of the third only sheet 1.
    for (const std::string c : {kRomaA, kRomaB}) {
        EXPECT_EQ(Plav("COUNT(DISTINCT FOGLIO) > 1", "COD_NAZIONALE='" + c + "'"), "1") << c;
        EXPECT_EQ(Value("SELECT COUNT(*) FROM TERVPLAV WHERE ID_LAV=11 AND COD_NAZIONALE='" + c +
                        "' AND NUME_SCAR_PALM IS NULL"),
                  "0")
            << c;
    }
    EXPECT_NE(Plav("COUNT(*)", "COD_NAZIONALE='" + std::string(kRomaC) + "'"), "0");
    EXPECT_EQ(Plav("COUNT(*)", "COD_NAZIONALE='" + std::string(kRomaC) + "' AND FOGLIO<>1"), "0");

    // palmdb.mdb holds the server's answers.
    const std::string palm = PalmDbPath();
    EXPECT_EQ(Sqlite3Shell(palm, "SELECT COUNT(*) FROM PART_DICH"), parcels + "\n");
    EXPECT_EQ(Sqlite3Shell(palm,
                           "SELECT group_concat(ID_PART) FROM (SELECT ID_PART FROM PART_DICH "
                           "ORDER BY 1)"),
              Plav("group_concat(I) FROM (SELECT COD_NAZIONALE||printf('%04d',FOGLIO)||PARTICELLA||"
                   "CASE SUB WHEN ' ' THEN '_' ELSE SUB END AS I",
                   "1=1 ORDER BY 1)") +
                  "\n");
    EXPECT_EQ(Sqlite3Shell(palm, "SELECT * FROM AGRONOMI ORDER BY 1"),
              "TEC05801|Mario Rossi|031975\nTEC05802|Anna D'Amico|507\n");
    EXPECT_EQ(Sqlite3Shell(palm, "SELECT COUNT(*) FROM NORME"),
              Value("SELECT COUNT(*) FROM PALM_NORME") + "\n");

    // The tables downloaded beside the others hold the server's rows: the codes declared on the
    // export's parcels and the latest earlier survey of each of them.
    const std::string ids =
        "SELECT COD_NAZIONALE||printf('%04d',FOGLIO)||PARTICELLA||CASE SUB "
        "WHEN ' ' THEN '_' ELSE SUB END FROM TERVPLAV WHERE LAST=1 AND "
        "NUME_SCAR_PALM=" +
        N;
    const auto latest = [&](const std::string& view, const std::string& key) {
        return Value("SELECT COUNT(*) FROM " + view + " A WHERE ID_PART IN (" + ids +
                     ") AND DATA_LAV=(SELECT MAX(DATA_LAV) FROM " + view + " B WHERE " + key + ")");
    };
    const struct {
        const char* table;
        std::string rows;
    } aside[] = {
        {"CODI_DICH", Value("SELECT COUNT(DISTINCT COD_REGI) FROM TERVUTIL WHERE DATA_FINE="
                            "'99991231000000' AND COD_NAZIONALE||printf('%04d',FOGLIO)||"
                            "PARTICELLA||CASE SUB WHEN ' ' THEN '_' ELSE SUB END IN (" +
                            ids + ")")},
        {"UTIL_RILE", latest("PALM_UTIL_RILE",
                             "B.ID_PART=A.ID_PART AND B.CODI_UTIL=A.CODI_UTIL "
                             "AND B.STAT_COLT=A.STAT_COLT")},
        {"FAG_RILE", latest("PALM_FAG_RILE", "B.ID_PART=A.ID_PART AND B.PROG_POLI=A.PROG_POLI")},
        {"NORME_RILE",
         latest("PALM_NORME_RILE", "B.ID_PART=A.ID_PART AND B.CODI_NORMA=A.CODI_NORMA")},
    };
    for (const auto& t : aside) {
        EXPECT_NE(t.rows, "0") << t.table;
        EXPECT_EQ(Sqlite3Shell(palm, std::string("SELECT COUNT(*) FROM ") + t.table), t.rows + "\n")
            << t.table;
    }

    // The main database.
    const std::string main = Palmare("terv34bis_ppc.db");
    EXPECT_EQ(Sqlite3Shell(main, "SELECT * FROM COMUNI"),
              "A062|Affile|RM\nA084|Agosta|RM\nA132|Albano Laziale|RM\n");
    EXPECT_EQ(Sqlite3Shell(main, "SELECT * FROM AGRONOMI ORDER BY 1"),
              "TEC05801|Mario Rossi|031975\nTEC05802|Anna D'Amico|507\n");

    // One database per municipality, its parcels only, the rest whole.
    for (const std::string c : {kRomaA, kRomaB, kRomaC}) {
        SCOPED_TRACE(c);
        const std::string db = Palmare(c + "/db_comu.db");
        const std::string of = "COD_NAZIONALE='" + c + "'";
        EXPECT_EQ(Sqlite3Shell(db, "PRAGMA integrity_check"), "ok\n");
        EXPECT_EQ(Sqlite3Shell(db, "SELECT COUNT(*), COUNT(DISTINCT COD_NAZIONALE) FROM PART_DICH"),
                  Plav("COUNT(*)", of) + "|1\n");
        EXPECT_EQ(Sqlite3Shell(db, "SELECT COUNT(*) FROM PART_DICH WHERE SUB IS NULL"),
                  Plav("COUNT(*)", of + " AND SUB=' '") + "\n");
        EXPECT_EQ(Sqlite3Shell(db, "SELECT COUNT(*) FROM PART_DICH WHERE SUB='A'"),
                  Plav("COUNT(*)", of + " AND SUB='A'") + "\n");
        EXPECT_EQ(Sqlite3Shell(db,
                               "SELECT TIPO_LAVO, NUME_FOTO_RICH, COUNT(*) FROM PART_DICH "
                               "GROUP BY 1, 2"),
                  "A|1|" + Plav("COUNT(*)", of + " AND MOTI_RICH NOT IN (11,12)") + "\nC|0|" +
                      Plav("COUNT(*)", of + " AND MOTI_RICH=11") + "\nE|1|" +
                      Plav("COUNT(*)", of + " AND MOTI_RICH=12") + "\n");
        EXPECT_EQ(Sqlite3Shell(db,
                               "SELECT COUNT(*) FROM PART_DICH WHERE FLAG_LAVO='N' AND "
                               "COD_AGRONOMO IS NULL AND NUME_SCAR=" +
                                   N + " AND typeof(COORDX)='real' AND typeof(COORDY)='real'"),
                  Plav("COUNT(*)", of) + "\n");
        EXPECT_EQ(Sqlite3Shell(db,
                               "SELECT COUNT(*) FROM PART_DICH WHERE COORDX > 300000 AND "
                               "COORDX <> CAST(COORDX AS INTEGER)"),
                  Plav("COUNT(*)", of + " AND EXISTS (SELECT 1 FROM TERVCENT T WHERE "
                                        "T.COD_NAZIONALE=TERVPLAV.COD_NAZIONALE AND "
                                        "T.FOGLIO=TERVPLAV.FOGLIO AND T.PARTICELLA=TERVPLAV."
                                        "PARTICELLA AND T.SUB=TERVPLAV.SUB AND "
                                        "T.DATA_FINE_VAL='99991231000000')") +
                      "\n");
        EXPECT_EQ(
            Sqlite3Shell(db, "SELECT COUNT(*), printf('%.2f', SUM(SUPE_DICH)) FROM UTIL_DICH"),
            Declared(c, "COUNT(*) || '|' || printf('%.2f', SUM(S))") + "\n");
        EXPECT_EQ(Sqlite3Shell(db, "SELECT COUNT(*) FROM CODI_RILE_VARI"), "0\n");
        for (const char* table :
             {"NORME", "CODI_DICH", "CODI_RILE_UTIL", "UTIL_RILE", "FAG_RILE", "NORME_RILE"}) {
            EXPECT_EQ(Sqlite3Shell(db, std::string("SELECT COUNT(*) FROM ") + table),
                      Sqlite3Shell(palm, std::string("SELECT COUNT(*) FROM ") + table))
                << table;
        }
        EXPECT_EQ(Sqlite3Shell(db, "SELECT COUNT(*) FROM CODI_DICH WHERE ELEG='1'"),
                  Sqlite3Shell(palm, "SELECT COUNT(*) FROM CODI_DICH"));
    }
    // Declarations of the same parcel, use and variety arrive as one row with their sum.
    const std::string a062 = Palmare(std::string(kRomaA) + "/db_comu.db");
    EXPECT_LT(std::stol(Sqlite3Shell(a062, "SELECT COUNT(*) FROM UTIL_DICH")),
              std::stol(Sqlite3Shell(palm,
                                     "SELECT COUNT(*) FROM UTIL_DICH U JOIN PART_DICH P ON "
                                     "P.ID_PART=U.ID_PART WHERE P.COD_NAZIONALE='A062'")));
    EXPECT_EQ(ReadFileBytes(Palmare("Z999/db_comu.db")), "earlier export");
    for (const auto& entry : fs::recursive_directory_iterator(PalmareFolder()))
        EXPECT_EQ(entry.path().string().find(".parziale"), std::string::npos) << entry.path();
    for (const std::string caption :
         {"Creo db PALM", "Scarico elenco particelle", "Scarico NORME già rilevate",
          "Carico lista comuni", "Carico lista agronomi"}) {
        EXPECT_NE(std::find(ui.captions.begin(), ui.captions.end(), caption), ui.captions.end())
            << caption;
    }
    // Every step of every municipality shows, in order, though databases are written two at
    // a time.
    std::vector<std::string> steps, expected;
    for (const std::string& caption : ui.captions)
        if (caption.rfind("Elaboro ", 0) == 0 || caption.rfind("Scarico grafica ", 0) == 0)
            steps.push_back(caption);
    for (const std::string c : {kRomaA, kRomaB, kRomaC})
        for (const char* step :
             {"Elaboro elenco particelle", "Elaboro uilizzi dichiarati", "Elaboro norme",
              "Elaboro uilizzi dichiarati", "Elaboro codici uilizzi rilevati",
              "Elaboro uilizzi già rilevati", "Elaboro FAG già rilevati",
              "Elaboro norme già rilevate", "Scarico grafica comune"})
            expected.push_back(std::string(step) + " [" + c + "]");
    EXPECT_EQ(steps, expected);

    // A replica rebuilds the same files and writes nothing on the server.
    const auto dumps = [&] {
        std::string out = Sqlite3Shell(main, ".dump");
        for (const std::string c : {kRomaA, kRomaB, kRomaC})
            out += Sqlite3Shell(Palmare(c + "/db_comu.db"), ".dump");
        return out;
    };
    const std::string before = dumps();
    const size_t batches = server->WriteBatches().size();
    ui.Reset();
    trasf.replicascarico = N;
    trasf.lstFatti.clear();
    cmdScarica_Click(trasf);
    EXPECT_EQ(ui.messages, (std::vector<Message>{kTerminato}));
    EXPECT_EQ(server->WriteBatches().size(), batches);
    EXPECT_EQ(dumps(), before);
    EXPECT_EQ(ReadFileBytes(Palmare("Z999/db_comu.db")), "earlier export");
}

// The faults need no second run through single sign-on.
class HandheldFaultTest : public HandheldExportTest {};

TEST_P(HandheldFaultTest, ServerStoppingMidDownloadLeavesNoHandheldFile) {
    // The server stops before a download of the main thread, or refuses one run beside it: each
    // failure is told at its own step, after the steps before it and before those after it.
    const struct {
        const char* stopAt;      // caption at which the server stops; empty: it runs on
        const char* dropView;    // a view the server loses before the export
        const char* failedStep;  // the caption the message names
        const char* nextStep;    // the caption after it, never shown
    } cases[] = {
        {"", "PALM_FAG_RILE", "Scarico FAG già rilevati", "Scarico NORME già rilevate"},
        {"Scarico elenco agronomi", "", "Scarico elenco agronomi", "Scarico elenco NORME"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failedStep);
        if (*c.dropView)
            RunOnServerDatabase(std::string("DROP VIEW ") + c.dropView);
        StoppingPort port;
        port.stopAtCaption = c.stopAt;
        port.onStop = [&] { server->Stop(); };
        SetUiPort(&port);
        cmdScarica_Click(trasf);
        SetUiPort(&ui);
        ASSERT_EQ(port.messages.size(), 2u);
        EXPECT_EQ(port.messages[0].text.rfind(
                      "Scarico interrotto durante \"" + std::string(c.failedStep) + "\":\r\n", 0),
                  0u)
            << port.messages[0].text;
        if (*c.dropView) {
            EXPECT_NE(port.messages[0].text.find("ORA-00942"), std::string::npos)
                << port.messages[0].text;
        }
        EXPECT_EQ(port.messages[0].style, vbExclamation);
        EXPECT_EQ(port.messages[1], kTerminato);
        EXPECT_NE(std::find(port.captions.begin(), port.captions.end(), c.failedStep),
                  port.captions.end());
        for (const char* unseen : {c.nextStep, "Carico lista comuni"}) {
            EXPECT_EQ(std::find(port.captions.begin(), port.captions.end(), unseen),
                      port.captions.end())
                << unseen;
        }
        EXPECT_FALSE(fs::exists(Palmare("terv34bis_ppc.db")));
        EXPECT_FALSE(fs::exists(Palmare(std::string(kRomaA) + "/db_comu.db")));
        // No file of the downloads run aside is left beside palmdb.mdb.
        for (const auto& entry : fs::directory_iterator(fs::path(PalmDbPath()).parent_path()))
            EXPECT_NE(entry.path().filename().string().rfind("palmdb_", 0), 0u) << entry.path();
        trasf.replicascarico = N;
        trasf.lstFatti.clear();
    }
}

TEST_P(HandheldFaultTest, RowsATableRefusesAreLoggedAndTheOthersWritten) {
    // A parcel with two current centroids arrives twice; its database keeps it once, the export
    // ends as usual and the export's log tells of the row left out. The third municipality's
    // database is written beside the second.
    std::vector<std::string> expected;
    for (const std::string c : {kRomaA, kRomaC}) {
        const std::string parcel =
            "FROM TERVCENT C WHERE C.DATA_FINE_VAL='99991231000000' AND C.COD_NAZIONALE='" + c +
            "' AND C.FOGLIO=1 AND EXISTS (SELECT 1 FROM TERVPLAV P WHERE P.ID_LAV=11 AND "
            "P.LAST=1 AND P.NUME_SCAR_PALM IS NULL AND P.COD_NAZIONALE=C.COD_NAZIONALE AND "
            "P.FOGLIO=C.FOGLIO AND P.PARTICELLA=C.PARTICELLA AND P.SUB=C.SUB) ORDER BY C.rowid "
            "LIMIT 1";
        const std::string id = Value(
            "SELECT C.COD_NAZIONALE||printf('%04d',C.FOGLIO)||"
            "C.PARTICELLA||CASE C.SUB WHEN ' ' THEN '_' ELSE C.SUB END " +
            parcel);
        ASSERT_FALSE(id.empty()) << c;
        RunOnServerDatabase(
            "INSERT INTO TERVCENT SELECT * FROM TERVCENT WHERE rowid=(SELECT "
            "C.rowid " +
            parcel + ")");
        const std::string db = c + "/db_comu.db";
        expected.push_back(db + ": PART_DICH: riga non scritta (" + Palmare(db) +
                           ": UNIQUE constraint failed: PART_DICH.ID_PART): " + id + "|" + c + "|");
        expected.push_back(db + ": 1 riga non scritta\r");
    }
    cmdScarica_Click(trasf);
    EXPECT_EQ(ui.messages, (std::vector<Message>{kTerminato}));
    for (const std::string c : {kRomaA, kRomaC}) {
        EXPECT_EQ(Sqlite3Shell(Palmare(c + "/db_comu.db"), "SELECT COUNT(*) FROM PART_DICH"),
                  Plav("COUNT(*)", "COD_NAZIONALE='" + c + "'") + "\n");
    }
    // Each line after its time stamp and a blank; a refused row's line is cut where the values
    // the test cannot know begin.
    std::vector<std::string> lines;
    std::istringstream log(ReadFileBytes(gAppPath + "/log/scarico.log"));
    for (std::string line; std::getline(log, line);) {
        line = line.substr(NowStamp().size() + 1);
        const size_t i = lines.size();
        lines.push_back(i % 2 == 0 && i < expected.size() ? line.substr(0, expected[i].size())
                                                          : line);
    }
    EXPECT_EQ(lines, expected);
}

// Files of this process may grow no further than `bytes` while it lives; writes past it fail as
// on a full disk (EFBIG, with the signal ignored).
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

  private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

TEST_P(HandheldFaultTest, FailedBuildShowsItsFailureAndNotTheEndMessage) {
    // A municipality's database fails: something in the way of its file, or a disk that fills
    // up while it is written. The third one is written beside the second.
    std::unique_ptr<FileSizeLimit> full;
    StoppingPort port;
    port.onStop = [&] { full = std::make_unique<FileSizeLimit>(16 * 1024); };
    const struct {
        const char* comune;
        bool diskFull;
    } cases[] = {{kRomaB, false}, {kRomaB, true}, {kRomaC, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.comune) + (c.diskFull ? " disk full" : " file in the way"));
        const std::string folder = Palmare(std::string(c.comune) + "/");
        port.Reset();
        port.stopAtCaption =
            c.diskFull ? "Elaboro elenco particelle [" + std::string(c.comune) + "]" : "";
        SetUiPort(&port);
        fs::remove_all(folder);
        if (!c.diskFull)
            fs::create_directories(folder + "db_comu.db.parziale/x");
        cmdScarica_Click(trasf);
        full.reset();
        SetUiPort(&ui);
        ASSERT_EQ(port.messages.size(), 1u);
        EXPECT_EQ(port.messages[0].text.rfind("Scarico interrotto durante \"Elaboro ", 0), 0u)
            << port.messages[0].text;
        EXPECT_NE(port.messages[0].text.find(" [" + std::string(c.comune) + "]\":\r\n"),
                  std::string::npos)
            << port.messages[0].text;
        EXPECT_EQ(port.messages[0].style, vbExclamation);
        EXPECT_EQ(
            Sqlite3Shell(Palmare(std::string(kRomaA) + "/db_comu.db"), "PRAGMA integrity_check"),
            "ok\n");
        EXPECT_FALSE(fs::exists(folder + "db_comu.db"));
        // The window is back at rest for another try.
        EXPECT_FALSE(trasf.Label2Visible);
        EXPECT_TRUE(trasf.cmdScaricaEnabled);
        EXPECT_EQ(trasf.lblcurrop, "");
        EXPECT_FALSE(port.busy);
        // The next try rebuilds the same export without registering it again.
        trasf.replicascarico = N;
        trasf.lstFatti.clear();
        if (c.diskFull)
            EXPECT_FALSE(fs::exists(folder + "db_comu.db.parziale"));
        else
            fs::remove_all(folder + "db_comu.db.parziale");  // what was in the way
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, HandheldExportTest, ::testing::Values("plain", "sso"), ModeName);
INSTANTIATE_TEST_SUITE_P(Modes, HandheldFaultTest, ::testing::Values("plain"), ModeName);

}  // namespace
}  // namespace terv::test
