// "Rigenera ricevuta da centrale" against a real terv-central: the survey results of an export
// are written to the server's return tables with the program's own writes, and the receipt
// rebuilt from the server must list what the receipt of the local transit database lists.
#include <gtest/gtest.h>

#include <sstream>

#include "../export/ExportFixture.h"
#include "ReceiptReadBack.h"
#include "Ricevuta.h"
#include "RigeneraRicevuta.h"
#include "export/HandheldSchema.h"

namespace terv::test {
namespace {

// DEMO's export 950, third in the operator's list of exports.
constexpr int32_t kScarico = 950;
constexpr int kRigaScarico = 2;
constexpr const char* kDomanda = "Gero ricevuta dello scarico: 950 - Primo scarico 2026 ?";

// One row of the survey results: its table, columns and values as SQL literals. Rows the upload
// does not send (photos not taken) stay local, and so does the column the server has not
// (FOTOEFF); rows of an earlier survey are on the server only.
struct Riga {
    const char* table;
    const char* columns;
    std::string values;
    bool sent = true;
    bool local = true;
};

constexpr const char* kPart = "ID_PART,TIPO_LAVO,NUME_SCAR,FLAG_LAVO,DATA_LAV";
constexpr const char* kUso = "ID_PART,CODI_UTIL,STAT_COLT,DATA_LAV";
constexpr const char* kFag = "ID_PART,PROG_POLI,NUME_NOCC,NUME_ALTR,DATA_LAV";
constexpr const char* kFoto = "ID_PART,PROG_FOTO,FILENAME,DATA_LAV,FOTOEFF";

std::vector<Riga> Rilievi() {
    const std::string affile = "'A062000100777_',", affile2 = "'A062000100778AB',",
                      abbiate = "'A010000300779_',", lasciata = "'A010000300780_',",
                      day = ",'20260605093000'";
    return {{"PART_DICH", kPart, affile + "'A',950,'S'" + day},
            {"UTIL_RILE", kUso, affile + "'001','01'" + day},
            {"UTIL_RILE", kUso, affile + "'002','01'" + day},
            {"UTIL_RILE", kUso, affile + "'003','01'" + day},
            {"FAG_RILE", kFag, affile + "1,2,0" + day},
            {"FAG_RILE", kFag, affile + "2,3,1" + day},
            {"NORME_RILE", "ID_PART,CODI_NORMA,VIOLAZIONE,DATA_LAV", affile + "'B01',1" + day},
            {"FOTO_RILE", kFoto, affile + "1,'f.jpg'" + day + ",1"},
            {"FOTO_RILE", kFoto, affile + "2,'f.jpg'" + day + ",1"},
            {"FOTO_RILE", kFoto, affile + "3,'f.jpg'" + day + ",0", false},
            {"PART_DICH", kPart, affile2 + "'A',950,'S'" + day},
            {"PART_DICH", kPart, abbiate + "'A',950,'S'" + day},
            {"UTIL_RILE", kUso, abbiate + "'010','01'" + day},
            {"PART_DICH", kPart, lasciata + "'A',950,'N'" + day},
            {"UTIL_RILE", kUso, lasciata + "'011','01'" + day},
            {"UTIL_RILE", kUso, affile + "'009','01','20250611110000'", true, false}};
}

class RegenTest : public ExportTest {
  protected:
    // The local transit database with the rows, and the same rows on the server through the
    // program's writes to the return tables.
    void Carica(Database& db) {
        CreateMainTables(0, &db);
        CreateComuneTables(0, &db);
        for (const Riga& r : Rilievi()) {
            const std::vector<std::string> names = Split(r.columns, ","),
                                           values = Split(r.values, ",");
            std::string attributes;
            for (size_t i = 0; i < names.size(); ++i)
                if (names[i] != "FOTOEFF")
                    attributes += names[i] + "|" + Replace(values[i], "'", "") + "|";
            if (r.local)
                db.Execute(std::string("INSERT INTO ") + r.table + " (" + r.columns + ") VALUES (" +
                               r.values + ")",
                           dbFailOnError);
            if (r.sent) {
                ASSERT_EQ(
                    SdoWrite(std::string("PALMR_") + r.table, "I", 0, "", 0, attributes, "", 0), 0)
                    << gLastError;
            }
        }
    }

    // The receipt's text without the line of today's date and time of printing.
    static std::string Testo(const std::vector<std::string>& pages) {
        std::string text;
        for (const std::string& page : pages) {
            std::istringstream lines(page);
            for (std::string line; std::getline(lines, line);)
                if (line.find("Data: ") == std::string::npos)
                    text += line + "\n";
        }
        return text;
    }

    // Answers the list with the row of export 950 and the question with `answer`.
    void Rispondi(int answer) {
        ui.Reset();
        ui.listAnswers = {kRigaScarico};
        ui.msgAnswers = {answer};
    }
};

TEST_P(RegenTest, RebuiltReceiptListsWhatTheLocalOneLists) {
    Database db = CreateDatabase(gTmpPath + "/palmdb.mdb", dbLangGeneral);
    Carica(db);
    if (HasFatalFailure())
        return;
    const std::string locale = StampaRicevuta(kScarico, "", db);
    db.Close();
    ASSERT_EQ(locale, gAppPath + "/tmp/palmare/ricevuta950.pdf");

    Rispondi(vbYes);
    const std::string rebuilt = RigeneraRicevuta();
    ASSERT_EQ(rebuilt, gAppPath + "/tmp/palmare/ricevuta950_1.pdf")
        << ::testing::PrintToString(ui.messages);
    ASSERT_EQ(ui.lists.size(), 1u);
    EXPECT_EQ(ui.lists[0].title, "Elenco scarichi");
    std::string columns;
    for (const ListColumn& c : ui.lists[0].columns)
        columns += c.name + "Þ" + std::to_string(c.width) + "Þ";
    EXPECT_EQ(columns, "NUMEROÞ30ÞDESCRIZIONEÞ180ÞDATAÞ120Þ");
    ASSERT_GT(ui.lists[0].rows.size(), static_cast<size_t>(kRigaScarico));
    EXPECT_EQ(ui.lists[0].rows[kRigaScarico][0], "950");
    EXPECT_EQ(ui.messages, (std::vector<Message>{
                               Box(kDomanda, vbYesNo | vbQuestion),
                               Box("la ricevuta è stata generata:\r" + rebuilt, vbInformation)}));

    const std::string text = Testo(ReceiptPages(rebuilt));
    EXPECT_EQ(text, Testo(ReceiptPages(locale)));
    for (const char* row :
         {"Comune: Affile Foglio:1", "777 (05/06/2026) 001 - 01 B01 5 NOCCIOLA 2 FOTO",
          "002 - 01 1 ALTRE", "003 - 01", "778/AB (05/06/2026)", "Comune: Abbiategrasso Foglio:3",
          "779 (05/06/2026) 010 - 01"})
        EXPECT_NE(text.find(row), std::string::npos) << row << "\n" << text;
    EXPECT_EQ(text.find("780"), std::string::npos) << "a parcel left alone is not printed";
    for (const char* other : {"011 - 01", "009 - 01"})
        EXPECT_EQ(text.find(other), std::string::npos) << other << "\n" << text;
}

// Nothing chosen, No answered, the list or the export's data not to be had: no receipt, and a
// failure is told in plain words.
TEST_P(RegenTest, StopsWithoutReceipt) {
    struct StopsServer : RecordingUiPort {
        central::CentralServer* server = nullptr;
        bool ShowList(const ListDialog& dialog, int& chosen) override {
            if (server)
                server->Stop();
            return RecordingUiPort::ShowList(dialog, chosen);
        }
    };
    enum Quando { kMai, kPrima, kDopoScelta };
    const struct Case {
        const char* name;
        int list;
        int answer;
        Quando stop;
        const char* message;  // start of the one message that ends the command
    } cases[] = {
        {"nessuna scelta", -1, vbYes, kMai, nullptr},
        {"risposta No", kRigaScarico, vbNo, kMai, kDomanda},
        // The server stops once the choice is made and stays down for the last case.
        {"dati non letti", kRigaScarico, vbYes, kDopoScelta,
         "Impossibile leggere dal server i dati dello scarico 950:\r"},
        {"elenco non letto", kRigaScarico, vbYes, kPrima, kRigElencoFallito},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StopsServer port;
        port.listAnswers = {c.list};
        port.msgAnswers = {c.answer, vbOK};
        port.server = c.stop == kDopoScelta ? server.get() : nullptr;
        SetUiPort(&port);
        if (c.stop == kPrima)
            server->Stop();
        EXPECT_EQ(RigeneraRicevuta(), "");
        SetUiPort(&ui);
        EXPECT_FALSE(FileExists(gAppPath + "/tmp/palmare/ricevuta950.pdf"));
        if (c.message) {
            ASSERT_FALSE(port.messages.empty());
            EXPECT_EQ(port.messages.back().text.rfind(c.message, 0), 0u)
                << port.messages.back().text;
            EXPECT_EQ(port.messages.back().style & 0x70,
                      c.stop == kMai ? vbQuestion : vbExclamation);
        } else {
            EXPECT_TRUE(port.messages.empty());
        }
        EXPECT_FALSE(port.busy);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, RegenTest, ::testing::Values("plain", "sso"), ModeName);

}  // namespace
}  // namespace terv::test
