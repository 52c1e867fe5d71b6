#include "modItalia.h"

#include "ExportTexts.h"
#include "data/FileUtil.h"
#include "data/TextUtil.h"
#include "data/db/TabelleFieldTerv.h"
#include "data/net/SidSde.h"
#include "modTrasfPalm.h"
#include "platform/UiPort.h"
#include "platform/VbText.h"
#include "reference/GestTabelle.h"
#include "shell/base/modMain.h"
#include "shell/config/clsTervcli.h"

namespace terv {

namespace {

constexpr int kThemeParcelsToSurvey = 5;
constexpr int kThemeWorkLists = 15;

const std::string& Transit() {
    return gTervcli().FileTempTransito;
}

WorkListRec ParseWorkList(const std::string& line) {
    std::vector<std::string> f = Split(line, ",");
    f.resize(std::max<size_t>(f.size(), 6));
    return {CLng(f[0]), f[1], CLng(f[2]), f[3], f[4], static_cast<uint8_t>(CLng(f[5]))};
}

bool IsComuneKey(const std::string& key) {
    return key.size() == 5 && key[0] == 'C' && key != "CCCCC";
}

bool IsFoglioKey(const std::string& key) {
    return key.size() == 9 && key[0] == 'G' && key != "GGGGG";
}

}  // namespace

std::string SelectionEntry(const std::string& codNazionale, int32_t sheet) {
    std::string entry = codNazionale + FormatZeros(sheet, 4) + " Comune - " +
                        NomeComune(codNazionale) + " (" + SiglaProvincia(codNazionale) + ")";
    if (sheet != 0)
        entry += " Foglio: " + NumToText(sheet);
    return entry;
}

bool ElencoScarichi(std::string& rows, std::vector<std::string>& lines, bool silent) {
    const std::string file = gTmpPath + "/scarichi.txt";
    const std::string sql =
        "SELECT NUME_SCAR,DESCRIZIONE,to_char(DATA_SCARICO,'YYYYMMDDHH24MISS') FROM "
        "PALM_SCARICHI WHERE Upper(UTENTE_SCARICO)='" +
        Replace(UCase(gUserName), "'", "''") + "'";
    lines.clear();
    rows.clear();
    if (SelectToTxt(gUserName, sql, 3, file, silent) != 0)
        return false;
    ReadLines(file, lines);
    for (const std::string& line : lines) {
        std::vector<std::string> f = Split(line, ",");
        f.resize(std::max<size_t>(f.size(), 3));
        rows += f[0] + "|" + f[1] + "|" + StampToDisplay(f[2]) + "Þ";
    }
    return true;
}

int ScegliScarico(std::vector<std::string>& lines) {
    std::string rows;
    if (!ElencoScarichi(rows, lines))
        return -1;
    initlist(texts::kListaScarichiTitle, texts::kListaScarichiColumns, rows, "|", "Þ");
    int chosen = 0;
    if (showlist(chosen) != 0 || chosen < 0 || chosen >= static_cast<int>(lines.size()))
        return -1;
    return chosen;
}

void TerritorySelection::Form_Load() {
    cmbFiltroScarico = kDaScaricare;
    InitElenco(1);
    ElenchiGiaCaricati = 0;
    NoWorkList();
    elenchi.clear();
    Changed();
}

void TerritorySelection::Form_Activate() {
    if (ElenchiGiaCaricati == 0)
        cmdFillElenchi_Click();
}

void TerritorySelection::NoWorkList() {
    cmbElenchi.push_back({texts::kNessunElenco, -1});
    cmbElenchiIndex = static_cast<int>(cmbElenchi.size()) - 1;
}

int32_t TerritorySelection::ChosenIdLav() const {
    if (cmbElenchiIndex < 0 || cmbElenchiIndex >= static_cast<int>(cmbElenchi.size()))
        return 0;
    const int data = cmbElenchi[cmbElenchiIndex].itemData;
    return data >= 0 && data < static_cast<int>(elenchi.size()) ? elenchi[data].id_lav : 0;
}

void TerritorySelection::cmdFillElenchi_Click() {
    gTervcli().ClearTransito();
    cmbElenchi.clear();
    cmbElenchiIndex = -1;
    std::string provinces;
    for (int i = 0; i < gProfCount && i < static_cast<int>(gProfProvRif.size()); ++i) {
        if (!gProfProvRif[i].empty())
            provinces += " OR PROV_RIF='" + gProfProvRif[i] + "'";
    }
    if (provinces.empty()) {
        NoWorkList();
        cmbElenchi_Click();
        MsgBox(texts::kMsgNonAbilitato, vbInformation);
        return;
    }
    const std::string condition = "(" + Mid(provinces, 5) +
                                  ") AND COD_SETTORE=" + std::to_string(gSettore) +
                                  " AND tipolavorazione<5";
    const std::string descriptor =
        NomeTabella(kThemeWorkLists) +
        "|*id_lav|id_lav,prov_rif,campagna,data_immi_elen,descrizione,tipolavorazione|" + condition;
    if (SdoRead(0, descriptor, 0, 0, 0, 0, 0, 0, 0, 0, Transit(), "", "", false) != 0) {
        Changed();
        return;
    }
    ElenchiGiaCaricati = 1;
    std::vector<std::string> lines;
    ReadLines(Transit(), lines);
    elenchi.clear();
    int chosen = 0;
    for (const std::string& line : lines) {
        elenchi.push_back(ParseWorkList(line));
        const WorkListRec& rec = elenchi.back();
        const int index = static_cast<int>(elenchi.size()) - 1;
        cmbElenchi.push_back(
            {rec.descrizione + (rec.tipolavorazione == 1 ? texts::kCampo : ""), index});
        if (rec.prov_rif == gProvRif)
            chosen = index;
    }
    if (cmbElenchi.empty()) {
        NoWorkList();
    } else {
        cmbElenchiIndex = chosen;
    }
    cmbElenchi_Click();
}

void TerritorySelection::InitElenco(int) {
    ExpandNode("");
}

std::string TerritorySelection::Filter() const {
    std::string filter;
    switch (cmbFiltroScarico) {
        case kDaScaricare:
            filter = " AND NUME_SCAR_PALM IS NULL";
            break;
        case kGiaScaricate:
            filter = " AND NUME_SCAR_PALM IS NOT NULL";
            break;
        default:
            filter = " AND NUME_SCAR_PALM =" + NumToText(Val(Text1));
            break;
    }
    if (chkOnlyLav)
        filter += " AND DATA_LAV IS NULL";
    return filter;
}

bool TerritorySelection::TreeQuery(const std::string& sql, std::vector<std::string>& lines) const {
    lines.clear();
    if (SelectToTxt(gUserName, sql, 1, Transit(), false) != 0)
        return false;
    ReadLines(Transit(), lines);
    return true;
}

void TerritorySelection::ExpandNode(const std::string& key) {
    if (key.empty()) {
        TreeViewElenco.Clear();
        TreeViewElenco.Add("", "ITALIA", texts::kItalia, kImageItalia);
        TreeViewElenco.Add("ITALIA", "NOK", "", 0);
        Changed();
        return;
    }
    TreeNode* node = TreeViewElenco.Find(key);
    if (!node || node->tag == "1")
        return;
    if (key == "ITALIA") {
        ExpandRoot(*node);
    } else if (key[0] == 'P') {
        ExpandProvince(*node);
    } else if (key[0] == 'C') {
        ExpandComune(*node);
    }
    Changed();
}

void TerritorySelection::ExpandRoot(TreeNode& root) {
    const int32_t idLav = ChosenIdLav();
    if (idLav == 0) {
        MsgBox(texts::kMsgSelezionareElenco, vbExclamation);
        root.expanded = false;
        return;
    }
    std::vector<std::string> lines;
    if (!TreeQuery("SELECT A.ISTATP FROM " + NomeTabella(kThemeParcelsToSurvey) +
                       " A WHERE A.id_lav=" + std::to_string(idLav) + Filter() +
                       " GROUP BY A.ISTATP",
                   lines)) {
        return;
    }
    root.tag = "1";
    for (const std::string& line : lines) {
        const std::string code = FormatZeros(CLng(line), 3);
        TreeViewElenco.Add("ITALIA", "P" + code, NomeProvincia(code), kImageProvincia);
        TreeViewElenco.Add("P" + code, "NOK" + code, "", 0);
    }
    if (lines.empty())
        TreeViewElenco.Add("ITALIA", "PPPPP", texts::kNessunaProvincia, kImageItalia);
    TreeViewElenco.Remove("NOK");
}

void TerritorySelection::ExpandProvince(TreeNode& node) {
    const std::string key = node.key;
    const std::string code = key.substr(1);
    std::vector<std::string> lines;
    if (!TreeQuery("SELECT A.COD_NAZIONALE FROM " + NomeTabella(kThemeParcelsToSurvey) +
                       " A WHERE A.id_lav=" + std::to_string(ChosenIdLav()) +
                       " AND A.ISTATP=" + code + Filter() + " GROUP BY A.ISTATP,A.COD_NAZIONALE",
                   lines)) {
        return;
    }
    node.tag = "1";
    for (const std::string& line : lines) {
        const std::string cod = Trim(line);
        TreeViewElenco.Add(key, "C" + cod, NomeComune(cod), kImageComune);
        TreeViewElenco.Add("C" + cod, "NOK" + cod, "", 0);
    }
    if (lines.empty())
        TreeViewElenco.Add(key, "CCCCC", texts::kNessunComune, kImageComune);
    TreeViewElenco.Remove("NOK" + Right(key, 3));
}

void TerritorySelection::ExpandComune(TreeNode& node) {
    const std::string key = node.key;
    const std::string code = key.substr(1);
    std::vector<std::string> lines;
    if (!TreeQuery("SELECT A.FOGLIO FROM " + NomeTabella(kThemeParcelsToSurvey) +
                       " A WHERE A.ID_LAV=" + std::to_string(ChosenIdLav()) +
                       " AND A.COD_NAZIONALE='" + code + "'" + Filter() + " GROUP BY A.FOGLIO",
                   lines)) {
        return;
    }
    node.tag = "1";
    for (const std::string& line : lines) {
        const int32_t sheet = CLng(line);
        TreeViewElenco.Add(key, "G" + code + FormatZeros(sheet, 4), NumToText(sheet), kImageFoglio);
    }
    if (lines.empty())
        TreeViewElenco.Add(key, "GGGGG", texts::kNessunFoglio, kImageFoglio);
    TreeViewElenco.Remove("NOK" + code);
}

void TerritorySelection::cmbElenchi_Click() {
    InitElenco(1);
    listasel.clear();
    Changed();
}

void TerritorySelection::chkOnlyLav_Click() {
    cmbElenchi_Click();
}

void TerritorySelection::cmbFiltroScarico_Click() {
    Label4Visible = cmbFiltroScarico == kGiaScaricate;
    Label5Visible = cmbFiltroScarico == kNumeroScarico;
    Frame1Visible = cmbFiltroScarico == kNumeroScarico;
    cmbElenchi_Click();
}

void TerritorySelection::Command1_Click() {
    Text1 = NumToText(Val(Text1));
    Changed();
    std::vector<std::string> lines;
    if (!TreeQuery("SELECT ID_LAV FROM tervplav WHERE  NUME_SCAR_PALM=" + Text1 + " AND ROWNUM=1",
                   lines)) {
        return;
    }
    const int32_t idLav = lines.empty() ? 0 : CLng(lines.front());
    int found = -1;
    for (size_t i = 0; i < cmbElenchi.size() && found < 0; ++i) {
        const int data = cmbElenchi[i].itemData;
        if (data >= 0 && data < static_cast<int>(elenchi.size()) && elenchi[data].id_lav == idLav)
            found = static_cast<int>(i);
    }
    if (found >= 0 && found != cmbElenchiIndex) {
        cmbElenchiIndex = found;
        listasel.clear();
    }
    InitElenco(1);
    if (found < 0)
        MsgBox(texts::kMsgElencoNonDisponibile, vbInformation);
}

void TerritorySelection::Command2_Click() {
    std::vector<std::string> lines;
    ScegliScarico(lines);
}

void TerritorySelection::TreeClick(const std::string& key) {
    const bool comune = IsComuneKey(key) && TreeViewElenco.Find(key);
    const bool foglio = IsFoglioKey(key) && TreeViewElenco.Find(key);
    CO.enabled = comune;
    FO.enabled = foglio;
    if (comune)
        CO.tag = key;
    if (foglio)
        FO.tag = key;
    TreeViewElenco.selected = TreeViewElenco.Find(key) ? key : "";
    Changed();
}

void TerritorySelection::AddEntry(const std::string& code, int32_t sheet) {
    listasel.push_back(SelectionEntry(code, sheet));
}

void TerritorySelection::Toolbar2_ButtonClick(const std::string& buttonKey) {
    const bool comune = buttonKey == "CO";
    if (!(comune ? CO.enabled : buttonKey == "FO" && FO.enabled))
        return;
    if (Label5Visible || Label4Visible) {
        MsgBox(comune ? texts::kMsgFiltraComuni : texts::kMsgFiltraFogli, vbInformation);
        return;
    }
    if (comune) {
        AddEntry(Mid(CO.tag, 2), 0);
        Changed();
        return;
    }
    AddEntry(Mid(FO.tag, 2, 4), CLng(Mid(FO.tag, 6)));
    TreeClick(TreeViewElenco.NextSibling(FO.tag));
}

bool TerritorySelection::cmdSelDone_Click(TrasfPalmState& target) {
    if (Label4Visible) {
        MsgBox(texts::kMsgSoloMaiScaricate, vbInformation);
        return false;
    }
    target.lstFatti = listasel;
    target.lblelencoCaption =
        cmbElenchiIndex >= 0 && cmbElenchiIndex < static_cast<int>(cmbElenchi.size())
            ? cmbElenchi[cmbElenchiIndex].text
            : "";
    target.lblelencoTag = std::to_string(ChosenIdLav());
    const int data = cmbElenchiIndex >= 0 ? cmbElenchi[cmbElenchiIndex].itemData : -1;
    if (data >= 0 && data < static_cast<int>(elenchi.size()))
        gProvRif = elenchi[data].prov_rif;
    if (cmbFiltroScarico == kNumeroScarico)
        target.replicascarico = Text1;
    target.Changed();
    return true;
}

}  // namespace terv
