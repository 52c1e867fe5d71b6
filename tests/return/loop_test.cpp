// The whole road of one export and its return, with every piece real: DEMO exports two
// municipalities from terv-central, the transfer puts them on a device root with the device copy
// tool, palmsim does the field work there, the return copies it back, merges, stages and uploads
// it, and loadfoto sends the photos. What reaches the server is compared row by row and byte by
// byte with what palmsim left on the device.
#include <httplib.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <thread>

#include "../export/ExportFixture.h"
#include "data/TextUtil.h"
#include "export/Trasferimento.h"
#include "return/Caricamento.h"
#include "return/RientroDati.h"

namespace terv::test {
namespace {

namespace fs = std::filesystem;
using Message = RecordingUiPort::Message;

constexpr const char* kSep = "\xC3\x9E";   // "Þ"
constexpr const char* kMerge = "<merge>";  // a date the dating pass took from the clock

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines = Split(text, "\n");
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    return lines;
}

std::vector<std::string> Sorted(std::vector<std::string> rows) {
    std::sort(rows.begin(), rows.end());
    return rows;
}

// The columns compared for each return table: the handheld's columns, DATA_LAV last.
struct Tabella {
    const char* locale;
    const char* server;
    const char* colonne;  // on the device; the server's table has the same names
    const char* filtro;   // device rows the upload sends
};
const std::vector<Tabella> kTabelle = {
    {"PART_DICH", "PALMR_PART_DICH",
     "ID_PART,COORDX,COORDY,TIPO_LAVO,NUME_SCAR,NUME_FOTO_RICH,FLAG_LAVO,COD_AGRONOMO,DATA_LAV",
     "ifnull(FLAG_LAVO,'')<>'N'"},
    {"UTIL_RILE", "PALMR_UTIL_RILE", "ID_PART,CODI_UTIL,STAT_COLT,NOTE,COORDX,COORDY,DATA_LAV",
     "1=1"},
    {"NORME_RILE", "PALMR_NORME_RILE", "ID_PART,CODI_NORMA,VIOLAZIONE,DATA_LAV", "1=1"},
    {"FAG_RILE", "PALMR_FAG_RILE",
     "ID_PART,PROG_POLI,SEST_REGO,DIST_TRA_FILA,DIST_SU_FILA,NUME_NOCC,NUME_NOCE,NUME_MAND,"
     "NUME_PIST,NUME_CARR,NUME_CAST,NUME_ALTR,FLAG_PROD,FLAG_ERBA,DATA_LAV",
     "1=1"},
};

// Every row the device holds, with the date the merge gives it: the latest photo of its parcel,
// else its own, else the time of the merge.
std::vector<std::string> Expected(const std::string& db, const Tabella& t,
                                  const std::map<std::string, std::string>& latestPhoto) {
    std::vector<std::string> out;
    const std::string columns = Replace(t.colonne, "NOTE", "replace(NOTE,'|','/')");
    for (std::string row : Lines(
             Sqlite3Shell(db, "SELECT " + columns + " FROM " + t.locale + " WHERE " + t.filtro))) {
        const size_t cut = row.rfind('|') + 1;
        const auto photo = latestPhoto.find(row.substr(0, row.find('|')));
        const std::string own = row.substr(cut);
        row = row.substr(0, cut) + (photo != latestPhoto.end() ? photo->second
                                    : own.empty()              ? kMerge
                                                               : own);
        out.push_back(row);
    }
    return out;
}

// Rows sorted and each kept once. The handheld's earlier results travel in every
// municipality's database, so the merge yields one copy per municipality; the server stores
// copies of the same date once (ORA-20001) and copies the merge's clock dated in different
// seconds apart, which the merge's mark makes equal here.
std::vector<std::string> Comparable(std::vector<std::string> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

// Rows of `a` (sorted) missing from `b` (sorted), duplicates counted.
std::vector<std::string> Minus(const std::vector<std::string>& a,
                               const std::vector<std::string>& b) {
    std::vector<std::string> out;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
    return out;
}

// A server row whose date lies within the return gets the merge's mark.
std::vector<std::string> MarkMerge(std::vector<std::string> rows, const std::string& from,
                                   const std::string& to) {
    for (std::string& row : rows) {
        const size_t cut = row.rfind('|') + 1;
        const std::string d = row.substr(cut);
        if (d >= from && d <= to)
            row = row.substr(0, cut) + kMerge;
    }
    return Comparable(rows);
}

class LoopTest : public ExportTest {
  protected:
    void SetUp() override {
        ExportTest::SetUp();
        gAppTitle = "TERVPalm";
        gProvRif = "058";
        device = home / "device";
        fs::create_directories(device);
        setenv("TERVPALM_DEVICE_ROOT", device.c_str(), 1);
        fs::create_symlink(RAPIFILECOPY, home / "RAPIFileCopy");
        // The return starts the loader without waiting; this stand-in only notes its argument,
        // and the test then runs the real loader with it.
        WriteFileBytes(home / "loadfoto", "#!/bin/sh\nprintf '%s' \"$1\" >'" + Noted() +
                                              ".part' && mv '" + Noted() + ".part' '" + Noted() +
                                              "'\n");
        fs::permissions(home / "loadfoto", fs::perms::owner_all);
    }
    void TearDown() override {
        unsetenv("TERVPALM_DEVICE_ROOT");
        ExportTest::TearDown();
    }
    std::string Noted() const { return home / "loadfoto.txt"; }
    std::string Orvex() const { return device + "/Scheda di memoria/orvex/"; }

    // Export of work list 11, Affile and Agosta whole, with orthophotos at quality 50.
    void Export() {
        LoadTrasfPalm(trasf);
        trasf.lblelencoTag = "11";
        trasf.txtDescr = "Giro completo";
        trasf.txtQualita = "50";
        trasf.lstFatti = {std::string(kRomaA) + "0000 Affile", std::string(kRomaB) + "0000 Agosta"};
        cmdScarica_Click(trasf);
        ASSERT_EQ(ui.messages,
                  (std::vector<Message>{{"Scarico dati terminato!", vbInformation, "TERVPalm"}}));
        ui.Reset();
        ui.msgAnswers = {vbYes, vbYes};
        TrasferimentoControls controls;
        controls.cmbmemoria = 0;
        cmdTrasf_Click(trasf, controls);
        ASSERT_EQ(ui.messages.size(), 3u);
        ASSERT_EQ(ui.messages[2].text, kMsgInvioTerminato);
        ui.Reset();
    }
    // palmsim on card 0 of the device; its summary.
    nlohmann::json FieldWork() {
        int status = -1;
        const std::string out = RunCommand(
            std::string(PALMSIM_EXE) + " --root '" + device + "' --card 0 --seed 31", &status);
        EXPECT_EQ(status, 0) << out;
        return nlohmann::json::parse(out, nullptr, false);
    }
    // The highest rowid of every server return table.
    std::map<std::string, std::string> Marks() const {
        std::map<std::string, std::string> out;
        for (const char* t : {"PALMR_PART_DICH", "PALMR_UTIL_RILE", "PALMR_NORME_RILE",
                              "PALMR_FAG_RILE", "PALMR_FOTO_RILE"})
            out[t] = Value(std::string("SELECT ifnull(MAX(rowid),0) FROM ") + t);
        return out;
    }
    // Rows the return added to a server table.
    std::vector<std::string> Added(const std::string& table, const std::string& columns) const {
        return Sorted(
            Rows("SELECT " + columns + " FROM " + table + " WHERE rowid>" + marks.at(table)));
    }
    // A photo of the server's store, as the protocol reads it back: with DEMO's credentials, or
    // in single sign-on with a session of DEMO's.
    httplib::Result Stored(const std::string& name, const std::string& part) {
        httplib::Client client("127.0.0.1", server->port());
        httplib::Headers auth = {{"Authorization", "Basic REVNTzpkZW1v"}};  // DEMO:demo
        if (GetParam() == "sso") {
            auto login = client.Post("/terv/sso?function=login",
                                     nlohmann::json{{"user", "DEMO"}, {"password", "demo"}}.dump(),
                                     "application/json");
            if (!login || login->status != 200)
                return login;
            const std::string cookie = login->get_header_value("Set-Cookie");
            auth = {{"Cookie", cookie.substr(0, cookie.find(';'))}};
        }
        return client.Get("/terv/Fotoservlet?function=read&name=" + name + "&part=" + part, auth);
    }

    // Photos by parcel and photo number, as the return records them: the first data file of a
    // number counts (listing order puts the picture's own name first), an empty one not at all.
    void NotePhotos(const nlohmann::json& summary) {
        for (const auto& c : summary["comuni"])
            for (nlohmann::json p : c["photos"]) {
                p["code"] = c["code"];
                if (p["kind"] == "empty" || p["kind"] == "duplicate") {
                    left.push_back(p);
                    continue;
                }
                photos[{p["id_part"], p["prog_foto"]}] = p;
                std::string& latest = latestPhoto[p["id_part"]];
                latest = std::max(latest, p["stamp"].get<std::string>());
            }
    }

    // The result rows the return added to the server are exactly the device's, "|" of a note
    // as "/"; `from` and `to` bound the merge's clock.
    void CheckResultRows(const nlohmann::json& summary, const std::string& from,
                         const std::string& to) {
        size_t notSent = 0, rows = 0;
        for (const Tabella& t : kTabelle) {
            SCOPED_TRACE(t.locale);
            std::vector<std::string> expected;
            for (const auto& c : summary["comuni"]) {
                const std::string db = Orvex() + c["code"].get<std::string>() + "/db_comu.db";
                for (const std::string& row : Expected(db, t, latestPhoto))
                    expected.push_back(row);
                if (t.locale == std::string("PART_DICH"))
                    notSent += std::stoul(
                        Sqlite3Shell(db, "SELECT COUNT(*) FROM PART_DICH WHERE FLAG_LAVO='N'"));
            }
            rows += expected.size();
            const std::vector<std::string> sent = MarkMerge(Added(t.server, t.colonne), from, to);
            expected = Comparable(expected);
            EXPECT_EQ(Minus(sent, expected), std::vector<std::string>()) << "not on the device";
            EXPECT_EQ(Minus(expected, sent), std::vector<std::string>()) << "not on the server";
        }
        EXPECT_GT(rows, 20u);
        EXPECT_GT(notSent, 0u) << "every parcel surveyed: the flag N is not exercised";
        std::string notes;
        for (const std::string& n :
             Rows("SELECT NOTE FROM PALMR_UTIL_RILE WHERE rowid>" + marks.at("PALMR_UTIL_RILE")))
            notes += n;
        for (const char* piece : {"/", "'", "\"", "è", "à"})
            EXPECT_NE(notes.find(piece), std::string::npos) << piece;
        EXPECT_EQ(notes.find('|'), std::string::npos);
    }

    // One photo row for every data file but the empty one and the repeated number, under a new
    // name of the return `n`, the orphan with FOTOEFF 0 in the transit database; the files of
    // the two left out stay in the municipality's folder.
    void CheckPhotoRows(int32_t n) {
        std::vector<std::string> expected;
        for (const auto& [key, p] : photos)
            expected.push_back(key.first + "|" + std::to_string(key.second) + "|" +
                               p["stamp"].get<std::string>());
        EXPECT_EQ(Added("PALMR_FOTO_RILE", "ID_PART,PROG_FOTO,DATA_LAV"), Sorted(expected));
        size_t rows = 0, orphans = 0;
        for (const std::vector<std::string>& f : Transit("FILENAME, FOTOEFF")) {
            const nlohmann::json& p = photos.at({f[0], std::stoi(f[1])});
            SCOPED_TRACE(f[2]);
            EXPECT_EQ(f[2].rfind(p["code"].get<std::string>() + std::to_string(n) + "campo", 0),
                      0u);
            EXPECT_EQ(f[3], p["picture"].get<bool>() ? "1" : "0");
            orphans += f[3] == "0";
            ++rows;
        }
        EXPECT_EQ(rows, photos.size());
        EXPECT_GE(orphans, 1u);
        EXPECT_EQ(left.size(), 2u);
        for (const nlohmann::json& p : left)
            EXPECT_TRUE(FileExists(home / ("tmp/palmare/" + p["code"].get<std::string>() +
                                           "/photo/" + p["file"].get<std::string>())))
                << p;
    }

    // The argument the return started the loader with, once the loader has noted it.
    std::string LoaderArgument() const {
        for (int i = 0; i < 400 && !FileExists(Noted()); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return ReadFileBytes(Noted());
    }

    // Every picture the store holds is byte for byte the device's, with its data file; an
    // orphan's name is unknown to the store.
    void CheckStoredPhotos() {
        for (const std::vector<std::string>& f : Transit("FILENAME")) {
            const nlohmann::json& p = photos.at({f[0], std::stoi(f[1])});
            const std::string file = p["file"];
            const std::string base = Orvex() + p["code"].get<std::string>() + "/photo/" +
                                     file.substr(0, file.size() - 4);
            SCOPED_TRACE(f[2]);
            const auto jpg = Stored(f[2], "jpg");
            ASSERT_TRUE(jpg);
            if (!p["picture"].get<bool>()) {
                EXPECT_EQ(jpg->status, 404);
                continue;
            }
            EXPECT_EQ(jpg->status, 200);
            EXPECT_TRUE(jpg->body == ReadFileBytes(base + ".jpg"));
            const auto dat = Stored(f[2], "dat");
            ASSERT_TRUE(dat);
            EXPECT_TRUE(dat->body == ReadFileBytes(base + ".dat"));
        }
    }

    // ID_PART, PROG_FOTO and `columns` of the transit database's photo rows.
    std::vector<std::vector<std::string>> Transit(const std::string& columns) const {
        std::vector<std::vector<std::string>> out;
        for (const std::string& row :
             Lines(Sqlite3Shell(home / "tmp/fglc/palmdb.mdb",
                                "SELECT ID_PART, PROG_FOTO, " + columns + " FROM FOTO_RILE")))
            out.push_back(Split(row, "|"));
        return out;
    }

    std::string device;
    std::map<std::string, std::string> marks;  // server table -> highest rowid before the return
    std::map<std::pair<std::string, int>, nlohmann::json> photos;  // as the return records them
    std::map<std::string, std::string> latestPhoto;                // ID_PART -> latest stamp
    std::vector<nlohmann::json> left;  // the empty data file and the repeated number
};

TEST_P(LoopTest, FieldWorkReachesTheServerOnceAndIntact) {
    Export();
    const nlohmann::json summary = FieldWork();
    ASSERT_TRUE(summary.contains("comuni")) << summary;
    ASSERT_EQ(summary["comuni"].size(), 2u);
    NotePhotos(summary);

    marks = Marks();
    RientroState form;
    form.cmbmemoria = 0;
    const std::string from = NowStamp();
    cmdTrasf_Click(form, [] { return CaricaScarichi(); });
    const std::string to = NowStamp();
    ASSERT_GT(form.numeroRientro, 0);
    const std::string receipt = home / ("tmp/palmare/ricevuta" + trasf.lblCodScarico + ".pdf");
    EXPECT_EQ(ui.messages,
              (std::vector<Message>{
                  {"la ricevuta è stata generata:\r" + receipt, vbInformation, "TERVPalm"},
                  {"Recupero dati terminato, senza avveritmenti.", vbInformation, "TERVPalm"}}));
    EXPECT_TRUE(fs::is_empty(home / "tmp/palmare/toload"));
    CheckResultRows(summary, from, to);
    CheckPhotoRows(form.numeroRientro);

    const std::string argument = LoaderArgument();
    EXPECT_EQ(argument, "http://127.0.0.1:" + std::to_string(server->port()) + "/terv/" + kSep +
                            "DEMO" + kSep + "demo");
    int status = -1;
    const std::string out =
        RunCommand(std::string(LOADFOTO_EXE) + " '" + argument + "' 2>&1", &status);
    EXPECT_EQ(status, 0) << out;
    for (const auto& e : fs::directory_iterator(home / "tmp/fotoc/upload"))
        if (e.path().filename() != "leggimi.txt")  // the work folder's notice file
            ADD_FAILURE() << e.path() << " left\n" << out;
    CheckStoredPhotos();
}

INSTANTIATE_TEST_SUITE_P(Modes, LoopTest, ::testing::Values("plain", "sso"), ModeName);

}  // namespace
}  // namespace terv::test
