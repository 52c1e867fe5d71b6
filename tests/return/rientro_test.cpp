// The return from the handheld, run headless against a real terv-central (the return number) and
// the real device copy tool on a device folder holding real SQLite databases and scrambled photo
// data files: the copies and their switches, the merge, the photo import, the dating, the staged
// file, and what a damaged device file, a pulled device or an unwritable staging folder leave.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <filesystem>

#include "../export/ExportFixture.h"
#include "../export/FolderTree.h"
#include "QtTestSupport.h"
#include "data/HandheldKey.h"
#include "data/TextUtil.h"
#include "data/db/Database.h"
#include "data/db/mdbUtil.h"
#include "export/HandheldSchema.h"
#include "export/sql_lite.h"
#include "return/FotoCampo.h"
#include "return/FusioneTransito.h"
#include "return/frmRientraDati.h"
#include "shell/frmMain.h"

namespace terv::test {
namespace {

namespace fs = std::filesystem;

// A photo data file as the handheld writes it: four scrambled lines.
std::string FileDatiFoto(const std::string& when, const std::string& x, const std::string& y,
                         const std::string& angle) {
    std::string out;
    for (const std::string& line : {when, x, y, angle})
        out += ScrambleTextInverse(kHandheldScrambleKey, line) + "\r\n";
    return out;
}

// A handheld SQLite database made by the program's own writer.
void WriteHandheldDb(const std::string& path, bool main, const std::vector<std::string>& rows) {
    fs::create_directories(fs::path(path).parent_path());
    const int32_t h = sqll_createdb(path);
    ASSERT_GT(h, 0) << sqll_errmsg();
    main ? CreateMainTables(h, nullptr) : CreateComuneTables(h, nullptr);
    for (const std::string& row : rows)
        ASSERT_EQ(sqll_execute(h, row), 0) << row << ": " << sqll_errmsg();
    ASSERT_EQ(sqll_closeDb(h), 0) << sqll_errmsg();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines = Split(text, "\n");
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    for (std::string& l : lines)
        if (!l.empty() && l.back() == '\r')
            l.pop_back();
    return lines;
}

constexpr const char* kParcel1 = "A001000100010_";
constexpr const char* kParcel2 = "A001000100020AB";
constexpr const char* kParcel3 = "A001000100030_";

class RientroTest : public ExportTest {
  protected:
    void SetUp() override {
        ExportTest::SetUp();
        device = home / "device";
        card = device + "/Scheda di memoria/orvex/";
        fs::create_directories(card);
        setenv("TERVPALM_DEVICE_ROOT", device.c_str(), 1);
        WriteWrapper("");
        WriteFileBytes(home / "loadfoto",
                       "#!/bin/sh\nprintf '%s' \"$1\" >'" + (home / "loadfoto.txt") + "'\n");
        fs::permissions(home / "loadfoto", fs::perms::owner_all);
        form.cmbmemoria = 0;
        form.onChange = [this] {
            disabledSeen |= !form.cmdTrasfEnabled;
            const std::pair<long, long> now{form.progressValue, form.progressMax};
            if (now.second > 0 && (bar.empty() || bar.back() != now))
                bar.push_back(now);
        };
    }
    void TearDown() override {
        unsetenv("TERVPALM_DEVICE_ROOT");
        ExportTest::TearDown();
    }
    // The copy tool through a wrapper that logs every command line ("|" after each argument);
    // `before` runs first.
    void WriteWrapper(const std::string& before) {
        WrapCopyTool(RAPIFILECOPY, before, "/dev/null");
    }
    // The device of a whole survey: A001 with results and photos, B002 with a damaged database
    // and a photo A001 already sent, C003 listed but absent from the card.
    void FillDevice() {
        WriteHandheldDb(card + "terv34bis_ppc.db", true,
                        {"INSERT INTO COMUNI VALUES('A001','Uno','RM')",
                         "INSERT INTO COMUNI VALUES('B002','Due','RM')",
                         "INSERT INTO COMUNI VALUES('C003','Tre','RM')"});
        const std::string part =
            "INSERT INTO PART_DICH(ID_PART,COD_NAZIONALE,NUME_SCAR,FLAG_LAVO) ";
        WriteHandheldDb(card + "A001/db_comu.db", false,
                        {part + "VALUES('" + kParcel1 + "','A001',7,'S')",
                         part + "VALUES('" + kParcel2 + "','A001',7,'S')",
                         part + "VALUES('" + kParcel3 + "','A001',7,'N')",
                         "INSERT INTO UTIL_RILE VALUES('" + std::string(kParcel1) +
                             "','U01','S01',1.5,2.5,'nota')",
                         "INSERT INTO UTIL_RILE(ID_PART,CODI_UTIL,STAT_COLT) VALUES('" +
                             std::string(kParcel3) + "','U02','S02')",
                         "INSERT INTO FAG_RILE(ID_PART,PROG_POLI,NUME_NOCC) VALUES('" +
                             std::string(kParcel2) + "',1,12)",
                         "INSERT INTO NORME_RILE VALUES('" + std::string(kParcel1) + "','N1',1)"});
        const std::string photo = card + "A001/photo/";
        fs::create_directories(photo);
        for (const char* jpg : {"A001000100010001", "A001000100010002", "A001000100010003"})
            WriteFileBytes(photo + jpg + ".jpg", std::string("\xFF\xD8\xFF\xE0", 4) + jpg);
        WriteFileBytes(photo + "A001000100010001.dat",
                       FileDatiFoto("20260501101500xx", "12.5", "41.25", " 270 "));
        WriteFileBytes(photo + "A001000100010002.dat",
                       FileDatiFoto("20260501120000", "12.75", "41.5", "90.4"));
        WriteFileBytes(photo + "A001000100010003.dat", "");
        // The same parcel and photo number again, its blank sub-parcel written out.
        WriteFileBytes(photo + "A001000100010_001.jpg", "dup");
        WriteFileBytes(photo + "A001000100010_001.dat",
                       FileDatiFoto("20261231000000", "1", "2", "3"));
        WriteFileBytes(photo + "A001000100020AB001.dat",
                       FileDatiFoto("20260502080000", "13", "42", "0"));
        WriteHandheldDb(card + "B002/db_comu.db", false,
                        {part + "VALUES('B002000100010_','B002',7,'S')"});
        fs::resize_file(card + "B002/db_comu.db", 1000);
        fs::create_directories(card + "B002/photo");
        WriteFileBytes(card + "B002/photo/A001000100010001.jpg", "dup");
        WriteFileBytes(card + "B002/photo/A001000100010001.dat",
                       FileDatiFoto("20261231000000", "1", "2", "3"));
        // What the export left on the PC for C003: never merged as if it came from the device.
        WriteHandheldDb(home / "tmp/palmare/C003/db_comu.db", false,
                        {part + "VALUES('C003000100010_','C003',7,NULL)"});
    }
    // Runs the return with an upload that notes the staged files it found.
    void Run(int32_t failures = 0) {
        ui.Reset();
        cmdTrasf_Click(form, [this, failures] {
            ++uploads;
            busyAtUpload = ui.busy && form.Label2Visible;
            staged = Files(home / "tmp/palmare/toload");
            return failures;
        });
    }
    // The run ended before the upload with one warning, `text` or starting with it, and the
    // window back at rest.
    void ExpectStopped(const std::string& text, bool whole = true) {
        EXPECT_EQ(uploads, 0);
        ASSERT_EQ(ui.messages.size(), 1u);
        const std::string& shown = ui.messages[0].text;
        EXPECT_EQ(whole ? shown : shown.substr(0, text.size()), text) << shown;
        EXPECT_EQ(ui.messages[0].style, vbExclamation);
        EXPECT_TRUE(form.cmdTrasfEnabled);
        EXPECT_FALSE(form.Label2Visible);
        EXPECT_FALSE(ui.busy);
    }
    std::string Staged() const { return home / ("tmp/palmare/toload/" + Numero() + "dbcomu.mdb"); }
    std::string Numero() const { return std::to_string(form.numeroRientro); }
    std::string Query(const std::string& sql) { return Sqlite3Shell(Staged(), sql); }
    std::vector<std::string> Runs() { return Lines(ReadFileBytes(home / "runs.txt")); }
    std::vector<std::string> Log() { return Lines(ReadFileBytes(home / "log/rientro.log")); }
    // Lines of the return's log that hold `piece`.
    long Logged(const std::string& piece) {
        const std::vector<std::string> log = Log();
        return std::count_if(log.begin(), log.end(), [&](const std::string& l) {
            return l.find(piece) != std::string::npos;
        });
    }

    std::string device, card;
    RientroState form;
    int uploads = 0;
    std::vector<std::string> staged;
    bool disabledSeen = false, busyAtUpload = false;
    std::vector<std::pair<long, long>> bar;  // the progress bar at every change
};

TEST_P(RientroTest, CopiesMergesAndStagesAWholeSurvey) {
    FillDevice();
    Run();
    ASSERT_GT(form.numeroRientro, 0);
    const std::string n = Numero(), pc = home / "tmp/palmare/", k = "\\Scheda di memoria\\orvex\\";
    std::vector<std::string> runs = {"/q|/s=65536|" + k + "terv34bis_ppc.db|" + pc +
                                     "terv34bis_ppc.db|"};
    std::vector<std::string> captions = {"Creo database di transito", "Scarico db principale"};
    for (const char* c : {"A001", "B002", "C003"}) {
        const std::string dev = k + c + "\\", to = pc + c + "/";
        runs.push_back("/q|/s=65536|" + dev + "db_comu.db|" + to + "|");
        runs.push_back("/d|/q|/s=65536|" + dev + "photo\\*.jpg|" + to + "photo/|");
        runs.push_back("/q|/s=65536|" + dev + "photo\\*.dat|" + to + "photo/|");
        for (const char* cap : {"Scarico db comunale", "Elaboro foto di campo",
                                "Scarico foto di campo (1)", "Scarico foto di campo (2)"})
            captions.push_back(std::string(cap) + " [" + c + "]");
    }
    for (const char* c : {"A001", "B002", "C003"})
        for (const char* cap :
             {"Elaboro particelle dichiarate", "Elaboro utilizzi rilevati", "Elaboro fag rilevate",
              "Elaboro norme rilevate", "Incrocio FOTO-RILEVAZIONI"})
            captions.push_back(std::string(cap) + " [" + c + "]");
    captions.insert(captions.end(), {"Preparo db per caricamento", "Carico dati in remoto", ""});
    EXPECT_EQ(Runs(), runs);
    EXPECT_EQ(ui.captions, captions);
    EXPECT_EQ(uploads, 1);
    EXPECT_EQ(staged, std::vector<std::string>{n + "dbcomu.mdb"});

    EXPECT_EQ(Query("SELECT COUNT(*) FROM PART_DICH WHERE CARICATO IS NULL AND NUME_SCAR=7"),
              "3\n");
    EXPECT_EQ(Query("SELECT CODI_UTIL, STAT_COLT, COORDX, [NOTE] FROM UTIL_RILE ORDER BY 1"),
              "U01|S01|1.5|nota\nU02|S02||\n");
    EXPECT_EQ(Query("SELECT COD_NAZIONALE FROM COMUNI"), "A001\nB002\nC003\n");

    // Photos: new names in listing order, the empty data file and the duplicate left alone, the
    // data without picture recorded with FOTOEFF 0 and its file removed.
    EXPECT_EQ(Query("SELECT ID_PART,PROG_FOTO,FILENAME,DATA_LAV,COORDX,COORDY,ANGOLO,FOTOEFF,"
                    "IFNULL(CARICATO,'-') FROM FOTO_RILE ORDER BY FILENAME"),
              std::string(kParcel1) + "|1|A001" + n + "campo1|20260501101500|12.5|41.25|270|1|-\n" +
                  kParcel1 + "|2|A001" + n + "campo2|20260501120000|12.75|41.5|90|1|-\n" +
                  kParcel2 + "|1|A001" + n + "campo3|20260502080000|13.0|42.0|0|0|-\n")
        << ::testing::PrintToString(Log());
    EXPECT_EQ(Files(home / "tmp/fotoc/upload"),
              (std::vector<std::string>{"A001" + n + "campo1.DAT", "A001" + n + "campo1.jpg",
                                        "A001" + n + "campo2.DAT", "A001" + n + "campo2.jpg",
                                        "leggimi.txt"}));
    EXPECT_EQ(Files(pc + "A001/photo"),
              (std::vector<std::string>{"A001000100010003.dat", "A001000100010003.jpg",
                                        "A001000100010_001.dat", "A001000100010_001.jpg"}));
    EXPECT_EQ(Files(pc + "B002/photo"),
              (std::vector<std::string>{"A001000100010001.dat", "A001000100010001.jpg"}));

    // The damaged B002 database and the absent C003 are logged; the stale C003 file stays.
    EXPECT_EQ(Logged(pc + "B002/db_comu.db (PART_DICH): "), 1) << ::testing::PrintToString(Log());
    EXPECT_EQ(Logged(k + "C003\\db_comu.db -> " + pc + "C003/: copia non riuscita"), 1);
    EXPECT_TRUE(FileExists(pc + "C003/db_comu.db"));
    EXPECT_EQ(Files(card + "A001/photo").size(), 9u);  // the device keeps everything

    EXPECT_EQ(ui.messages,
              (std::vector<RecordingUiPort::Message>{
                  {"Recupero dati terminato, senza avveritmenti.", vbInformation, gAppTitle}}));
    EXPECT_TRUE(RunUntil([&] { return FileExists(home / "loadfoto.txt"); }));
    EXPECT_TRUE(disabledSeen);
    EXPECT_TRUE(busyAtUpload);
    EXPECT_TRUE(form.cmdTrasfEnabled);
    EXPECT_FALSE(form.Label2Visible);
    EXPECT_FALSE(ui.busy);
    // The bar moves one step per caption up to a full bar, then hides.
    ASSERT_EQ(bar.size(), captions.size() - 1);
    for (size_t i = 0; i < bar.size(); ++i)
        EXPECT_EQ(bar[i].first, static_cast<long>(i + 1));
    EXPECT_EQ(bar.back().first, bar.back().second);
    EXPECT_EQ(form.progressMax, 0);
    EXPECT_EQ(ui.lastProgress, (std::pair<long, long>{0, 0}));
}

// The second card, an empty COMUNI, the update asked for without a package, and an upload that
// failed: the empty transit database is still staged and the user told to retry.
TEST_P(RientroTest, EmptyMainDatabaseOnSecondCardStillStagesAndUploads) {
    const std::string card2 = device + "/Scheda di memoria2/orvex/";
    WriteHandheldDb(card2 + "terv34bis_ppc.db", true, {});
    form.cmbmemoria = 1;
    form.chkAggSW = true;
    Run(1);
    EXPECT_EQ(Runs(), std::vector<std::string>{"/q|/s=65536|\\Scheda di memoria2\\orvex\\"
                                               "terv34bis_ppc.db|" +
                                               (home / "tmp/palmare/terv34bis_ppc.db") + "|"});
    EXPECT_EQ(ui.captions, (std::vector<std::string>{
                               "Creo database di transito", "Scarico db principale",
                               "Preparo db per caricamento", "Carico dati in remoto", ""}));
    EXPECT_EQ(staged, std::vector<std::string>{Numero() + "dbcomu.mdb"});
    EXPECT_EQ(Query("SELECT COUNT(*) FROM PART_DICH"), "0\n");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              "Recupero dati terminato con errori.\r\rUtilizzare il comando --> 'Chiudi scarichi "
              "precedenti'\rfinchè i dati non saranno tutti trasferiti sul server centrale.");
    EXPECT_EQ(ui.messages[0].style, vbExclamation);
}

// No card chosen, then no return number: a message each, nothing else happens.
TEST_P(RientroTest, NoCardOrNoReturnNumberStopsBeforeAnyChange) {
    for (const auto& [card, message] :
         {std::pair<int, std::string>{-1, "Selezionare la scheda di memoria da utilizzare."},
          {0, "Errore in fase di inizializzazione rientro, riprovare in un secondo momento."}}) {
        if (card == 0)
            server->Stop();
        form.cmbmemoria = card;
        Run();
        ExpectStopped(message);
        EXPECT_FALSE(FileExists(gTmpPath + "/palmdb.mdb"));
        EXPECT_FALSE(FileExists(home / "runs.txt"));
    }
    EXPECT_EQ(form.memoriaFocusRequests, 1);
}

// A transit database that cannot be made ends the run at once with the cause, before any copy.
// A staging folder that cannot take the copy stops the run before the upload with the file and
// the system's error, and the transit database is kept.
TEST_P(RientroTest, TransitOrStagedCopyFailingStopsBeforeTheUpload) {
    FillDevice();
    fs::create_directories(gTmpPath + "/palmdb.mdb/kept");
    Run();
    ExpectStopped("Recupero dati interrotto per un errore:\r", false);
    EXPECT_NE(ui.messages[0].text.find("palmdb.mdb"), std::string::npos) << ui.messages[0].text;
    EXPECT_TRUE(fs::exists(gTmpPath + "/palmdb.mdb/kept"));
    EXPECT_FALSE(FileExists(home / "runs.txt"));

    fs::remove_all(gTmpPath + "/palmdb.mdb");
    WriteFileBytes(home / "tmp/palmare/toload", "in the way");
    Run();
    ExpectStopped("Impossibile preparare il database per il caricamento.\rFile: " + Staged() +
                  "\rNot a directory");
    EXPECT_FALSE(FileExists(home / "loadfoto.txt"));
    EXPECT_EQ(Sqlite3Shell(gTmpPath + "/palmdb.mdb", "SELECT COUNT(*) FROM PART_DICH"), "3\n");
    EXPECT_EQ(ReadFileBytes(home / "tmp/palmare/toload"), "in the way");
}

// The card taken out after the main database and A001's database: the later copies fail and
// are logged, A001's results are merged without photos, the device keeps all its files.
TEST_P(RientroTest, DevicePulledMidCopyLogsAndGoesOn) {
    FillDevice();
    WriteWrapper("[ \"$(wc -l 2>/dev/null <'" + (home / "runs.txt") + "')\" = 2 ] && mv '" +
                 device + "' '" + device + ".gone'\n");
    Run();
    EXPECT_EQ(Runs().size(), 10u);
    EXPECT_EQ(Query("SELECT COUNT(*) FROM PART_DICH"), "3\n");
    EXPECT_EQ(Query("SELECT COUNT(*) FROM FOTO_RILE"), "0\n");
    EXPECT_EQ(Logged("copia non riuscita (RAPIFileCopy 2)"), 8);
    EXPECT_EQ(Files(device + ".gone/Scheda di memoria/orvex/A001/photo").size(), 9u);
    EXPECT_EQ(ui.messages.back().text, "Recupero dati terminato, senza avveritmenti.");
}

// The dating pass alone: latest photo time, else the record's own date, else the time of the
// pass.
TEST_P(RientroTest, DatingTakesLatestPhotoThenOwnDateThenNow) {
    Database db = CreateDatabase(home / "dating.mdb", dbLangGeneral);
    CreateComuneTables(0, &db);
    db.Execute("INSERT INTO FOTO_RILE(ID_PART,PROG_FOTO,DATA_LAV) VALUES('P1',1,'20260101000000')");
    db.Execute("INSERT INTO FOTO_RILE(ID_PART,PROG_FOTO,DATA_LAV) VALUES('P1',2,'20260301000000')");
    db.Execute("INSERT INTO UTIL_RILE(ID_PART,DATA_LAV) VALUES('P1','20250101000000')");
    db.Execute("INSERT INTO NORME_RILE(ID_PART,DATA_LAV) VALUES('P2','20250202000000')");
    db.Execute("INSERT INTO FAG_RILE(ID_PART) VALUES('P3')");
    db.Execute("INSERT INTO PART_DICH(ID_PART) VALUES('O''Brien')");
    const std::string before = NowStamp();
    DataRilevazioni(db);
    const std::string after = NowStamp();
    EXPECT_EQ(DbGetText(db, "SELECT DATA_LAV FROM UTIL_RILE"), "20260301000000");
    EXPECT_EQ(DbGetText(db, "SELECT DATA_LAV FROM NORME_RILE"), "20250202000000");
    for (const char* table : {"FAG_RILE", "PART_DICH"}) {
        const std::string now = DbGetText(db, std::string("SELECT DATA_LAV FROM ") + table);
        EXPECT_TRUE(now >= before && now <= after) << table << " " << now;
    }
}

// Photo data file names the import refuses (good ones are read in the whole survey), lines as it
// reads them: a damaged coordinate cannot reach the statement. A missing photo folder is only
// logged.
TEST_P(RientroTest, PhotoNamesAndLinesAsTheImportReadsThem) {
    for (const char* base : {"A00100010001007", "A001000100010_0x7"}) {
        DatiFoto d;
        EXPECT_FALSE(LeggiNomeFoto(base, d)) << base;
        EXPECT_EQ(d.idPart, "") << base;
        EXPECT_EQ(d.progFoto, 0) << base;
    }
    DatiFoto d;
    LeggiRigheFoto(FileDatiFoto("20260501101500", " -1.5e2 ", "1);DROP TABLE FOTO_RILE;--", "2.5"),
                   d);
    EXPECT_EQ(d.dataLav, "20260501101500");
    EXPECT_EQ(d.coordX, "-1.5e2");
    EXPECT_EQ(d.coordY, "Null");
    EXPECT_EQ(d.angolo, "2");

    Database db = CreateDatabase(home / "foto.mdb", dbLangGeneral);
    CreateComuneTables(0, &db);
    ImportaFotoCampo(db, home / "nowhere/", 5);
    EXPECT_EQ(DbGetLong(db, "SELECT COUNT(*) FROM FOTO_RILE"), 0);
    ASSERT_EQ(Log().size(), 1u);
    EXPECT_TRUE(Log()[0].ends_with(" " + (home / "nowhere/") + ": cartella delle foto mancante"));
}

// The window: its captions, the card check through cmdTrasf, the receipt folder, closing.
TEST_P(RientroTest, WindowShowsItsControlsAndBindsThem) {
    App();
    frmRientraDati window([this] { return ++uploads, 0; });
    EXPECT_EQ(window.windowTitle().toStdString(), "Rientro dati PALMARE");
    const std::pair<const char*, const char*> buttons[] = {
        {"cmdTrasf", "Recupera dati dal palmare"},
        {"Command2", "Chiudi scarichi precedenti"},
        {"Command3", "Apri cartella Ricevute"},
        {"Command4", "Rigenera ricevuta da centrale"},
        {"Command1", "Chiudi"}};
    for (const auto& [name, text] : buttons) {
        auto* b = window.findChild<QPushButton*>(name);
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->text().toStdString(), text);
    }
    EXPECT_FALSE(window.findChild<QPushButton*>("Command2")->isEnabled());
    EXPECT_EQ(window.findChild<QCheckBox*>("chkAggSW")->text().toStdString(),
              "Aggiorna il software sul palmare");
    auto* cmb = window.findChild<QComboBox*>("cmbmemoria");
    ASSERT_EQ(cmb->count(), 2);
    EXPECT_EQ(cmb->itemText(0).toStdString(), "Memoria principale (compact flash)");
    EXPECT_EQ(cmb->itemText(1).toStdString(), "Seconda memoria (SD)");
    EXPECT_EQ(window.findChild<QLabel*>("Label2")->text().toStdString(), "Attendere prego...");
    ASSERT_NE(window.findChild<QLabel*>("lblcurrop"), nullptr);
    ASSERT_NE(window.findChild<QProgressBar*>("prgCurrop"), nullptr);

    int command2 = 0;
    window.SetCommand2([&] { ++command2; });
    window.findChild<QPushButton*>("Command2")->click();
    EXPECT_EQ(command2, 1);
    window.findChild<QPushButton*>("cmdTrasf")->click();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Selezionare la scheda di memoria da utilizzare.");
    window.findChild<QPushButton*>("Command3")->click();
    EXPECT_EQ(ui.opened, std::vector<std::string>{home / "tmp/palmare/"});
    window.show();
    window.findChild<QPushButton*>("Command1")->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(uploads, 0);
}

// The main window's return command stays disabled until the return (with its upload) is
// installed, then opens the return window modally.
TEST_P(RientroTest, MainMenuOpensTheReturnWindowModally) {
    App();
    frmMain main;
    auto* action = main.findChild<QAction*>("MNU_RIENTR_TRASF");
    ASSERT_NE(action, nullptr);
    EXPECT_TRUE(action->isEnabled());
    std::string shown;
    QTimer::singleShot(0, [&] {
        if (auto* w = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            shown = w->objectName().toStdString();
            w->reject();
        }
    });
    action->trigger();
    EXPECT_EQ(shown, "frmRientraDati");
}

INSTANTIATE_TEST_SUITE_P(Modes, RientroTest, ::testing::Values("plain"), ModeName);

}  // namespace
}  // namespace terv::test
