// The selection procedure against terv-central: work lists of the profile, the lazy tree and its
// filters, the selection entries, the replica by export number, the list of the operator's
// exports and the hand-over to the export window.
#include "ExportFixture.h"

namespace terv::test {
namespace {

using texts::kMsgNonAbilitato;
using SelectionTest = ExportTest;

TEST_P(SelectionTest, UserWithoutProvincesGetsNoWorkList) {
    LogIn("SENZAPROV", "senzaprov");
    LoadSelection();
    ASSERT_EQ(sel.cmbElenchi.size(), 1u);
    EXPECT_EQ(sel.cmbElenchi[0].text, "Nessun elenco");
    EXPECT_EQ(sel.cmbElenchiIndex, 0);
    EXPECT_EQ(ui.messages, (std::vector<Message>{Box(kMsgNonAbilitato, vbInformation)}));
    EXPECT_EQ(kMsgNonAbilitato, std::string("Utente non abilitato su alcun elenco!"));
    // Expanding "Italia" without a list asks for one and leaves the root collapsed.
    ui.Reset();
    Expand({"ITALIA"});
    ASSERT_EQ(ui.messages,
              (std::vector<Message>{Box("Selezionare un elenco di lavorazione!", vbExclamation)}));
    EXPECT_EQ(texts::kMsgSelezionareElenco, ui.messages[0].text);
    EXPECT_FALSE(sel.TreeViewElenco.Find("ITALIA")->expanded);
    EXPECT_EQ(Children("ITALIA"), (std::vector<std::string>{"NOK"}));
}

TEST_P(SelectionTest, WorkListsOfTheProfileWithTheReferenceProvinceChosen) {
    LoadSelection();
    std::vector<std::string> shown;
    for (const ComboItem& item : sel.cmbElenchi)
        shown.push_back(item.text);
    // Sector 1, provinces 058 and 015, kinds below 5; "(campo)" marks kind 1.
    EXPECT_EQ(shown, (std::vector<std::string>{
                         "Controlli oggettivi Roma 2026", "Verifiche in campo Roma (campo)",
                         "Controlli oggettivi Milano 2026", "Verifiche in campo Milano (campo)"}));
    EXPECT_EQ(sel.cmbElenchiIndex, 3);  // the last list of gProvRif 015
    EXPECT_EQ(sel.ElenchiGiaCaricati, 1);
    EXPECT_EQ(sel.elenchi[0].campagna, 2026);
    EXPECT_EQ(sel.elenchi[0].data_immi_elen, "20260115000000");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_P(SelectionTest, TreeLevelsKeysTextsAndImagesForEachFilter) {
    const struct {
        const char* name;
        int filter;
        const char* text1;
        bool onlyLav;
        std::vector<std::string> sheets;  // of Affile in list 11
    } cases[] = {
        {"da scaricare",
         kDaScaricare,
         "",
         false,
         {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}},
        {"da scaricare, non lavorate",
         kDaScaricare,
         "",
         true,
         {"1", "2", "4", "5", "6", "7", "9", "10"}},
        {"gia' scaricate", kGiaScaricate, "", false, {"4", "5", "9", "10"}},
        {"numero 950", kNumeroScarico, " 0950", false, {"4", "9"}},
        {"numero 950, non lavorate", kNumeroScarico, "950", true, {"4", "9"}},
        {"numero 951", kNumeroScarico, "951", false, {"5", "10"}},
    };
    LoadSelection();
    ChooseList(11);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sel.Text1 = c.text1;
        sel.chkOnlyLav = c.onlyLav;
        sel.cmbFiltroScarico = c.filter;
        sel.cmbFiltroScarico_Click();
        Expand({"ITALIA", "P058", std::string("C") + kRomaA});
        EXPECT_EQ(Children("ITALIA"), (std::vector<std::string>{"P058"}));
        EXPECT_EQ(Children("P058"), (std::vector<std::string>{"CA062", "CA084"}));
        std::vector<std::string> texts, keys;
        for (const std::string& key : Children("CA062")) {
            keys.push_back(key);
            texts.push_back(sel.TreeViewElenco.Find(key)->text);
            EXPECT_EQ(sel.TreeViewElenco.Find(key)->image, 4);
        }
        EXPECT_EQ(texts, c.sheets);
        EXPECT_EQ(keys.front(), "GA062" + FormatZeros(std::stoi(c.sheets.front()), 4));
        // The other municipality keeps its placeholder until it is expanded.
        EXPECT_EQ(Children("CA084"), (std::vector<std::string>{"NOKA084"}));
    }
    const TerritoryTree& tree = sel.TreeViewElenco;
    EXPECT_EQ(tree.Find("CA062")->tag, "1");
    EXPECT_TRUE(ui.messages.empty());
    // An export number of no parcel of the list: the empty level.
    sel.Text1 = "4";
    sel.cmbFiltroScarico_Click();
    Expand({"ITALIA"});
    EXPECT_EQ(Children("ITALIA"), (std::vector<std::string>{"PPPPP"}));
    EXPECT_EQ(tree.Find("PPPPP")->text, "Nessuna provincia da scaricare");
    EXPECT_EQ(tree.Find("PPPPP")->text, texts::kNessunaProvincia);
    EXPECT_EQ(tree.Find("PPPPP")->image, 1);
    // The empty levels below a province and a municipality.
    EXPECT_EQ(std::string(texts::kNessunComune), "Nessun comune");
    EXPECT_EQ(std::string(texts::kNessunFoglio), "Nessun foglio");
}

TEST_P(SelectionTest, SelectionEntriesFromTheToolBar) {
    LoadSelection();
    ChooseList(11);
    Expand({"ITALIA", "P058", "CA062"});
    sel.TreeClick("CA062");
    EXPECT_TRUE(sel.CO.enabled);
    EXPECT_FALSE(sel.FO.enabled);
    sel.Toolbar2_ButtonClick("CO");
    sel.TreeClick("GA0620001");
    EXPECT_FALSE(sel.CO.enabled);
    for (int press = 0; press < 3; ++press)
        sel.Toolbar2_ButtonClick("FO");
    EXPECT_EQ(sel.listasel, (std::vector<std::string>{"A0620000 Comune - Affile (RM)",
                                                      "A0620001 Comune - Affile (RM) Foglio: 1",
                                                      "A0620002 Comune - Affile (RM) Foglio: 2",
                                                      "A0620003 Comune - Affile (RM) Foglio: 3"}));
    EXPECT_EQ(sel.TreeViewElenco.selected, "GA0620004");
    sel.TreeClick("P058");
    EXPECT_FALSE(sel.CO.enabled || sel.FO.enabled);

    // Only with "Solo le particelle da scaricare" do the buttons add entries.
    const struct {
        int filter;
        const char* key;
        const char* button;
        const char* message;
    } refused[] = {
        {kGiaScaricate, "CA062", "CO", texts::kMsgFiltraComuni},
        {kNumeroScarico, "GA0620004", "FO", texts::kMsgFiltraFogli},
    };
    for (const auto& r : refused) {
        sel.Text1 = "950";
        sel.cmbFiltroScarico = r.filter;
        sel.cmbFiltroScarico_Click();
        Expand({"ITALIA", "P058", "CA062"});
        sel.TreeClick(r.key);
        ui.Reset();
        sel.Toolbar2_ButtonClick(r.button);
        EXPECT_EQ(ui.messages, (std::vector<Message>{Box(r.message, vbInformation)}));
        EXPECT_TRUE(sel.listasel.empty());
    }
    EXPECT_EQ(std::string(texts::kMsgFiltraComuni),
              "Per filtrare i comuni da scaricare, selezionare l'opzione 'Solo le particelle da "
              "scaricare'");
    EXPECT_EQ(std::string(texts::kMsgFiltraFogli),
              "Per filtrare i fogli da scaricare, selezionare l'opzione 'Solo le particelle da "
              "scaricare'");
}

TEST_P(SelectionTest, ReplicaByNumberSelectsTheListAndHandsItOver) {
    LoadSelection();
    sel.cmbFiltroScarico = kNumeroScarico;
    sel.cmbFiltroScarico_Click();
    EXPECT_TRUE(sel.Label5Visible && sel.Frame1Visible && !sel.Label4Visible);
    sel.Text1 = "  000950";
    sel.Command1_Click();
    EXPECT_EQ(sel.Text1, "950");
    EXPECT_EQ(sel.ChosenIdLav(), 11);
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_TRUE(sel.cmdSelDone_Click(trasf));
    EXPECT_EQ(trasf.replicascarico, "950");
    EXPECT_EQ(trasf.lblelencoCaption, "Controlli oggettivi Roma 2026");
    EXPECT_EQ(trasf.lblelencoTag, "11");
    EXPECT_EQ(gProvRif, "058");

    // An export of a list the operator does not see (Napoli).
    sel.Text1 = "952";
    sel.Command1_Click();
    ASSERT_EQ(ui.messages,
              (std::vector<Message>{Box(texts::kMsgElencoNonDisponibile, vbInformation)}));
    EXPECT_EQ(ui.messages[0].text,
              "Scarico effettuato da un elenco di lavorazione non disponibile per l'utente "
              "corrente!");

    // "Solo le particelle già scaricate" never reaches the export window.
    ui.Reset();
    sel.cmbFiltroScarico = kGiaScaricate;
    sel.cmbFiltroScarico_Click();
    TrasfPalmState untouched;
    EXPECT_FALSE(sel.cmdSelDone_Click(untouched));
    EXPECT_TRUE(untouched.lblelencoTag.empty());
    ASSERT_EQ(ui.messages,
              (std::vector<Message>{Box("E' possibile scaricare solo particelle mai scaricate o "
                                        "replicare uno scarico esistente!",
                                        vbInformation)}));
    EXPECT_EQ(ui.messages[0].text, texts::kMsgSoloMaiScaricate);
}

TEST_P(SelectionTest, OperatorsExportsInAReadOnlyList) {
    LoadSelection();
    sel.Command2_Click();
    ASSERT_EQ(ui.lists.size(), 1u);
    const ListDialog& list = ui.lists[0];
    EXPECT_EQ(list.title, "Elenco scarichi");
    std::vector<std::pair<std::string, int>> columns;
    for (const ListColumn& column : list.columns)
        columns.emplace_back(column.name, column.width);
    EXPECT_EQ(columns, (std::vector<std::pair<std::string, int>>{
                           {"NUMERO", 30}, {"DESCRIZIONE", 180}, {"DATA", 120}}));
    EXPECT_EQ(list.rows, (std::vector<std::vector<std::string>>{
                             {"900", "Campagna 2024", "03/06/2024 08:30:00"},
                             {"901", "Campagna 2025", "02/06/2025 09:15:00"},
                             {"950", "Primo scarico 2026", "05/03/2026 09:00:00"}}));
    // A quote in the user name stays inside the statement's text (the plain server takes any
    // user name).
    if (GetParam() == "plain") {
        gUserName = "D'Anna";
        ui.Reset();
        sel.Command2_Click();
        EXPECT_TRUE(ui.messages.empty());
        ASSERT_EQ(ui.lists.size(), 1u);
        EXPECT_TRUE(ui.lists[0].rows.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, SelectionTest, ::testing::Values("plain", "sso"), ModeName);

}  // namespace
}  // namespace terv::test
