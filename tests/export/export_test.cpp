// The export procedure and the cancelling of an export against terv-central: the registration in
// batches of 100, the cleaned description, the replica, the empty selection, a server that stops
// mid-registration, and the cancel command's list, question and statements.
#include "ExportFixture.h"
#include "data/net/Kovicli.h"
#include "export/AnnullaScarico.h"

namespace terv::test {
namespace {

using ExportProcedureTest = ExportTest;

const Message kTerminato = {"Scarico dati terminato!", vbInformation, "TERVPalm"};

// 250 entries over list 11's two municipalities of Roma: whole municipalities (sheet 0000,
// each many times) and sheets.
std::vector<std::string> ManyEntries() {
    std::vector<std::string> entries;
    for (int i = 0; i < 250; ++i) {
        entries.push_back(std::string(i % 2 ? kRomaB : kRomaA) + FormatZeros(i % 11, 4) +
                          " Comune - prova");
    }
    return entries;
}

class ExportProcedureFixture : public ExportTest {
  protected:
    void SetUp() override {
        ExportTest::SetUp();
        gAppTitle = "TERVPalm";
        LoadTrasfPalm(trasf);
        ASSERT_GT(std::stol(trasf.lblCodScarico), 1000);
        trasf.lblelencoTag = "11";
        trasf.txtDescr = "Scarico \"prova\" | lotto, 1 d'Affile";
    }
    std::string Count(const std::string& where) const {
        return Value("SELECT COUNT(*) FROM TERVPLAV WHERE " + where);
    }
    std::string OfList11() const { return "ID_LAV=11 AND COD_NAZIONALE IN ('A062','A084')"; }
};

TEST_P(ExportProcedureFixture, PathsThatRegisterNothing) {
    const struct {
        const char* name;
        std::string description;
        std::string replica;
        std::vector<std::string> entries;
        std::vector<Message> messages;
    } cases[] = {
        {"empty description",
         "",
         "",
         ManyEntries(),
         {Box("Inserire una descrizione dello scarico da effettuare.", vbExclamation)}},
        {"replica", "di nuovo", "950", ManyEntries(), {kTerminato}},
        {"empty selection", "niente", "", {}, {kTerminato}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ui.Reset();
        trasf.txtDescr = c.description;
        trasf.replicascarico = c.replica;
        trasf.lstFatti = c.entries;
        cmdScarica_Click(trasf);
        EXPECT_EQ(ui.messages, c.messages);
        EXPECT_TRUE(server->WriteBatches().empty());
        EXPECT_EQ(Value("SELECT COUNT(*) FROM PALM_SCARICHI"), "5");
        EXPECT_EQ(Count("NUME_SCAR_PALM=" + trasf.lblCodScarico), "0");
        EXPECT_FALSE(trasf.Label2Visible);
        EXPECT_TRUE(trasf.cmdScaricaEnabled);
    }
    EXPECT_EQ(trasf.descrFocusRequests, 1);
    EXPECT_EQ(std::string(texts::kMsgDescrizione),
              "Inserire una descrizione dello scarico da effettuare.");
}

// The server stops when the registration reaches entry 150; once it is back, the same export
// registers its 250 entries in three batches and claims only the free parcels.
TEST_P(ExportProcedureFixture, RegistrationInBatchesLosesNoSelectionWhenTheServerStops) {
    StoppingPort port;
    SetUiPort(&port);
    OpenHttpLog(gTervcli().NomeFileLogKovicli);
    const int serverPort = server->port();
    port.stopAtValue = 150;
    port.onStop = [&] { server->Stop(); };
    trasf.lstFatti = ManyEntries();
    const std::string freeBefore = Count(OfList11() + " AND NUME_SCAR_PALM IS NULL");
    const std::string exported950 = Count("NUME_SCAR_PALM=950");
    cmdScarica_Click(trasf);
    // The first batch arrived; the other two fail, are logged; the download fails on its first
    // table, says so, and the export still ends.
    EXPECT_EQ(server->WriteBatches(), (std::vector<size_t>{100}));
    ASSERT_EQ(port.messages.size(), 2u);
    EXPECT_EQ(
        port.messages[0].text.rfind("Scarico interrotto durante \"Scarico elenco particelle\"", 0),
        0u);
    EXPECT_EQ(port.messages[1], kTerminato);
    CloseHttpLog();
    const std::string log = ReadFileBytes(gTervcli().NomeFileLogKovicli);
    size_t stops = 0;
    for (size_t at = log.find("Stop Update: "); at != std::string::npos;
         at = log.find("Stop Update: ", at + 1)) {
        ++stops;
    }
    EXPECT_EQ(stops, 2u) << log;
    EXPECT_EQ(trasf.lstFatti, ManyEntries());
    // The windows repainted after every entry, failed batches included.
    EXPECT_GE(port.repaints, 250);
    EXPECT_FALSE(trasf.Label2Visible);
    EXPECT_TRUE(trasf.cmdScaricaEnabled);

    StartServer(serverPort);
    SetUiPort(&ui);
    LogIn("DEMO", "demo");
    cmdScarica_Click(trasf);
    const std::string n = trasf.lblCodScarico;
    EXPECT_EQ(server->WriteBatches(), (std::vector<size_t>{100, 100, 51}));
    EXPECT_EQ(Count("NUME_SCAR_PALM=" + n), freeBefore);
    EXPECT_EQ(Count(OfList11() + " AND NUME_SCAR_PALM IS NULL"), "0");
    EXPECT_EQ(Count("NUME_SCAR_PALM=" + n + " AND ID_LAV<>11"), "0");
    EXPECT_EQ(Count("NUME_SCAR_PALM=950"), exported950);
    EXPECT_EQ(Rows("SELECT UTENTE_SCARICO, DESCRIZIONE, length(DATA_SCARICO) FROM PALM_SCARICHI "
                   "WHERE NUME_SCAR=" +
                   n),
              (std::vector<std::string>{"DEMO|Scarico `prova` - lotto  1 d`Affile|14"}));
    EXPECT_EQ(trasf.txtDescr, "Scarico `prova` - lotto  1 d`Affile");
    EXPECT_EQ(ui.captions.front(), "Assegno codice scarico");
    EXPECT_EQ(ui.captions.front(), texts::kCaptionAssegno);
    EXPECT_EQ(ui.messages, (std::vector<Message>{kTerminato}));
    EXPECT_EQ(kTerminato.text, texts::kMsgTerminato);
    EXPECT_EQ(trasf.lstFatti.size(), 250u);
    // The state every ended export leaves in the window.
    EXPECT_FALSE(trasf.Label2Visible);
    EXPECT_TRUE(trasf.cmdScaricaEnabled);
    EXPECT_EQ(trasf.lblcurrop, "");
    EXPECT_EQ(trasf.progressMax, 0);
    EXPECT_FALSE(ui.busy);
}

using CancelTest = ExportTest;

TEST_P(CancelTest, ListQuestionAndStatements) {
    const struct {
        const char* name;
        const char* user;
        std::vector<int> listAnswers;
        std::vector<int> msgAnswers;
        size_t rows;
        bool asked;
        bool cancels;
    } cases[] = {
        {"list closed", "DEMO", {-1}, {}, 3, false, false},
        {"answer no", "DEMO", {2}, {vbNo}, 3, true, false},
        {"answer yes, user typed in lower case", "demo", {2}, {vbYes}, 3, true, true},
        {"no exports", "SENZAPROV", {-1}, {}, 0, false, false},
    };
    const std::string before950 = Value("SELECT COUNT(*) FROM TERVPLAV WHERE NUME_SCAR_PALM=950");
    const std::string before951 = Value("SELECT COUNT(*) FROM TERVPLAV WHERE NUME_SCAR_PALM=951");
    bool cancelled = false;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LogIn(c.user, Value("SELECT PWD FROM TERVUTENTI WHERE UTENTE='" + UCase(c.user) + "'"));
        ui.listAnswers = c.listAnswers;
        ui.msgAnswers = c.msgAnswers;
        AnnullaScarico();
        cancelled = cancelled || c.cancels;
        ASSERT_EQ(ui.lists.size(), 1u);
        EXPECT_EQ(ui.lists[0].title, "Elenco scarichi");
        EXPECT_EQ(ui.lists[0].rows.size(), c.rows);
        const std::string question = "Annullare lo scarico: 950 - Primo scarico 2026 ?";
        EXPECT_EQ(ui.messages, c.asked ? std::vector<Message>{Box(question, vbYesNo | vbQuestion)}
                                       : std::vector<Message>{});
        EXPECT_EQ(Value("SELECT COUNT(*) FROM TERVPLAV WHERE NUME_SCAR_PALM=950"),
                  cancelled ? "0" : before950);
        EXPECT_EQ(Value("SELECT COUNT(*) FROM PALM_SCARICHI WHERE NUME_SCAR=950"),
                  cancelled ? "0" : "1");
        EXPECT_EQ(Value("SELECT COUNT(*) FROM TERVPLAV WHERE NUME_SCAR_PALM=951"), before951);
    }
    EXPECT_EQ(std::string(texts::kAskAnnulla), "Annullare lo scarico: ");
    // Only the inspector's export still holds parcels of Affile.
    LogIn("DEMO", "demo");
    LoadSelection();
    ChooseList(11);
    sel.cmbFiltroScarico = kGiaScaricate;
    sel.cmbFiltroScarico_Click();
    Expand({"ITALIA", "P058", "CA062"});
    EXPECT_EQ(Children("CA062"), (std::vector<std::string>{"GA0620005", "GA0620010"}));
}

INSTANTIATE_TEST_SUITE_P(Modes, ExportProcedureFixture, ::testing::Values("plain", "sso"),
                         ModeName);
INSTANTIATE_TEST_SUITE_P(Modes, CancelTest, ::testing::Values("plain", "sso"), ModeName);

}  // namespace
}  // namespace terv::test
