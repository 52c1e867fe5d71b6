// The selection window's state and procedures: the operator's work lists, the download filter,
// the territory tree loaded level by level from the server, the selection entries built from it,
// and the hand-over to the export window.
//
// The Qt window "Territorio" mirrors this state after every change (onChange) and forwards its
// controls' events to the handlers here, which talk to the screen only through the UI port.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "TerritoryTree.h"

namespace terv {

struct TrasfPalmState;

// One work list of the server, in answer order.
struct WorkListRec {
    int32_t id_lav = 0;
    std::string prov_rif;
    int32_t campagna = 0;
    std::string data_immi_elen;
    std::string descrizione;
    uint8_t tipolavorazione = 0;
};

struct ComboItem {
    std::string text;
    int itemData = -1;  // index into the work lists; -1 for "Nessun elenco"
};

// Image indexes of the tree's image list.
enum TreeImage : int { kImageItalia = 1, kImageProvincia = 2, kImageComune = 3, kImageFoglio = 4 };

// The download filter entries of cmbFiltroScarico.
enum FiltroScarico : int { kDaScaricare = 0, kGiaScaricate = 1, kNumeroScarico = 2 };

class TerritorySelection {
  public:
    // Form_Load: filter entry 0, the tree at its root, "Nessun elenco" alone in the combo.
    void Form_Load();
    // Form_Activate: loads the work lists unless they were loaded.
    void Form_Activate();
    // Loads the work lists of the operator's provinces and sector.
    void cmdFillElenchi_Click();
    // Resets the tree to its root.
    void InitElenco(int what);
    // Fills the level under the node (the tree's expand event); "" resets the tree.
    void ExpandNode(const std::string& key);
    void cmbElenchi_Click();
    void chkOnlyLav_Click();
    void cmbFiltroScarico_Click();
    // "Filtra": selects the work list of the export number typed in Text1.
    void Command1_Click();
    // "Mostra tutti i mie scarichi": the operator's exports in a read-only list.
    void Command2_Click();
    // A click on the tree over the node with this key ("" for none): sets the tool buttons.
    void TreeClick(const std::string& key);
    // Tool bar button "CO" or "FO".
    void Toolbar2_ButtonClick(const std::string& buttonKey);
    // "Conferma selezione": fills the export window; true when this window is to hide.
    bool cmdSelDone_Click(TrasfPalmState& target);

    // The id_lav of the chosen work list; 0 for "Nessun elenco".
    int32_t ChosenIdLav() const;

    std::vector<ComboItem> cmbElenchi;
    int cmbElenchiIndex = -1;
    int cmbFiltroScarico = kDaScaricare;
    std::string Text1;
    bool chkOnlyLav = false;
    bool Label4Visible = false;
    bool Label5Visible = false;
    bool Frame1Visible = false;
    struct ToolButton {
        bool enabled = false;
        std::string tag;
    } CO, FO;
    TerritoryTree TreeViewElenco;
    std::vector<std::string> listasel;
    uint8_t ElenchiGiaCaricati = 0;
    std::vector<WorkListRec> elenchi;

    std::function<void()> onChange;

  private:
    void Changed() const {
        if (onChange)
            onChange();
    }
    void NoWorkList();
    std::string Filter() const;
    // Runs one tree query into the transit file; false when it failed.
    bool TreeQuery(const std::string& sql, std::vector<std::string>& lines) const;
    void ExpandRoot(TreeNode& root);
    void ExpandProvince(TreeNode& node);
    void ExpandComune(TreeNode& node);
    void AddEntry(const std::string& code, int32_t sheet);
};

// The selection entries: the whole municipality (sheet 0) or one of its sheets.
std::string SelectionEntry(const std::string& codNazionale, int32_t sheet);

// The operator's exports from the server as list rows ("number|description|date" + "Þ" each);
// false when the query failed (the server's text shown unless `silent`, and in gLastError). The
// rows' raw lines are left in `lines`.
bool ElencoScarichi(std::string& rows, std::vector<std::string>& lines, bool silent = false);

// Shows the operator's exports in the list window; the index in `lines` of the one chosen, or -1
// when the list could not be read or none was chosen.
int ScegliScarico(std::vector<std::string>& lines);

}  // namespace terv
