// The receipt of an earlier export, rebuilt from the server's copy of its survey results.
#include "RigeneraRicevuta.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "FusioneTransito.h"
#include "Ricevuta.h"
#include "data/FileUtil.h"
#include "data/db/Database.h"
#include "data/net/SidSde.h"
#include "export/ExportTexts.h"
#include "export/modItalia.h"
#include "platform/UiPort.h"
#include "platform/VbText.h"
#include "shell/base/modMain.h"

namespace terv {

namespace {

struct Lettura {
    const char* descriptor;  // without its condition
    const char* table;
};

// The export's parcels, then the results recorded on them in the same survey.
constexpr Lettura kLetture[] = {
    {"PALM_PART_DICH|*ID_PART|ID_PART,COD_NAZIONALE,PROV,COMU,SEZI,FOGLIO,PART,SUB,COORDX,COORDY,"
     "TIPO_LAVO,NUME_SCAR,NUME_FOTO_RICH,FLAG_LAVO,COD_AGRONOMO,DATA_LAV|",
     "PART_DICH"},
    {"PALM_UTIL_RILE|*ID_PART|ID_PART,CODI_UTIL,STAT_COLT,COORDX,COORDY,DATA_LAV|", "UTIL_RILE"},
    {"PALM_FAG_RILE|*ID_PART|ID_PART,PROG_POLI,SEST_REGO,DIST_TRA_FILA,DIST_SU_FILA,NUME_NOCC,"
     "NUME_NOCE,NUME_MAND,NUME_PIST,NUME_CARR,NUME_CAST,NUME_ALTR,FLAG_PROD,FLAG_ERBA,DATA_LAV|",
     "FAG_RILE"},
    {"PALM_NORME_RILE|*ID_PART|ID_PART,CODI_NORMA,VIOLAZIONE,DATA_LAV|", "NORME_RILE"},
    {"PALM_FOTO_RILE|*ID_PART|ID_PART,PROG_FOTO,FILENAME,DATA_LAV,COORDX,COORDY,ANGOLO|",
     "FOTO_RILE"},
};

constexpr const char* kCaricati[] = {
    "update PART_DICH set caricato=1",
    "update UTIL_RILE set caricato=1",
    "update FAG_RILE set caricato=1",
    "update NORME_RILE set caricato=1",
    "update FOTO_RILE set caricato=1,FOTOEFF=1",
};

struct Scelta {
    int32_t numero = 0;
    std::string descrizione;
};

// Steps 1-3: the list of the operator's exports, the choice and the confirmation.
bool ScegliScarico(Scelta& scelta) {
    std::string rows;
    std::vector<std::string> lines;
    if (!ElencoScarichi(rows, lines, true)) {
        MsgBox(kRigElencoFallito + LastServerError(), vbExclamation);
        return false;
    }
    initlist(texts::kListaScarichiTitle, texts::kListaScarichiColumns, rows, "|", "Þ");
    int chosen = 0;
    if (showlist(chosen) != 0 || chosen < 0 || chosen >= static_cast<int>(lines.size()))
        return false;
    std::vector<std::string> f = Split(lines[chosen], ",");
    f.resize(std::max<size_t>(f.size(), 2));
    // Only the number's value goes into the server's conditions.
    scelta = {CLng(f[0]), f[1]};
    return MsgBox(kRigDomanda + Trim(f[0]) + " - " + f[1] + " ?", vbYesNo | vbQuestion) == vbYes;
}

// Step 4: ricdb.mdb anew with the tables of the transit database.
bool CreaRicDb(const std::string& file) {
    try {
        CreaDbTransito(file);
        return true;
    } catch (const std::exception& e) {
        MsgBox(kRigDbFallito + std::string(e.what()), vbExclamation);
        return false;
    }
}

// Step 5: the five reads queued and run together; the rows reach the tables only when every
// answer arrived.
bool LeggiScarico(const std::string& file, int32_t numero) {
    const std::string n = std::to_string(numero);
    const std::string delloScarico =
        "(id_part,data_lav) IN(SELECT id_part,data_lav FROM PALM_PART_DICH WHERE NUME_SCAR=" + n +
        ")";
    for (const Lettura& l : kLetture) {
        const std::string condition =
            l.table == std::string("PART_DICH") ? "NUME_SCAR=" + n : delloScarico;
        SdoBlockAdd(0, l.descriptor + condition, file, l.table, "", "", 1.0, 1.0, 0.0, "");
    }
    if (SdoBlockGo(0, 0, 0, 0, 0, 0, 0, 0, 0, true) == 0)
        return true;
    MsgBox(kRigLetturaFallita + n + ":\r" + LastServerError(), vbExclamation);
    return false;
}

}  // namespace

std::string RicDbPath() {
    return gTmpPath + "/ricdb.mdb";
}

std::string RigeneraRicevuta() {
    Scelta scelta;
    if (!ScegliScarico(scelta))
        return "";
    Ui().SetBusy(true);
    const std::string file = RicDbPath();
    if (!CreaRicDb(file) || !LeggiScarico(file, scelta.numero)) {
        Ui().SetBusy(false);
        return "";
    }
    // Steps 6-7: every row counts as loaded, every photo as taken; then the receipt, with the
    // province looked up.
    try {
        Database db = OpenDatabase(file);
        for (const char* sql : kCaricati)
            db.Execute(sql, dbFailOnError);
        std::string pdf = StampaRicevuta(scelta.numero, "", db);
        db.Close();
        return pdf;
    } catch (const std::exception& e) {
        Ui().SetBusy(false);
        MsgBox(kRigDbFallito + std::string(e.what()), vbExclamation);
        return "";
    }
}

}  // namespace terv
