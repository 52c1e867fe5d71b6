#include "RientroDati.h"

#include <filesystem>

#include "Caricamento.h"
#include "FusioneTransito.h"
#include "LoadFoto.h"
#include "data/FileUtil.h"
#include "data/TextUtil.h"
#include "data/db/Database.h"
#include "data/db/mdbUtil.h"
#include "export/ExportSteps.h"
#include "export/Trasferimento.h"
#include "export/sql_lite.h"
#include "platform/UiPort.h"
#include "shell/base/LogFiles.h"
#include "shell/base/modMain.h"
#include "shell/config/clsTervcli.h"

namespace terv {
namespace {

namespace fs = std::filesystem;

// Captions of a run: transit database, main database, staging and upload; per municipality four
// of the copy loop and five of the merge.
constexpr long kPassiFissi = 4;
constexpr long kPassiPerComune = 9;

// The run's captions and the bar beside them, which counts the captions shown against those
// expected.
class Avanzamento {
  public:
    explicit Avanzamento(RientroState& form) : form_(form) {}
    void Prevedi(long total) { total_ = total; }
    void operator()(const std::string& caption) {
        form_.lblcurrop = caption;
        form_.progressValue = ++done_;
        form_.progressMax = std::max(total_, done_);
        Show();
    }
    void Fine() {
        form_.lblcurrop.clear();
        form_.progressValue = form_.progressMax = 0;
        Show();
    }

  private:
    void Show() {
        form_.Changed();
        Ui().Progress(form_.lblcurrop);
        Ui().ProgressValue(form_.progressValue, form_.progressMax);
        Ui().Repaint();
    }
    RientroState& form_;
    long done_ = 0;
    long total_ = 0;
};

void SetBusy(RientroState& form, bool busy) {
    Ui().SetBusy(busy);
    form.Label2Visible = busy;
    if (busy)
        form.cmdTrasfEnabled = false;
    form.Changed();
    Ui().Repaint();
}

// A device copy whose failure is logged; true when the tool reported success.
bool CopiaDalPalmare(const char* switches, const std::string& source,
                     const std::string& destination) {
    const int rc = RunDeviceCopy(switches, source, destination);
    if (rc != 0)
        LogRientro(source + " -> " + destination + ": copia non riuscita (RAPIFileCopy " +
                   std::to_string(rc) + ")");
    return rc == 0;
}

// Step 4: a new, empty transit database with the local-flavour tables, opened again for the run.
Database CreaTransito(Avanzamento& avanzamento) {
    const std::string path = gTmpPath + "/palmdb.mdb";
    avanzamento("Creo database di transito");
    CreaDbTransito(path);
    return OpenDatabase(path);
}

// Step 7: the main database copied back and its COMUNI appended to the transit database.
void ScaricaDbPrincipale(Database& db, const std::string& orvex, Avanzamento& avanzamento) {
    avanzamento("Scarico db principale");
    const std::string copy = CartellaPalmare() + "terv34bis_ppc.db";
    if (!CopiaDalPalmare(kCopiaFile, orvex + "terv34bis_ppc.db", copy))
        return;
    if (sqll_fill_mdbtable(copy, "COMUNI", db, "COMUNI") != 0)
        LogRientro(copy + " (COMUNI): " + sqll_errmsg());
}

// A municipality code from the device names folders: it must stay one plain folder name.
bool CodiceValido(const std::string& code) {
    return !code.empty() && code != "." && code != ".." &&
           code.find_first_of("/\\") == std::string::npos;
}

// Step 8: the municipality codes of the transit database, unusable ones logged and left out.
std::vector<std::string> ComuniRientro(Database& db) {
    std::vector<std::string> codes;
    DbReadColumn(db, "SELECT COD_NAZIONALE from comuni", codes);
    std::erase_if(codes, [](const std::string& code) {
        if (CodiceValido(code))
            return false;
        LogRientro("COMUNI: codice comune non utilizzabile come cartella: '" + code + "'");
        return true;
    });
    return codes;
}

// Step 9 for one municipality; true when its database came over.
bool ScaricaComune(const std::string& orvex, const std::string& code, Avanzamento& avanzamento) {
    const std::string folder = CartellaPalmare() + code + "/";
    MakePath(folder + "photo/");
    const std::string tag = " [" + code + "]";
    const std::string device = orvex + code + "\\";
    avanzamento("Scarico db comunale" + tag);
    const bool copiato = CopiaDalPalmare(kCopiaFile, device + "db_comu.db", folder);
    avanzamento("Elaboro foto di campo" + tag);
    avanzamento("Scarico foto di campo (1)" + tag);
    CopiaDalPalmare(kCopiaCartella, device + "photo\\*.jpg", folder + "photo/");
    avanzamento("Scarico foto di campo (2)" + tag);
    CopiaDalPalmare(kCopiaFile, device + "photo\\*.dat", folder + "photo/");
    return copiato;
}

// Steps 4 to 11: everything up to the closed transit database.
void RecuperaEFondi(RientroState& form, Avanzamento& avanzamento) {
    const bool aggiorna = form.chkAggSW && fs::exists(gAppPath + "/aggpalm.zip");
    const long fissi = kPassiFissi + (aggiorna ? 1 : 0);
    avanzamento.Prevedi(fissi);
    Database db = CreaTransito(avanzamento);
    const std::string card = CardRoot(form.cmbmemoria);
    if (aggiorna)
        AggiornaSoftwarePalmare(card, std::ref(avanzamento));
    const std::string orvex = card + "orvex\\";
    ScaricaDbPrincipale(db, orvex, avanzamento);
    const std::vector<std::string> codes = ComuniRientro(db);
    avanzamento.Prevedi(fissi + kPassiPerComune * static_cast<long>(codes.size()));
    std::vector<bool> copiati;
    for (const std::string& code : codes)
        copiati.push_back(ScaricaComune(orvex, code, avanzamento));
    for (size_t i = 0; i < codes.size(); ++i)
        FondiComune(db, codes[i], form.numeroRientro, copiati[i], std::ref(avanzamento));
    form.cmdTrasfEnabled = true;
    db.Close();
}

void Termina(RientroState& form, Avanzamento& avanzamento) {
    avanzamento.Fine();
    form.cmdTrasfEnabled = true;
    SetBusy(form, false);
}

}  // namespace

std::string CartellaPalmare() {
    return gAppPath + "/tmp/palmare/";
}

void LogRientro(const std::string& line) {
    LogLine("rientro.log", line);
}

void cmdTrasf_Click(RientroState& form, const UploadFunction& upload) {
    if (form.cmbmemoria < 0) {
        MsgBox(kMsgScheda, vbExclamation);
        ++form.memoriaFocusRequests;
        form.Changed();
        return;
    }
    form.numeroRientro = gTervcli().GetSequence("TERVPALMC_SEQ");
    if (form.numeroRientro == 0) {
        MsgBox(kMsgInizioRientro, vbExclamation);
        return;
    }
    SetBusy(form, true);
    Avanzamento avanzamento(form);
    try {
        RecuperaEFondi(form, avanzamento);
    } catch (const std::exception& e) {
        Termina(form, avanzamento);
        MsgBox(kMsgRientroInterrotto + std::string(e.what()), vbExclamation);
        return;
    }
    form.Changed();
    std::string error;
    if (!PreparaCaricamento(form.numeroRientro, std::ref(avanzamento), error)) {
        Termina(form, avanzamento);
        MsgBox(kMsgStagingFallito + NomeStaged(form.numeroRientro) + "\r" + error, vbExclamation);
        return;
    }
    avanzamento("Carico dati in remoto");
    const int32_t failed = upload();
    avanzamento.Fine();
    StartPhotoLoader();
    SetBusy(form, false);
    MessaggioFineRecupero(failed);
}

}  // namespace terv
